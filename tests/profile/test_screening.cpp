// The screening rules without windows: the criteria checks, the profile
// table reading, the two tests and their combination, the report text and
// the printed report.

#include <QtTest>

#include "common/printer.h"
#include "common/textrules.h"
#include "profile/screening.h"

using namespace quill;

namespace {

QList<ProfileRow> Rows(std::initializer_list<std::tuple<const char*, double, double>> rows) {
    QList<ProfileRow> out;
    for (auto [name, tpm, est] : rows) out.append({QString::fromUtf8(name), tpm, est});
    return out;
}

// One body-site row as the browser serializes it.
QString Row(const QString& name, const QString& tpm, const QString& est) {
    return "<TR><TD style=\"CURSOR: help\">" + name + "</TD><TD><FONT class=text>" + tpm +
           "</FONT></TD><TD><FONT class=text>" + est + "</FONT></TD></TR>\n";
}
const QString kMouseEnd = "<P>Breakdown by Developmental Stage</P>";
const QString kHumanEnd = "<P>Breakdown by Health State</P>";
const QString kAfter = Row("adult", "7", "1 / 1000");

ScreeningResults SampleResults() {
    ScreeningResults r;
    r.SelectedTissues = {{"female genital", "testis"}, {"testis"}};
    r.txtAbundance1 = "29";
    r.txtTissue1 = "007";
    r.lstFound = QStringList{"Pax:6", "Pax:6"};
    r.lstNoData = QStringList{"Olfr1"};
    return r;
}

}  // namespace

Q_DECLARE_METATYPE(std::optional<QString>)

class ScreeningTest : public QObject {
    Q_OBJECT
  private slots:
    void tissueListsAndDefaults() {
        QCOMPARE(MouseTissues().size(), 34);
        QCOMPARE(HumanTissues().size(), 49);
        QCOMPARE(MouseTissues().at(12) + "|" + MouseTissues().at(29) + "|" + HumanTissues().at(27) +
                     "|" + HumanTissues().at(39),
                 "female genital|testis|ovary|testis");
        QVERIFY(!MouseTissues().contains("adrenal gland") &&
                HumanTissues().contains("adrenal gland"));
    }

    void okChecks_data() {
        QTest::addColumn<QString>("abundance");
        QTest::addColumn<QString>("tpm");
        QTest::addColumn<QString>("message");  // "" passes
        const QString valid = "Enter a valid number for EST expression abundance";
        const QString range = "Enter a number between 0 and 100 for EST expression abundance";
        const QString tpmValid = "Enter a valid number for specified tissue minimum";
        const QString tpmRange = "Enter a number greater than 0 for specified tissue minimum";
        QTest::newRow("defaults") << "50"
                                  << "100"
                                  << "";
        QTest::newRow("100 passes") << "100"
                                    << "0"
                                    << "";
        QTest::newRow("101") << "101"
                             << "100" << range;
        QTest::newRow("-5") << "-5"
                            << "100" << range;
        QTest::newRow("5.5") << "5.5"
                             << "100" << valid;
        QTest::newRow("blank before") << " 50"
                                      << "100" << valid;
        QTest::newRow("empty") << ""
                               << "100" << valid;
        QTest::newRow("007") << "007"
                             << "+"
                             << "";
        QTest::newRow("sign alone") << "-"
                                    << "-"
                                    << "";
        QTest::newRow("sign inside") << "5-"
                                     << "100" << valid;
        QTest::newRow("abundance hides tpm") << "x"
                                             << "y" << valid;
        QTest::newRow("tpm empty") << "50"
                                   << "" << tpmValid;
        QTest::newRow("tpm 32767") << "50"
                                   << "32767"
                                   << "";
        QTest::newRow("tpm 32768") << "50"
                                   << "32768" << tpmValid;
        QTest::newRow("tpm -32768") << "50"
                                    << "-32768" << tpmRange;
        QTest::newRow("tpm -1") << "50"
                                << "-1" << tpmRange;
        QTest::newRow("tpm long digits") << "50" << QString(300, '9') << tpmValid;
    }
    void okChecks() {
        QFETCH(QString, abundance);
        QFETCH(QString, tpm);
        QFETCH(QString, message);
        QCOMPARE(CriteriaProblem(abundance, tpm).value_or(QString()), message);
    }

