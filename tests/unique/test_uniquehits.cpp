// The unique hit finder's rules: keys, first appearance, the report text, the
// saved lines and the printed report.

#include <QtTest>

#include "printing/printer.h"
#include "text/textrules.h"
#include "unique/uniquehits.h"

using namespace quill;

class UniqueHitsTest : public QObject {
    Q_OBJECT
    const QDateTime when_{QDate(2026, 3, 7), QTime(14, 5, 9)};

  private slots:
    void keys_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("first appearance wins, case matters")
            << QStringList{"ABC1 | x MM#1", "abc1", "ABC1 | y MM#2", "DEF2"}
            << QStringList{"ABC1", "abc1", "DEF2"};
        QTest::newRow("trailing blanks go, leading stay")
            << QStringList{"ABC1", "ABC1   ", " ABC1", "ABC1  | 3", "ABC1\t"}
            << QStringList{"ABC1", " ABC1", "ABC1\t"};
        QTest::newRow("cut at the first bar after a blank")
            << QStringList{"A | b | c", "B|x | y", " |y", "C\t| z"}
            << QStringList{"A", "B|x", "", "C\t| z"};  // a TAB is no blank
        // BLAST+ query ids hold bars but no blank before them.
        QTest::newRow("NCBI-style ids are their own keys")
            << QStringList{"gi|57163782|ref|NM_001009242.1|", "gi|283855845|gb|GQ290303.1|", "|x",
                           "gi|57163782|ref|NM_001009242.1|  "}
            << QStringList{"gi|57163782|ref|NM_001009242.1|", "gi|283855845|gb|GQ290303.1|", "|x"};
    }
    void keys() {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, keys);
        QCOMPARE(FindUniqueHits(entries).keys, keys);
    }

    void reportAndSavedLines() {
        const QString stamp = ShortDateTime(when_);
        const QString report = UniqueReportText({"ABC1", " DEF2", ""}, when_);
        QCOMPARE(
            report.toUtf8(),
            (stamp + "\r\n3 unique hits found\r\n\r\nHits:\r\nABC1\r\n DEF2\r\n\r\n").toUtf8());
        QCOMPARE(UniqueSaveItems(report),
                 QStringList({stamp, "3 unique hits found", "Hits:", "ABC1", "DEF2"}));
        // An edited box whose text does not end with a line end: the last
        // piece is not written.
        QCOMPARE(UniqueSaveItems("  a  \r\nb"), QStringList({"a"}));
    }

    void printedReport() {
        RecordingPrinter p;
        QVERIFY(PrintUniqueReport(p, "Trap screen", {"ABC1", "DEF2"}, when_));
        QVERIFY(p.Ended());
        QCOMPARE(p.LineTexts(), QStringList({"Trap screen", ShortDateTime(when_),
                                             " 2  unique hits found:", "ABC1", "DEF2"}));
        const QList<PrintedPiece>& pieces = p.Pieces();
        QCOMPARE(pieces[3].font, (PrintFont{"Times New Roman", 11, true, false}));
        QVERIFY(pieces[0].x > pieces[2].x);  // centred title, count from the left edge
    }
};

QTEST_GUILESS_MAIN(UniqueHitsTest)
#include "test_uniquehits.moc"
