// The text and number rules every engine shares, and the quoted-item file.
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "support/testsupport.h"
#include "text/quotedfile.h"
#include "text/textrules.h"

using namespace quill;

class TextRulesTest : public QObject {
    Q_OBJECT
  private slots:
    void inStr() {
        QCOMPARE(InStr(3, "abcabc", "bc"), 5);
        QCOMPARE(InStr(1, "ABC", "b"), 0);
        QCOMPARE(InStr(1, "ABC", "b", Qt::CaseInsensitive), 2);
        QCOMPARE(InStr(3, "abc", "c"), 3);
        QCOMPARE(InStr(4, "abc", "c"), 0);  // start past the end
        QCOMPARE(InStr(0, "abc", "a"), 0);
        QCOMPARE(InStr(1, "abc", ""), 0);
    }

    // n characters from position p (1-based), or none.
    void cut() {
        QCOMPARE(Cut("abcdef", 2, 3), std::optional<QString>("bcd"));
        QCOMPARE(Cut("abcdef", 6, 1), std::optional<QString>("f"));
        QCOMPARE(Cut("abcdef", 7, 0), std::optional<QString>(""));
        QVERIFY(!Cut("abcdef", 2, -1));
        QVERIFY(!Cut("abcdef", 0, 1));
        QVERIFY(!Cut("abcdef", 5, 3));
        QVERIFY(!Cut("abcdef", 1, 2147483647));
    }

    void helpers() {
        QCOMPARE(StripAmp("a?x=1&amp;y=2"), QString("a?x=1&y=2"));
        QCOMPARE(StripAmp("aampXmp!"), QString());  // an "amp" formed by a removal goes too
        QCOMPARE(StripAmp("xamp"), QString("x"));
        QCOMPARE(StripAmp("AMP;"), QString("AMP;"));
        QCOMPARE(StripColons("Mm.1:2::3"), QString("Mm.123"));
        QCOMPARE(SlashesToSpaces("a//b"), QString("a  b"));
    }

    // Valid UTF-8 stays as it is; anything else is Windows-1252, byte for byte.
    void inputText() {
        QCOMPARE(DecodeInputText("Maus \xc3\xa4"), QString::fromUtf8("Maus \u00e4"));
        QCOMPARE(DecodeInputText("\xef\xbb\xbfPax6"), QString("Pax6"));
        QCOMPARE(DecodeInputText("B\xe4r\xa0x"), QString::fromUtf8("B\u00e4r\u00a0x"));
        QCOMPARE(DecodeInputText("\x80 \x93q\x94"), QString::fromUtf8("\u20ac \u201cq\u201d"));
    }

    // Under any locale: blanks inside are skipped, CR stops, "." is the point.
    void val() {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(Val("1 2 3"), 123.0);
        QCOMPARE(Val("- 5"), -5.0);
        QCOMPARE(Val("\t1\n2"), 12.0);
        QCOMPARE(Val("1\r2"), 1.0);
        QCOMPARE(Val("1.2.3"), 1.2);
        QCOMPARE(Val("1,234"), 1.0);
        QCOMPARE(Val("1.5E3"), 1500.0);
        QCOMPARE(Val("2D2"), 200.0);
        QCOMPARE(Val("3E+x"), 3.0);
        QCOMPARE(Val("&hff"), 255.0);
        QCOMPARE(Val("&HFFFF"), -1.0);  // four hex digits are a 16-bit value
        QCOMPARE(Val("&O178"), 15.0);
        QCOMPARE(Val("abc"), 0.0);
        QLocale::setDefault(saved);
    }

    // Halves to the even neighbour; out of range is nullopt.
    void wholeNumbers() {
        using Int16 = std::optional<qint16>;
        QCOMPARE(ToInt16(2.5), Int16(2));
        QCOMPARE(ToInt16(3.5), Int16(4));
        QCOMPARE(ToInt16(-2.5), Int16(-2));
        QCOMPARE(ToInt16(-32768.5), Int16(-32768));
        QVERIFY(!ToInt16(32767.5));  // rounds to 32768
        QVERIFY(!ToInt16(-32769));
        QVERIFY(!ToInt16(std::nan("")));
        QCOMPARE(ToInt32(-2147483648.4), std::optional<qint32>(-2147483647 - 1));
        QVERIFY(!ToInt32(2147483647.5));
        QVERIFY(!ToInt32(std::nan("")));
    }

    void dates() {
        const QDateTime t(QDate(2026, 3, 7), QTime(14, 5, 9));
        QCOMPARE(FixedDateTime(t), QString("03-07-2026, 14:05:09"));
        QVERIFY(ShortDateTime(t).contains(", "));
        SetNowForTesting(t);
        QCOMPARE(Now(), t);
        SetNowForTesting(std::nullopt);
        QVERIFY(Now() != t);
    }

    // Each item quoted, CR LF after each; a replaced file keeps nothing of the
    // old content; a failed write names the path and leaves no file.
    void quotedFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("out.txt");
        QVERIFY(WriteQuotedItems(path, {"old", "longer old content"}).ok);
        QVERIFY(WriteQuotedItems(path, {"Results for x\r\nline", "", "say \"hi\""}).ok);
        QCOMPARE(test::ReadBytes(path),
                 QByteArray("\"Results for x\r\nline\"\r\n\"\"\r\n\"say \"hi\"\"\r\n"));
        const QString bad = dir.filePath("missing/sub/out.txt");
        const WriteResult r = WriteQuotedItems(bad, {"x"});
        QVERIFY(!r.ok);
        QVERIFY(r.error.startsWith(bad));
        QVERIFY(!QFile::exists(bad));
    }
};

QTEST_GUILESS_MAIN(TextRulesTest)
#include "test_textrules.moc"
