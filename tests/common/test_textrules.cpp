// The text and number rules every engine shares, and the quoted-item file.
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "common/quotedfile.h"
#include "common/textrules.h"
#include "support/testsupport.h"

using namespace quill;

class TextRulesTest : public QObject {
    Q_OBJECT
  private slots:
    void inStr_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("hay");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("noCase");
        QTest::addColumn<int>("expected");
        struct Row {
            const char* name;
            int start;
            const char *hay, *needle;
            bool noCase;
            int expected;
        };
        for (const Row& r : std::initializer_list<Row>{
                 {"at start", 2, "abcabc", "bc", false, 2},
                 {"after start", 3, "abcabc", "bc", false, 5},
                 {"absent", 1, "abc", "x", false, 0},
                 {"case matters", 1, "ABC", "b", false, 0},
                 {"case ignored", 1, "ABC", "b", true, 2},
                 {"start past end", 4, "abc", "c", false, 0},
                 {"start at last", 3, "abc", "c", false, 3},
                 {"start zero", 0, "abc", "a", false, 0},
                 {"empty needle", 1, "abc", "", false, 0},
             })
            QTest::newRow(r.name) << r.start << QString(r.hay) << QString(r.needle) << r.noCase
                                  << r.expected;
    }
    void inStr() {
        QFETCH(int, start);
        QFETCH(QString, hay);
        QFETCH(QString, needle);
        QFETCH(bool, noCase);
        QFETCH(int, expected);
        QCOMPARE(InStr(start, hay, needle, noCase ? Qt::CaseInsensitive : Qt::CaseSensitive),
                 expected);
    }

    void cut_data() {
        QTest::addColumn<int>("p");
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("expected");
        // Cuts from "abc" ("abcdef" for the first row).
        QTest::newRow("middle") << 2 << 3 << true << "bcd";
        QTest::newRow("whole") << 1 << 3 << true << "abc";
        QTest::newRow("to end") << 3 << 1 << true << "c";
        QTest::newRow("empty at end") << 4 << 0 << true << "";
        QTest::newRow("negative length") << 2 << -1 << false << "";
        QTest::newRow("position zero") << 0 << 1 << false << "";
        QTest::newRow("past end") << 3 << 2 << false << "";
        QTest::newRow("start past end") << 5 << 0 << false << "";
        QTest::newRow("huge length") << 1 << 2147483647 << false << "";
    }
    void cut() {
        QFETCH(int, p);
        QFETCH(int, n);
        QFETCH(bool, ok);
        QFETCH(QString, expected);
        const QString text = QTest::currentDataTag() == QLatin1String("middle") ? "abcdef" : "abc";
        const auto r = Cut(text, p, n);
        QCOMPARE(r.has_value(), ok);
        if (ok) QCOMPARE(*r, expected);
    }

    void helpers() {
        struct Row {
            QString (*fn)(const QString&);
            const char *in, *out;
        };
        for (const Row& r : std::initializer_list<Row>{
                 {StripAmp, "a?x=1&amp;y=2", "a?x=1&y=2"},
                 {StripAmp, "&amp;&amp;", "&&"},
                 {StripAmp, "aampXmp!", ""},  // an "amp" formed by a removal goes too
                 {StripAmp, "xamp", "x"},
                 {StripAmp, "AMP;", "AMP;"},
                 {StripColons, "Mm.1:2::3", "Mm.123"},
                 {SlashesToSpaces, "AB000001/AB000002", "AB000001 AB000002"},
                 {SlashesToSpaces, "a//b", "a  b"},
             })
            QCOMPARE(r.fn(r.in), QString(r.out));
    }

    void val() {
        struct Row {
            const char* text;
            double expected;
        };
        for (const Row& r : std::initializer_list<Row>{
                 {"123", 123},      {"1 2 3", 123},                               // blanks inside
                 {"- 5", -5},       {"+7", 7},      {"\t1\n2", 12}, {"1\r2", 1},  // CR stops
                 {"12 / 3456", 12}, {"99.5", 99.5}, {"1.2.3", 1.2}, {".5", 0.5}, {"1,234", 1},
                 {"1.5E3", 1500},   {"25e-1", 2.5}, {"2D2", 200},   {"3E", 3},   {"3E+x", 3},
                 {"&HFF", 255},     {"&hff", 255},  {"&HFFFF", -1},  // four hex digits are a 16-bit
                                                                     // value
                 {"&O17", 15},      {"&O178", 15},  {"abc", 0},     {"   ", 0},  {"-", 0},
             })
            QVERIFY2(Val(r.text) == r.expected, r.text);
    }

    void valIgnoresLocale() {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(Val("1.5"), 1.5);
        QCOMPARE(Val("1,5"), 1.0);
        QLocale::setDefault(saved);
    }

    // Halves to the even neighbour; out of range is nullopt.
    void wholeNumbers() {
        struct Row {
            double value;
            std::optional<qint16> expected;
        };
        for (const Row& r : std::initializer_list<Row>{
                 {2.5, 2},
                 {3.5, 4},
                 {-2.5, -2},
                 {2.6, 3},
                 {32767, 32767},
                 {-32768, -32768},
                 {32767.4, 32767},
                 {32767.5, std::nullopt},  // rounds to 32768
                 {32768, std::nullopt},
                 {-32769, std::nullopt},
                 {-32768.5, -32768},
                 {std::nan(""), std::nullopt},
             })
            QVERIFY2(ToInt16(r.value) == r.expected, qPrintable(QString::number(r.value)));
        QCOMPARE(ToInt32(-2147483648.4), std::optional<qint32>(-2147483647 - 1));
        QCOMPARE(ToInt32(40000.5), std::optional<qint32>(40000));
        QVERIFY(!ToInt32(2147483647.5));
        QVERIFY(!ToInt32(std::nan("")));
    }

    void dates() {
        const QDateTime t(QDate(2026, 3, 7), QTime(14, 5, 9));
        QCOMPARE(FixedDateTime(t), QString("03-07-2026, 14:05:09"));
        const QString s = ShortDateTime(t);
        QVERIFY(s.contains(", "));
        QVERIFY(s.contains("05"));
        SetNowForTesting(t);
        QCOMPARE(Now(), t);
        SetNowForTesting(std::nullopt);
        QVERIFY(Now() != t);
    }

    void quotedFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("out.txt");
        const QStringList items{"Results for x\r\nline", "", "say \"hi\""};
        const WriteResult r = WriteQuotedItems(path, items);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(test::ReadBytes(path),
                 QByteArray("\"Results for x\r\nline\"\r\n\"\"\r\n\"say \"hi\"\"\r\n"));
        // Replacing keeps nothing of the old content.
        QVERIFY(WriteQuotedItems(path, {"a"}).ok);
        QCOMPARE(test::ReadBytes(path), QByteArray("\"a\"\r\n"));
    }

    void quotedFileFailureKeepsOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("keep.txt");
        QVERIFY(WriteQuotedItems(path, {"old"}).ok);
        // A folder that does not exist: the write fails and names the path.
        const QString bad = dir.filePath("missing/sub/out.txt");
        const WriteResult r = WriteQuotedItems(bad, {"x"});
        QVERIFY(!r.ok);
        QVERIFY(r.error.startsWith(bad));
        QVERIFY(!QFile::exists(bad));
        // Writing over a read-only folder leaves the old file intact.
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const WriteResult r2 = WriteQuotedItems(path, {"new"});
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!r2.ok) QCOMPARE(test::ReadBytes(path), QByteArray("\"old\"\r\n"));
    }
};

QTEST_GUILESS_MAIN(TextRulesTest)
#include "test_textrules.moc"
