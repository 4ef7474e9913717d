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
        QTest::newRow("first") << 1 << "abcabc" << "bc" << false << 2;
        QTest::newRow("at start") << 2 << "abcabc" << "bc" << false << 2;
        QTest::newRow("after start") << 3 << "abcabc" << "bc" << false << 5;
        QTest::newRow("absent") << 1 << "abc" << "x" << false << 0;
        QTest::newRow("case matters") << 1 << "ABC" << "b" << false << 0;
        QTest::newRow("case ignored") << 1 << "ABC" << "b" << true << 2;
        QTest::newRow("start past end") << 4 << "abc" << "c" << false << 0;
        QTest::newRow("start at last") << 3 << "abc" << "c" << false << 3;
        QTest::newRow("start zero") << 0 << "abc" << "a" << false << 0;
        QTest::newRow("empty needle") << 1 << "abc" << "" << false << 0;
        QTest::newRow("empty hay") << 1 << "" << "a" << false << 0;
        QTest::newRow("needle longer") << 1 << "ab" << "abc" << false << 0;
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
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("p");
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("expected");
        QTest::newRow("middle") << "abcdef" << 2 << 3 << true << "bcd";
        QTest::newRow("whole") << "abc" << 1 << 3 << true << "abc";
        QTest::newRow("to end") << "abc" << 3 << 1 << true << "c";
        QTest::newRow("empty at end") << "abc" << 4 << 0 << true << "";
        QTest::newRow("zero length") << "abc" << 2 << 0 << true << "";
        QTest::newRow("negative length") << "abc" << 2 << -1 << false << "";
        QTest::newRow("position zero") << "abc" << 0 << 1 << false << "";
        QTest::newRow("past end") << "abc" << 3 << 2 << false << "";
        QTest::newRow("start past end") << "abc" << 5 << 0 << false << "";
        QTest::newRow("huge length") << "abc" << 1 << 2147483647 << false << "";
    }
    void cut() {
        QFETCH(QString, text);
        QFETCH(int, p);
        QFETCH(int, n);
        QFETCH(bool, ok);
        QFETCH(QString, expected);
        const auto r = Cut(text, p, n);
        QCOMPARE(r.has_value(), ok);
        if (ok) QCOMPARE(*r, expected);
    }

    void helpers_data() {
        QTest::addColumn<QString>("fn");
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("amp entity") << "amp" << "a?x=1&amp;y=2" << "a?x=1&y=2";
        QTest::newRow("amp twice") << "amp" << "&amp;&amp;" << "&&";
        QTest::newRow("amp formed by removal") << "amp" << "aampXmp!" << "";
        QTest::newRow("amp at end") << "amp" << "xamp" << "x";
        QTest::newRow("amp case") << "amp" << "AMP;" << "AMP;";
        QTest::newRow("colons") << "colons" << "Mm.1:2::3" << "Mm.123";
        QTest::newRow("no colons") << "colons" << "Pax6" << "Pax6";
        QTest::newRow("slashes") << "slashes" << "AB000001/AB000002" << "AB000001 AB000002";
        QTest::newRow("double slash") << "slashes" << "a//b" << "a  b";
    }
    void helpers() {
        QFETCH(QString, fn);
        QFETCH(QString, in);
        QFETCH(QString, out);
        if (fn == "amp") QCOMPARE(StripAmp(in), out);
        if (fn == "colons") QCOMPARE(StripColons(in), out);
        if (fn == "slashes") QCOMPARE(SlashesToSpaces(in), out);
    }

    void val_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("plain") << "123" << 123.0;
        QTest::newRow("blanks inside") << "1 2 3" << 123.0;
        QTest::newRow("sign apart") << "- 5" << -5.0;
        QTest::newRow("plus") << "+7" << 7.0;
        QTest::newRow("tab and lf") << "\t1\n2" << 12.0;
        QTest::newRow("cr stops") << "1\r2" << 1.0;
        QTest::newRow("slash stops") << "12 / 3456" << 12.0;
        QTest::newRow("trailing text") << "100abc" << 100.0;
        QTest::newRow("decimal") << "99.5" << 99.5;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("comma stops") << "1,234" << 1.0;
        QTest::newRow("exponent E") << "1.5E3" << 1500.0;
        QTest::newRow("exponent e neg") << "25e-1" << 2.5;
        QTest::newRow("exponent D") << "2D2" << 200.0;
        QTest::newRow("exponent without digits") << "3E" << 3.0;
        QTest::newRow("exponent sign no digits") << "3E+x" << 3.0;
        QTest::newRow("hex") << "&HFF" << 255.0;
        QTest::newRow("hex lower") << "&hff" << 255.0;
        QTest::newRow("hex 16-bit sign") << "&HFFFF" << -1.0;
        QTest::newRow("octal") << "&O17" << 15.0;
        QTest::newRow("octal stops at 8") << "&O178" << 15.0;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("blank") << "   " << 0.0;
        QTest::newRow("sign only") << "-" << 0.0;
        QTest::newRow("minus zero point") << "-0.3" << -0.3;
        QTest::newRow("e-value") << "2e-10" << 2e-10;
    }
    void val() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(Val(text), expected);
    }

    void valIgnoresLocale() {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(Val("1.5"), 1.5);
        QCOMPARE(Val("1,5"), 1.0);
        QLocale::setDefault(saved);
    }

    void wholeNumbers_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("inRange");
        QTest::addColumn<int>("expected");
        QTest::newRow("2.5") << 2.5 << true << 2;
        QTest::newRow("3.5") << 3.5 << true << 4;
        QTest::newRow("-2.5") << -2.5 << true << -2;
        QTest::newRow("99.5") << 99.5 << true << 100;
        QTest::newRow("100.5") << 100.5 << true << 100;
        QTest::newRow("0.3") << 0.3 << true << 0;
        QTest::newRow("2.6") << 2.6 << true << 3;
        QTest::newRow("max") << 32767.0 << true << 32767;
        QTest::newRow("min") << -32768.0 << true << -32768;
        QTest::newRow("max + 0.4") << 32767.4 << true << 32767;
        QTest::newRow("max + 0.5 rounds to even 32768") << 32767.5 << false << 0;
        QTest::newRow("over") << 32768.0 << false << 0;
        QTest::newRow("under") << -32769.0 << false << 0;
        QTest::newRow("min - 0.5 rounds to even") << -32768.5 << true << -32768;
        QTest::newRow("nan") << std::nan("") << false << 0;
    }
    void wholeNumbers() {
        QFETCH(double, value);
        QFETCH(bool, inRange);
        QFETCH(int, expected);
        const auto r = ToInt16(value);
        QCOMPARE(r.has_value(), inRange);
        if (inRange) QCOMPARE(int(*r), expected);
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
