// The unique hit finder's rules: keys, first appearance, the report text, the
// saved lines and the printed report.

#include <QtTest>

#include "common/printer.h"
#include "common/textrules.h"
#include "igtc/igtcreport.h"
#include "unique/uniquehits.h"

using namespace quill;

class UniqueHitsTest : public QObject {
    Q_OBJECT
    const QDateTime when_{QDate(2026, 3, 7), QTime(14, 5, 9)};

  private slots:
    void keys_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<int>("failedAt");
        QTest::newRow("first appearance wins")
            << QStringList{"ABC1 | x MM#1", "ABC1 | y MM#2", "DEF2"} << QStringList{"ABC1", "DEF2"}
            << -1;
        QTest::newRow("letter case matters")
            << QStringList{"abc1", "ABC1 | z", "abc1 | q"} << QStringList{"abc1", "ABC1"} << -1;
        QTest::newRow("trailing blanks go, leading stay")
            << QStringList{"ABC1", "ABC1   ", " ABC1", "ABC1  | 3", "ABC1\t"}
            << QStringList{"ABC1", " ABC1", "ABC1\t"} << -1;
        QTest::newRow("the character before the bar is dropped")
            << QStringList{"Abc1x|y", "A | b | c"} << QStringList{"Abc1", "A"} << -1;
        QTest::newRow("bar as second character: empty key")
            << QStringList{"A|x", "B", " |y"} << QStringList{"", "B"} << -1;
        QTest::newRow("empty list") << QStringList{} << QStringList{} << -1;
        QTest::newRow("bar first: stops, keeps the keys before")
            << QStringList{"A | 1", "B", "A", "|x", "C"} << QStringList{"A", "B"} << 3;
    }
    void keys() {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, keys);
        QFETCH(int, failedAt);
        const UniqueHits hits = FindUniqueHits(entries);
        QCOMPARE(hits.keys, keys);
        QCOMPARE(hits.failedAt, failedAt);
        QCOMPARE(hits.ok(), failedAt < 0);
    }

    void reportAndSavedLines() {
        const QString stamp = ShortDateTime(when_);
        const QString report = UniqueReportText({"ABC1", " DEF2", ""}, when_);
        QCOMPARE(
            report.toUtf8(),
            (stamp + "\r\n3 unique hits found\r\n\r\nHits:\r\nABC1\r\n DEF2\r\n\r\n").toUtf8());
        QCOMPARE(UniqueSaveItems(report),
                 QStringList({stamp, "3 unique hits found", "Hits:", "ABC1", "DEF2"}));
        QCOMPARE(UniqueReportText({}, when_).toUtf8(),
                 (stamp + "\r\n0 unique hits found\r\n\r\nHits:\r\n").toUtf8());
        // An edited box whose text does not end with a line end: the last
        // piece is not written.
        QCOMPARE(UniqueSaveItems("  a  \r\nb"), QStringList({"a"}));
    }

    void printedReport_data() {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("two keys") << QStringList{"ABC1", "DEF2"}
                                  << QStringList{"Trap screen", ShortDateTime(when_),
                                                 " 2  unique hits found:", "ABC1", "DEF2"};
        QTest::newRow("none") << QStringList{}
                              << QStringList{"Trap screen", ShortDateTime(when_),
                                             " 0  unique hits found:"};
    }
    void printedReport() {
        QFETCH(QStringList, keys);
        QFETCH(QStringList, lines);
        RecordingPrinter p;
        QVERIFY(PrintUniqueReport(p, "Trap screen", keys, when_));
        QVERIFY(p.Ended());
        QCOMPARE(p.LineTexts(), lines);
        QCOMPARE(p.LineCount(), 4 + keys.size());
        const QList<PrintedPiece>& pieces = p.Pieces();
        const PrintFont title{"Times New Roman", 13, true, false};
        QCOMPARE(pieces[0].font, title);
        QCOMPARE(pieces[1].font, title);
        QCOMPARE(pieces[0].y, 720.0);
        // Centred between -720 and 10080.
        RecordingPrinter title13;
        title13.SetScale(10800, 15840, -720);
        title13.SetFontSize(13);
        QCOMPARE(pieces[0].x + title13.TextWidth("Trap screen") / 2, 4680.0);
        QCOMPARE(pieces[3].font, (PrintFont{"Times New Roman", 11, true, false}));
        QCOMPARE(pieces[2].x, 0.0);
        if (keys.isEmpty()) return;
        QCOMPARE(pieces[4].font, (PrintFont{"Times New Roman", 11, false, false}));
        // The names sit where the IGTC report puts its names.
        RecordingPrinter igtc;
        PrintIgtcReport(igtc, "t", "100", {"X"}, when_);
        QCOMPARE(pieces[4].x, igtc.Pieces().last().x);
        QCOMPARE(pieces[5].x, pieces[4].x);
    }
};

QTEST_GUILESS_MAIN(UniqueHitsTest)
#include "test_uniquehits.moc"
