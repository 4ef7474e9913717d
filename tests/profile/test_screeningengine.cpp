// The screening run on the fake page map: the addresses it asks for, the
// first cluster link, progress, cancel, result order and the criteria
// read per term; and the run on expression tables: the table that decides
// a term's species, the reasons for no data, the refusals.

#include <QtTest>

#include "profile/expressiontable.h"
#include "profile/screeningengine.h"
#include "support/fakepageloader.h"
#include "text/textrules.h"

using namespace quill;

namespace {

const QString kBase = "http://ncbi.test";
const QString kSearch = kBase + "/entrez/query.fcgi?orig_db=UniGene&cmd=search&term=";
const QString kProfile = kBase + "/UniGene/ESTProfileViewer.cgi?uglist=";

QString SearchPage(const QStringList& clusters) {
    QString links;
    for (const QString& c : clusters)
        links += "<A href=\"" + kBase + "/UniGene/clust.cgi?ORG=Mm&amp;CID=" + c.mid(3) + "\">" +
                 c + "</A>\n";
    return "<BODY>" + links + "</BODY>";
}

QString Row(const QString& name, const QString& tpm, int est) {
    return "<TR><TD style=\"CURSOR: help\">" + name + "</TD><TD><FONT class=text>" + tpm +
           "</FONT></TD><TD><FONT class=text>" + QString::number(est) + " / 9999</FONT></TD></TR>";
}

// A mouse profile: testis holds `testis` of 10 ESTs with TPM 150.
QString ProfilePage(int testis) {
    return "<TABLE>" + Row("brain", "5", 10 - testis) + Row("testis", "150", testis) +
           "</TABLE><P>Breakdown by Developmental Stage</P>" + Row("adult", "1", 1);
}

struct View : ScreeningView {
    QStringList log;  // "enter", "status:...", "+n", "canceled", "complete"
    QString report;
    int bar = 0;
    void EnterRunning() override { log << "enter"; }
    void SetStatusLine(const QString& t) override { log << "status:" + t; }
    void AddProgress(int n) override {
        log << "+" + QString::number(n);
        bar += n;
    }
    void EndCanceled() override { log << "canceled"; }
    void EndComplete(const QString& r) override {
        log << "complete";
        report = r;
    }
    QStringList Progress() const { return log.filter(QRegularExpression("^\\+")); }
};

std::shared_ptr<const ExpressionTable> Table(const QString& name, const QByteArray& text) {
    ExpressionTableResult read = ParseExpressionTable(name, text);
    return read.ok ? std::make_shared<const ExpressionTable>(std::move(read.table)) : nullptr;
}

// "Both" is in either table, with its values in the other species' tissues
// in the human one; "Twice" is on two mouse rows and one human row.
const QByteArray kMouseTable =
    "Gene ID\tGene Name\tbrain\ttestis\n"
    "ENSMUSG01\tBoth\t10\t200\n"
    "ENSMUSG02\tMouseOnly\t200\t10\n"
    "ENSMUSG03\tTwice\t0\t300\n"
    "ENSMUSG04\tTwice\t0\t300\n";
const QByteArray kHumanTable =
    "Gene ID\tGene Name\tovary\tliver\n"
    "ENSG01\tBoth\t0\t200\n"
    "ENSG02\tHumanOnly\t200\t10\n"
    "ENSG03\tTwice\t300\t0\n";

struct Rig {
    Module1 module;
    Settings settings;
    test::FakePageLoader loader{module};
    FixedCriteria criteria;
    View view;
    ScreeningEngine engine{module, settings, loader, criteria, view};
    Rig() {
        settings.NcbiServerBase = kBase;
        criteria.tissues = {{"testis"}, {"testis"}};
        loader.SetPage(kSearch + "Pax6", SearchPage({"Mm.1", "Mm.2"}));
        loader.SetPage(kProfile + "Mm.1", ProfilePage(6));
        loader.SetPage(kSearch + "Sox2", SearchPage({"Mm.3"}));
        loader.SetPage(kProfile + "Mm.3", ProfilePage(2));
        loader.SetPage(kSearch + "Olfr1", SearchPage({"Mm.4"}));
        loader.SetPage(kProfile + "Mm.4", "<P>No EST profile data.</P>");
    }
};

}  // namespace