    void abundanceTest_data() {
        QTest::addColumn<QList<ProfileRow>>("rows");
        QTest::addColumn<QStringList>("tissues");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<bool>("passes");
        const QList<ProfileRow> r34 = Rows({{"brain", 0, 4}, {"testis", 0, 3}});
        QTest::newRow("total 7, threshold 3") << r34 << QStringList{"testis"} << "50" << true;
        QTest::newRow("threshold 4 fails") << r34 << QStringList{"testis"} << "58" << false;
        QTest::newRow("29 % of 100 is 28")
            << Rows({{"brain", 0, 72}, {"testis", 0, 28}}) << QStringList{"testis"} << "29" << true;
        QTest::newRow("27 of 100 fails 29 %") << Rows({{"brain", 0, 73}, {"testis", 0, 27}})
                                              << QStringList{"testis"} << "29" << false;
        QTest::newRow("total 0: present tissue passes")
            << Rows({{"testis", 0, 0}}) << QStringList{"testis"} << "100" << true;
        QTest::newRow("total 0: absent tissue fails")
            << Rows({{"brain", 0, 0}}) << QStringList{"testis"} << "50" << false;
        // Running total 0.5 -> 0, 0.5 -> 0, 1: total 1, so 1 EST reaches
        // 100 %; a total rounded once (or halves up) would not.
        QTest::newRow("rounded after each addition")
            << Rows({{"a", 0, 0.5}, {"b", 0, 0.5}, {"testis", 0, 1}}) << QStringList{"testis"}
            << "100" << true;
        QTest::newRow("case matters")
            << Rows({{"Testis", 0, 9}}) << QStringList{"testis"} << "0" << false;
        QTest::newRow("second selected tissue") << Rows({{"brain", 0, 5}, {"testis", 0, 5}})
                                                << QStringList{"eye", "brain"} << "50" << true;
    }
    void abundanceTest() {
        QFETCH(QList<ProfileRow>, rows);
        QFETCH(QStringList, tissues);
        QFETCH(QString, percent);
        QFETCH(bool, passes);
        QCOMPARE(PassesAbundanceTest(rows, tissues, percent), passes);
    }

    void tpmTest_data() {
        QTest::addColumn<QList<ProfileRow>>("rows");
        QTest::addColumn<QString>("minimum");
        QTest::addColumn<bool>("passes");
        const QStringList both{"female genital", "testis"};
        QTest::newRow("60 + 50 > 100")
            << Rows({{"female genital", 60, 0}, {"testis", 50, 0}}) << "100" << true;
        QTest::newRow("sum equal fails")
            << Rows({{"female genital", 60, 0}, {"testis", 40, 0}}) << "100" << false;
        QTest::newRow("other tissues do not count")
            << Rows({{"brain", 900, 0}, {"testis", 50, 0}}) << "100" << false;
        QTest::newRow("rounded after each addition: 0.5 + 0.5")
            << Rows({{"female genital", 0.5, 0}, {"testis", 0.5, 0}}) << "0" << false;
        QTest::newRow("minimum rounded half to even")
            << Rows({{"testis", 101, 0}}) << "100.5" << true;
        QTest::newRow("2.5 rounds to 2, not above 2")
            << Rows({{"female genital", 2.5, 0}, {"testis", 0, 0}}) << "2" << false;
        QTest::newRow("nothing selected present") << Rows({{"eye", 5, 0}}) << "0" << false;
    }
    void tpmTest() {
        QFETCH(QList<ProfileRow>, rows);
        QFETCH(QString, minimum);
        QFETCH(bool, passes);
        QCOMPARE(PassesTpmTest(rows, {"female genital", "testis"}, minimum), passes);
    }

    void ruleTable_data() {
        QTest::addColumn<bool>("abundance");
        QTest::addColumn<bool>("tpm");
        QTest::addColumn<bool>("human");
        QTest::addColumn<int>("outcome");
        // testis holds all ESTs (abundance passes) with TPM 50 (TPM fails).
        QTest::newRow("abundance only") << true << false << false << int(kMatched);
        QTest::newRow("tpm only") << false << true << false << int(kNotMatched);
        QTest::newRow("both: one fails") << true << true << false << int(kNotMatched);
        QTest::newRow("neither") << false << false << false << int(kNotTested);
        // The human selection has no testis.
        QTest::newRow("human selection used") << true << false << true << int(kNotMatched);
    }
    void ruleTable() {
        QFETCH(bool, abundance);
        QFETCH(bool, tpm);
        QFETCH(bool, human);
        QFETCH(int, outcome);
        Profile p{human ? ProfileSpecies::Human : ProfileSpecies::Mouse,
                  Rows({{"brain", 500, 0}, {"testis", 50, 9}})};
        ScreeningCriteria c;
        c.chkAbundance = abundance;
        c.chkTissue = tpm;
        QCOMPARE(int(ApplyScreeningRule(p, {{"testis"}, {"ovary"}}, c)), outcome);
        c.txtTissue = "10";
        if (abundance && tpm) QCOMPARE(int(ApplyScreeningRule(p, {{"testis"}, {}}, c)), kMatched);
    }

