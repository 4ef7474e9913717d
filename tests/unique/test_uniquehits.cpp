// The unique hit finder's rules: keys, first appearance, the report text, the
// saved lines and the printed report.

#include <QtTest>

#include "common/printer.h"
#include "common/textrules.h"
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
        QTest::newRow("first appearance wins, case matters")
            << QStringList{"ABC1 | x MM#1", "abc1", "ABC1 | y MM#2", "DEF2"}
            << QStringList{"ABC1", "abc1", "DEF2"} << -1;
        QTest::newRow("trailing blanks go, leading stay")
            << QStringList{"ABC1", "ABC1   ", " ABC1", "ABC1  | 3", "ABC1\t"}
            << QStringList{"ABC1", " ABC1", "ABC1\t"} << -1;
        QTest::newRow("the character before the bar is dropped")
            << QStringList{"Abc1x|y", "A | b | c", "B|x", " |y"} << QStringList{"Abc1", "A", ""}
            << -1;
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