class ScreeningEngineTest : public QObject {
    Q_OBJECT
  private slots:
    void runSortsTermsInOrderWithDuplicates() {
        Rig r;
        r.module.CancelSearch = true;  // left raised elsewhere: the run clears it
        QCOMPARE(r.engine.Run({"Pax6", "Sox2", "Olfr1", "Nothing", "Pax:6", "Pax6"}),
                 ScreeningEngine::RunEnd::Complete);
        QCOMPARE(r.engine.Results().lstFound, (QStringList{"Pax6", "Pax:6", "Pax6"}));
        QCOMPARE(r.engine.Results().lstNotFound, QStringList{"Sox2"});
        QCOMPARE(r.engine.Results().lstNoData, (QStringList{"Olfr1", "Nothing"}));
        // Colons removed; only the first cluster link followed.
        QCOMPARE(r.loader.Asked().mid(0, 2), (QStringList{kSearch + "Pax6", kProfile + "Mm.1"}));
        QCOMPARE(r.loader.LoadCount(), 11);
        QVERIFY(r.view.log.contains("status:4/6 complete.  Current search term: Pax:6"));
        QCOMPARE(r.view.log.last(), "complete");
        QCOMPARE(r.view.report, r.engine.BuildReport());
        // Progress in thirds of 1000 / 6: a screened term adds 55 three
        // times, a term without a table twice, one without a cluster once.
        QCOMPARE(r.view.Progress(), QStringList(15, "+55"));
    }

    // A cluster link cut short, and a term with blanks in the address.
    void noDataTerms() {
        Rig r;
        const QString marker = "<A href=\"" + kBase + "/UniGene/clust.cgi?ORG=Mm&amp;CID=1\"";
        r.loader.SetPage(kSearch + "NoTagEnd", "<BODY>" + marker);
        r.loader.SetPage(kSearch + "NoTextEnd", "<BODY>" + marker + ">Mm.1");
        r.engine.Run({"NoTagEnd", "NoTextEnd", "Abc 1"});
        QCOMPARE(r.engine.Results().lstNoData, (QStringList{"NoTagEnd", "NoTextEnd", "Abc 1"}));
        QCOMPARE(r.loader.Asked().last(), kSearch + "Abc%201");
        QCOMPARE(r.loader.LoadCount(), 3);
    }

    void cancelDuringEitherWait() {
        for (int at : {1, 2, 4}) {
            Rig r;
            r.loader.CancelAtLoad(at);
            QCOMPARE(r.engine.Run({"Pax6", "Sox2"}), ScreeningEngine::RunEnd::Canceled);
            QVERIFY(!r.module.CancelSearch);
            QCOMPARE(r.view.log.last(), "canceled");
            // Canceled during the profile wait: one increment from the search page.
            QCOMPARE(r.view.Progress().size(), at == 1 ? 0 : at == 2 ? 1 : 4);
            QCOMPARE(r.engine.Results().lstFound, at == 4 ? QStringList{"Pax6"} : QStringList{});
            QVERIFY(r.engine.Results().txtAbundance1.isEmpty());
            // Its report says how far it came; the next complete run's does not.
            QVERIFY(r.engine.BuildReport().contains(
                QString("\r\nCancelled after %1 of 2 terms\r\n").arg(at == 4 ? 1 : 0)));
            r.loader.CancelAtLoad(0);
            r.engine.Run({"Sox2"});
            QVERIFY(!r.view.report.contains("Cancelled"));
        }
    }

    // Past 1000 terms a term's share of the bar is 0; the bar still moves
    // with the terms and ends full.
    void barMovesPastAThousandTerms() {
        Rig r;
        int atHalf = -1;
        r.loader.OnLoad([&r, &atHalf](int n, const QString&) {
            if (n == 1006) atHalf = r.view.bar;  // 1005 terms screened
        });
        QCOMPARE(r.engine.Run(QStringList(2010, "t")), ScreeningEngine::RunEnd::Complete);
        QCOMPARE(atHalf, 500);
        QCOMPARE(r.view.bar, 1000);
    }