    void readProfile_data() {
        QTest::addColumn<QString>("markup");
        QTest::addColumn<int>("rows");  // -1: no table
        QTest::addColumn<bool>("human");
        const QString two = Row("brain", "123", "12 / 3456") + Row("testis", "", "3 / 9876");
        QTest::newRow("mouse table") << two + kMouseEnd + kAfter << 2 << false;
        QTest::newRow("adrenal gland anywhere: human end marker")
            << "<P>adrenal gland</P>" + two + kMouseEnd + kAfter + kHumanEnd + kAfter << 3 << true;
        QTest::newRow("no end marker: first row only") << two + kAfter << 1 << false;
        QTest::newRow("nothing after the last row") << two + kMouseEnd << -1 << false;
        QTest::newRow("no CURSOR: help") << "<P>No data</P>" << -1 << false;
        QTest::newRow("no > after the marker") << "<TD style=\"CURSOR: help" << -1 << false;
        QTest::newRow("no < after the name") << "<TD style=\"CURSOR: help\">brain" << -1 << false;
        QTest::newRow("no FONT cell") << "<TD style=\"CURSOR: help\">brain</TD>" << -1 << false;
        QTest::newRow("count cell not closed")
            << "<TD style=\"CURSOR: help\">brain</TD><FONT class=text>1</FONT>"
               "<FONT class=text>2"
            << -1 << false;
        QString many;
        for (int i = 0; i < 120; ++i) many += Row("site" + QString::number(i), "1", "1");
        QTest::newRow("more than 100 rows: 100 kept") << many + kMouseEnd + kAfter << 100 << false;
    }
    void readProfile() {
        QFETCH(QString, markup);
        QFETCH(int, rows);
        QFETCH(bool, human);
        const std::optional<Profile> p = ReadProfile(markup);
        QCOMPARE(p ? int(p->rows.size()) : -1, rows);
        if (!p) return;
        QCOMPARE(p->species == ProfileSpecies::Human, human);
        if (rows == 2) {
            QCOMPARE(p->rows[0].TissueName, "brain");
            QCOMPARE(p->rows[0].Tpm, 123.0);
            QCOMPARE(p->rows[0].EstCount, 12.0);
            QCOMPARE(p->rows[1].Tpm, 0.0);  // empty cell
            QCOMPARE(p->rows[1].EstCount, 3.0);
        }
    }

    void reportText() {
        const QDateTime when(QDate(2026, 3, 7), QTime(14, 5, 9));
        const QString crlf = "\r\n";
        const QString head = "Expression Profile Results for " + ShortDateTime(when) + crlf + crlf +
                             "Localized expression in: female genital, testis (mouse); testis "
                             "(human)" +
                             crlf;
        const QString lists = crlf + "Genes matched:" + crlf + "\tPax:6" + crlf + "\tPax:6" + crlf +
                              crlf + "Genes not matched:" + crlf + crlf +
                              "No expression data found:" + crlf + "\tOlfr1" + crlf;
        const QString abundance =
            "EST expression in at least one of the tissues is greater than 29%" + crlf;
        const QString tpm = "At least one tissue's TPM must be greater than 007" + crlf;
        ScreeningCriteria c;
        QCOMPARE(BuildScreeningReport(SampleResults(), c, when), head + abundance + tpm + lists);
        c.chkTissue = false;
        QCOMPARE(BuildScreeningReport(SampleResults(), c, when), head + abundance + lists);
        c.chkAbundance = false;
        c.chkTissue = true;
        QCOMPARE(BuildScreeningReport(SampleResults(), c, when), head + tpm + lists);
        c.chkTissue = false;
        ScreeningResults empty = SampleResults();
        empty.lstNoData.clear();
        QVERIFY(BuildScreeningReport(empty, c, when)
                    .endsWith(")" + crlf + crlf + "Genes matched:" + crlf + "\tPax:6" + crlf +
                              "\tPax:6" + crlf + crlf + "Genes not matched:" + crlf + crlf +
                              "No expression data found:" + crlf));
    }

    void printedReport() {
        const QDateTime when(QDate(2026, 3, 7), QTime(14, 5, 9));
        RecordingPrinter p;
        ScreeningCriteria c;
        c.chkAbundance = false;
        QVERIFY(PrintScreeningReport(p, "Screen 1", SampleResults(), c, when));
        QCOMPARE(p.LineTexts(),
                 QStringList({"Screen 1", "Expression Profile Results for " + ShortDateTime(when),
                              "Localized expression in: female genital, testis (mouse); testis "
                              "(human)",
                              "At least one tissue's TPM must be greater than 007",
                              "Genes matched:", "Pax:6", "Pax:6",
                              "Genes not matched:", "No expression data found:", "Olfr1"}));
        const QList<PrintedPiece>& pc = p.Pieces();
        const PrintFont b13{"Times New Roman", 13, true, false};
        const PrintFont b11{"Times New Roman", 11, true, false};
        const PrintFont n11{"Times New Roman", 11, false, false};
        for (int i : {0, 1, 2, 3}) QCOMPARE(pc[i].font, b13);
        QCOMPARE(pc[0].y, 720.0);
        QVERIFY(pc[0].x > pc[2].x);  // centred title, tissue line from the left edge
        QCOMPARE(pc[2].x, 0.0);
        QCOMPARE(pc[4].font, b11);
        QCOMPARE(pc[4].x, 0.0);
        QCOMPARE(pc[5].font, n11);
        QCOMPARE(pc[5].x, 9 * 5.5 * 10800 / 576);  // print column 10
        QCOMPARE(pc[7].font, b11);
        QVERIFY(p.Ended());
    }
};

QTEST_GUILESS_MAIN(ScreeningTest)
#include "test_screening.moc"
