// The screening rules without windows: the criteria checks, the profile
// table reading, the two tests and their combination, the report text and
// the printed report.

#include <QtTest>

#include "printing/printer.h"
#include "profile/screening.h"
#include "text/textrules.h"

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

class ScreeningTest : public QObject {
    Q_OBJECT
  private slots:
    void okChecks() {
        const QString valid = "Enter a valid number for EST expression abundance";
        const QString range = "Enter a number between 0 and 100 for EST expression abundance";
        const QString tpmValid = "Enter a valid number for specified tissue minimum";
        const QString tpmRange = "Enter a number greater than 0 for specified tissue minimum";
        const struct {
            QString abundance, tpm, message;  // "" passes
        } rows[] = {
            {"100", "0", ""},       {"101", "100", range}, {"-5", "100", range},
            {"5.5", "100", valid},  {" 50", "100", valid}, {"", "100", valid},
            {"007", "+", ""},       {"-", "-", ""},        {"x", "y", valid},
            {"50", "", tpmValid},   {"50", "32767", ""},   {"50", "32768", tpmValid},
            {"50", "-1", tpmRange},
        };
        for (const auto& r : rows)
            QCOMPARE(r.abundance + "/" + r.tpm + ": " +
                         CriteriaProblem(r.abundance, r.tpm).value_or(QString()),
                     r.abundance + "/" + r.tpm + ": " + r.message);
    }

    void abundanceAndTpmTests() {
        const QStringList testis{"testis"};
        // Threshold floor(58 % of 7) = 4; floor(29 % of 100) = 28.
        QVERIFY(!PassesAbundanceTest(Rows({{"brain", 0, 4}, {"testis", 0, 3}}), testis, "58"));
        QVERIFY(PassesAbundanceTest(Rows({{"brain", 0, 72}, {"testis", 0, 28}}), testis, "29"));
        QVERIFY(PassesAbundanceTest(Rows({{"testis", 0, 0}}), testis, "100"));
        QVERIFY(!PassesAbundanceTest(Rows({{"brain", 0, 0}}), testis, "50"));
        QVERIFY(!PassesAbundanceTest(Rows({{"Testis", 0, 9}}), testis, "0"));
        QVERIFY(
            PassesAbundanceTest(Rows({{"brain", 0, 5}, {"testis", 0, 5}}), {"eye", "brain"}, "50"));
        // Running total 0.5 -> 0, 0.5 -> 0, 1: total 1, so 1 EST reaches
        // 100 %; a total rounded once (or halves up) would not.
        QVERIFY(PassesAbundanceTest(Rows({{"a", 0, 0.5}, {"b", 0, 0.5}, {"testis", 0, 1}}), testis,
                                    "100"));

        const QStringList both{"female genital", "testis"};
        QVERIFY(PassesTpmTest(Rows({{"female genital", 60, 0}, {"testis", 50, 0}}), both, "100"));
        QVERIFY(!PassesTpmTest(Rows({{"female genital", 60, 0}, {"testis", 40, 0}}), both, "100"));
        QVERIFY(!PassesTpmTest(Rows({{"brain", 900, 0}, {"testis", 50, 0}}), both, "100"));
        QVERIFY(!PassesTpmTest(Rows({{"female genital", 0.5, 0}, {"testis", 0.5, 0}}), both, "0"));
        QVERIFY(PassesTpmTest(Rows({{"testis", 101, 0}}), both, "100.5"));
        QVERIFY(!PassesTpmTest(Rows({{"female genital", 2.5, 0}, {"testis", 0, 0}}), both, "2"));
    }

    void ruleTable() {
        // testis holds all ESTs (abundance passes) with TPM 50 (TPM fails);
        // the human selection has no testis.
        const struct {
            bool abundance, tpm, human;
            ScreenOutcome outcome;
        } rows[] = {
            {true, false, false, kMatched},   {false, true, false, kNotMatched},
            {true, true, false, kNotMatched}, {false, false, false, kNotTested},
            {true, false, true, kNotMatched},
        };
        for (const auto& r : rows) {
            const Profile p{r.human ? ProfileSpecies::Human : ProfileSpecies::Mouse,
                            Rows({{"brain", 500, 0}, {"testis", 50, 9}})};
            ScreeningCriteria c;
            c.chkAbundance = r.abundance;
            c.chkTissue = r.tpm;
            QCOMPARE(ApplyScreeningRule(p, {{"testis"}, {"ovary"}}, c), r.outcome);
        }
    }

    void readProfile() {
        const QString two = Row("brain", "123", "12 / 3456") + Row("testis", "", "3 / 9876");
        QString many;
        for (int i = 0; i < 120; ++i) many += Row("site" + QString::number(i), "1", "1");
        const struct {
            QString markup;
            int rows;  // -1: no table
            bool human;
        } cases[] = {
            {two + kMouseEnd + kAfter, 2, false},
            {"<P>adrenal gland</P>" + two + kMouseEnd + kAfter + kHumanEnd + kAfter, 3, true},
            {two + kAfter, 1, false},  // no end marker: first row only
            {two + kMouseEnd, -1, false},
            {"<TD style=\"CURSOR: help", -1, false},
            {"<TD style=\"CURSOR: help\">brain</TD><FONT class=text>1</FONT><FONT class=text>2", -1,
             false},
            {many + kMouseEnd + kAfter, 100, false},
        };
        for (const auto& c : cases) {
            const std::optional<Profile> p = ReadProfile(c.markup);
            QCOMPARE(p ? int(p->rows.size()) : -1, c.rows);
            if (p) QCOMPARE(p->species == ProfileSpecies::Human, c.human);
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
        QVERIFY(p.Ended());
    }

    // A canceled run's report and printout say how far it came, below the
    // heading.
    void canceledRun() {
        const QDateTime when(QDate(2026, 3, 7), QTime(14, 5, 9));
        const QString heading = "Expression Profile Results for " + ShortDateTime(when);
        const QString line = "Cancelled after 477 of 2,010 terms";
        ScreeningResults r = SampleResults();
        r.cancelledAfter = 477;
        r.termCount = 2010;
        QVERIFY(BuildScreeningReport(r, {}, when)
                    .startsWith(heading + "\r\n" + line + "\r\n\r\nLocalized expression in: "));
        RecordingPrinter p;
        QVERIFY(PrintScreeningReport(p, "Screen 1", r, {}, when));
        QCOMPARE(p.LineTexts().mid(0, 4),
                 QStringList({"Screen 1", heading, line,
                              "Localized expression in: female genital, testis (mouse); testis "
                              "(human)"}));
    }

    // Terms the server refused are listed last, on screen and on paper.
    void refusedTermsListedLast() {
        const QDateTime when(QDate(2026, 3, 7), QTime(14, 5, 9));
        ScreeningResults r = SampleResults();
        r.lstNcbiError << "Sox2 (404 Not Found): http://x/a";
        QVERIFY(BuildScreeningReport(r, ScreeningCriteria(), when)
                    .endsWith("No expression data found:\r\n\tOlfr1\r\n\r\n"
                              "Could not be looked up (NCBI error):\r\n"
                              "\tSox2 (404 Not Found): http://x/a\r\n"));
        RecordingPrinter p;
        QVERIFY(PrintScreeningReport(p, "Screen 1", r, ScreeningCriteria(), when));
        QCOMPARE(p.LineTexts().mid(p.LineTexts().size() - 3),
                 QStringList({"Olfr1", "Could not be looked up (NCBI error):",
                              "Sox2 (404 Not Found): http://x/a"}));
    }
};

QTEST_GUILESS_MAIN(ScreeningTest)
#include "test_screening.moc"