    // A threshold that the criteria window's OK refuses refuses the run.
    void refusesThresholdsOkRefuses() {
        Rig r;
        r.criteria.criteria.txtAbundance = "5O";
        QCOMPARE(r.engine.Run({"Hoxa9"}), ScreeningEngine::RunEnd::BadCriteria);
        QCOMPARE(r.loader.LoadCount(), 0);
        QVERIFY(r.view.log.isEmpty());
    }

    // A page the server refused files the term apart, never as no data.
    void refusedPagesListTheTermApart() {
        Rig r;
        r.loader.SetServerError(kSearch + "Sox2", "404 Not Found");
        r.loader.SetServerError(kProfile + "Mm.1", "page larger than 16 MB");
        QCOMPARE(r.engine.Run({"Pax6", "Sox2", "Olfr1"}), ScreeningEngine::RunEnd::Complete);
        const QStringList refused{"Pax6 (page larger than 16 MB): " + kProfile + "Mm.1",
                                  "Sox2 (404 Not Found): " + kSearch + "Sox2"};
        QCOMPARE(r.engine.Results().lstNcbiError, refused);
        QCOMPARE(r.engine.Results().lstNoData, QStringList{"Olfr1"});
        QVERIFY(r.engine.Results().lstFound.isEmpty() && r.engine.Results().lstNotFound.isEmpty());
        QVERIFY(
            r.view.report.endsWith("No expression data found:\r\n\tOlfr1\r\n\r\n"
                                   "Could not be looked up (NCBI error):\r\n\t" +
                                   refused.join("\r\n\t") + "\r\n"));
    }

    void criteriaReadPerTermAndAtCompletion() {
        Rig r;
        // After the first term, the TPM minimum rises above 150.
        r.loader.OnLoad([&r](int n, const QString&) {
            if (n != 3) return;
            r.criteria.criteria.txtTissue = "150";
            r.criteria.tissues = {{"brain"}, {"brain"}};  // selections: next run only
        });
        r.engine.Run({"Pax6", "Pax6"});
        QCOMPARE(r.engine.Results().lstFound, QStringList{"Pax6"});
        QCOMPARE(r.engine.Results().lstNotFound, QStringList{"Pax6"});
        QCOMPARE(r.engine.Results().txtTissue1, "150");
        QVERIFY(r.view.report.contains("greater than 150\r\n"));
        QVERIFY(r.view.report.contains("in: testis (mouse); testis (human)\r\n"));
    }

    // On tables, the first table that holds a term (mouse, then human)
    // decides its species and so its tissues (mouse testis, human ovary);
    // a symbol on several of its rows has no data there, whatever the
    // other table holds.
    void tablesDecideTheSpecies_data() {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("tables");  // "mouse", "human" or both
        QTest::addColumn<QString>("outcome");
        QTest::newRow("in both: mouse") << "Both"
                                        << "mouse human"
                                        << "matched";
        QTest::newRow("human only table") << "Both"
                                          << "human"
                                          << "not matched";
        QTest::newRow("only in human") << "HumanOnly"
                                       << "mouse human"
                                       << "matched";
        QTest::newRow("mouse tissues") << "MouseOnly"
                                       << "mouse human"
                                       << "not matched";
        QTest::newRow("by Ensembl id") << "ENSG02.7"
                                       << "mouse human"
                                       << "matched";
        QTest::newRow("ambiguous in mouse")
            << "Twice"
            << "mouse human"
            << "no data: Twice: ambiguous symbol (2 rows) in mouse.tsv";
        QTest::newRow("unique in human") << "Twice"
                                         << "human"
                                         << "matched";
        QTest::newRow("in no table") << "Pax6"
                                     << "mouse human"
                                     << "no data: Pax6";
        QTest::newRow("letter case") << "both"
                                     << "mouse human"
                                     << "no data: both";
    }
    void tablesDecideTheSpecies() {
        QFETCH(QString, term);
        QFETCH(QString, tables);
        QFETCH(QString, outcome);
        Rig r;
        r.criteria.tissues = {{"testis"}, {"ovary"}};
        if (tables.contains("mouse")) r.criteria.tables.mouse = Table("mouse.tsv", kMouseTable);
        if (tables.contains("human")) r.criteria.tables.human = Table("human.tsv", kHumanTable);
        QCOMPARE(r.engine.Run({term}), ScreeningEngine::RunEnd::Complete);
        const ScreeningResults& res = r.engine.Results();
        const QString got = !res.lstFound.isEmpty()      ? "matched"
                            : !res.lstNotFound.isEmpty() ? "not matched"
                                                         : "no data: " + res.lstNoData.join('|');
        QCOMPARE(got, outcome);
        QCOMPARE(r.loader.LoadCount(), 0);  // no page asked for
    }

    // The report names each table the run took, above the tissue line.
    void reportNamesTheTables() {
        Rig r;
        r.criteria.tissues = {{"testis"}, {"ovary"}};
        r.criteria.tables = {Table("mouse.tsv", kMouseTable), Table("human.tsv", kHumanTable)};
        r.engine.Run({"Both", "Twice"});
        QVERIFY2(r.view.report.contains(
                     "\r\n\r\nExpression table (mouse): mouse.tsv, 4 genes, 2 tissues\r\n"
                     "Expression table (human): human.tsv, 3 genes, 2 tissues\r\n"
                     "Localized expression in: testis (mouse); ovary (human)\r\n"),
                 qPrintable(r.view.report));
        QVERIFY(
            r.view.report.contains("No expression data found:\r\n"
                                   "\tTwice: ambiguous symbol (2 rows) in mouse.tsv\r\n"));
        // A run on the archive again names none.
        r.criteria.tables = {};
        r.engine.Run({"Pax6"});
        QVERIFY(!r.view.report.contains("Expression table"));
    }

    // Without tables the archive needs a server of its own (NCBI's site has
    // no profile pages); on tables only a species with a table needs a
    // tissue.
    void runRefusals_data() {
        QTest::addColumn<QString>("server");  // "" NCBI's own address
        QTest::addColumn<QString>("tables");
        QTest::addColumn<QString>("mouseTissues");
        QTest::addColumn<QString>("humanTissues");
        QTest::addColumn<int>("end");
        const int complete = int(ScreeningEngine::RunEnd::Complete);
        const int noProfiles = int(ScreeningEngine::RunEnd::NoProfiles);
        const int noTissues = int(ScreeningEngine::RunEnd::NoTissues);
        QTest::newRow("no server, no table") << ""
                                             << ""
                                             << "testis"
                                             << "testis" << noProfiles;
        QTest::newRow("NCBI with a slash") << "https://www.ncbi.nlm.nih.gov/"
                                           << ""
                                           << "testis"
                                           << "testis" << noProfiles;
        QTest::newRow("no server, a table") << ""
                                            << "human"
                                            << "testis"
                                            << "ovary" << complete;
        QTest::newRow("server, no table") << kBase << ""
                                          << "testis"
                                          << "testis" << complete;
        QTest::newRow("archive: both species") << kBase << ""
                                               << "testis"
                                               << "" << noTissues;
        QTest::newRow("table species") << ""
                                       << "human"
                                       << "testis"
                                       << "" << noTissues;
        QTest::newRow("species without table") << ""
                                               << "human"
                                               << ""
                                               << "ovary" << complete;
    }
    void runRefusals() {
        QFETCH(QString, server);
        QFETCH(QString, tables);
        QFETCH(QString, mouseTissues);
        QFETCH(QString, humanTissues);
        QFETCH(int, end);
        Rig r;
        r.settings.NcbiServerBase = server.isEmpty() ? Settings().NcbiServerBase : server;
        if (tables == "human") r.criteria.tables.human = Table("human.tsv", kHumanTable);
        r.criteria.tissues = {mouseTissues.split(',', Qt::SkipEmptyParts),
                              humanTissues.split(',', Qt::SkipEmptyParts)};
        QCOMPARE(int(r.engine.Run({"Sox2"})), end);
        QCOMPARE(r.view.log.isEmpty(), end != int(ScreeningEngine::RunEnd::Complete));
    }
};

QTEST_GUILESS_MAIN(ScreeningEngineTest)
#include "test_screeningengine.moc"
