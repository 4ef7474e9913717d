// The sequence and accession searches on the E-utilities, end to end: the
// search engine with the real web access against the page server on the
// replies in tests/data/eutils.

#include <QTemporaryDir>
#include <QtTest>

#include "pageserver/pageserver.h"
#include "search/searchengine.h"
#include "support/fakesearch.h"
#include "web/webpageloader.h"

using namespace quill;
using namespace quill::test;

namespace {

const QString kReplies = QStringLiteral(QUILL_TEST_DATA "/eutils");

}  // namespace

class EutilsSearchTest : public QObject, SearchRig {
    Q_OBJECT

    std::unique_ptr<PageServer> server;
    std::unique_ptr<WebPageLoader> loader;

    void Serve(const QString& dir) {
        server = std::make_unique<PageServer>(dir);
        QVERIFY2(server->Start(), qPrintable(server->Error()));
        settings.EutilsBase = server->BaseUrl();
    }
    // The list a term ended up in, and its entry.
    QString ListedAs(const QString& term) {
        const QList<std::pair<QString, const ResultList*>> lists{
            {"mRNA", &R().lstmRNA},          {"model", &R().lstModel},
            {"not found", &R().lstNotFound}, {"gene only", &R().lstIsCluster},
            {"several", &R().lstWatchOut},   {"NCBI error", &R().lstNcbiError}};
        for (const auto& [name, list] : lists)
            for (const QString& entry : list->text)
                if (entry == term || entry.startsWith(term + " ")) return name + ": " + entry;
        return {};
    }

  private slots:
    void init() {
        module = Module1();
        settings = Settings();
        settings.Source = Settings::SequenceSource::Eutils;
        settings.EutilsRetryDelayMs = 10;
        // The requests of one term at a time are counted here.
        settings.EutilsBatch = false;
        options.policy = SearchPolicy();
        chooser = ScriptedChooser();
        view = RecordingView();
        Serve(kReplies);
        loader = std::make_unique<WebPageLoader>(module, settings);
        Build(*loader);
    }
    void cleanup() {
        engine.reset();
        loader.reset();
        server.reset();
    }

    // Each term alone: where it is listed, its cDNA header, and how many
    // requests it took (at most 5 for a symbol, 3 for an accession).
    void outcomes_data() {
        QTest::addColumn<QString>("term");
        QTest::addColumn<bool>("human");
        QTest::addColumn<bool>("accession");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("requests");
        const QString esearch = "/entrez/eutils/esearch.fcgi?db=gene&term=";
        QTest::newRow("first NM_ taken") << "Pax6" << false << false << "mRNA: Pax6"
                                         << "> Pax6 | mRNA sequence NM_001244198.2" << 5;
        QTest::newRow("uid past 2^31") << "Sox2" << false << false << "mRNA: Sox2"
                                       << "> Sox2 | mRNA sequence NM_011443.4" << 5;
        QTest::newRow("human, TaxID in Organism") << "TP53" << true << false << "mRNA: TP53"
                                                  << "> TP53 | mRNA sequence NM_000546.6" << 5;
        QTest::newRow("colon rule") << "Trp:53" << false << false << "mRNA: Trp:53"
                                    << "> Trp:53 | mRNA sequence NM_011640.3" << 5;
        QTest::newRow("alias only") << "p53" << false << false << "several: p53"
                                    << "> p53 | GeneID:22059 Trp53 transformation related protein "
                                       "53 MM#1 mRNA sequence NM_011640.3"
                                    << 5;
        QTest::newRow("models only") << "Modelgene" << false << false << "model: Modelgene"
                                     << "> Modelgene | model sequence 1 XM_990001.1" << 5;
        QTest::newRow("no RefSeq RNA") << "Norna" << false << false << "gene only: Norna"
                                       << "" << 3;
        QTest::newRow("unknown") << "Notagene" << false << false << "not found: Notagene"
                                 << "" << 1;
        QTest::newRow("replaced gene") << "LOC107986084" << true << false
                                       << "not found: LOC107986084 (replaced by GeneID 7375 (USP4))"
                                       << "" << 3;
        QTest::newRow("UniGene id") << "Mm.3608" << false << false
                                    << "not found: Mm.3608 (UniGene was retired in 2019; search by "
                                       "gene symbol or accession)"
                                    << "" << 0;
        QTest::newRow("500 three times") << "Failing" << false << false
                                         << "NCBI error: Failing (500 Internal Server Error: "
                                            "{\"error\":\"error forwarding request\",\"api-key\":"
                                            "\"203.0.113.5\",\"type\":\"ip\",\"status\":\"ok\"}): "
                                         << "" << 3;
        QTest::newRow("ERROR in a 200 reply") << "Errorgene" << false << false
                                              << "NCBI error: Errorgene (NCBI error: Invalid query "
                                                 "syntax): "
                                              << "" << 1;
        QTest::newRow("HTML instead of XML")
            << "Proxied" << false << false
            << "NCBI error: Proxied (an HTML page came instead of the expected XML): "
            << "" << 1;
        QTest::newRow("accession") << "NM_000546" << false << true << "model: NM_000546"
                                   << "> NM_000546" << 3;
        QTest::newRow("429 once") << "NM_000546.6" << false << true << "model: NM_000546.6"
                                  << "> NM_000546.6" << 4;
        QTest::newRow("replaced record")
            << "XM_990021" << false << true << "not found: XM_990021 (replaced by NM_990022.1)"
            << "" << 2;
        QTest::newRow("GenBank cut short")
            << "NM_990031" << false << true
            << "NCBI error: NM_990031 (the GenBank text stops inside the record of NM_990031.1 (no "
               "closing //)): "
            << "" << 3;
    }
    void outcomes() {
        QFETCH(QString, term);
        QFETCH(bool, human);
        QFETCH(bool, accession);
        QFETCH(QString, listed);
        QFETCH(QString, header);
        QFETCH(int, requests);
        if (human) options.policy.species = SearchPolicy::Species::Human;
        QVERIFY(Run({term}, accession));
        const QString got = ListedAs(term);
        QVERIFY2(got.startsWith(listed), qPrintable(got));
        if (listed.startsWith("NCBI error")) {
            // The address asked for, as the list shows it.
            QVERIFY2(got.mid(listed.size()).startsWith(settings.EutilsBase + "/entrez/eutils/"),
                     qPrintable(got));
            QCOMPARE(R().lstNotFound.count(), 0);
        }
        QCOMPARE(R().CdnaLines.value(1), header);
        if (!header.isEmpty()) QVERIFY(R().CdnaLines.value(2).startsWith("        1 "));
        QCOMPARE(server->RequestCount(), requests);
        QCOMPARE(view.completed, 1);
        QCOMPARE(view.progress, 1000);
    }

    // A term looked up again in the run asks nothing again.
    void repeatedTermsAskNothing() {
        QVERIFY(Run({"Pax6", "p53", "Trp53", "Pax6", "Trp53"}));
        QCOMPARE(R().lstmRNA.text, (QStringList{"Pax6", "Trp53", "Pax6", "Trp53"}));
        // Pax6 5, p53 5, Trp53 1 (its search; the rest is p53's), repeats 0.
        QCOMPARE(server->RequestCount(), 11);
        QVERIFY(view.summary.contains("\t1 query(s) have multiple Mm sequences, including \r\n"));
        QVERIFY(Run({"NM_000546", "NM_000546"}, true));
        QCOMPARE(server->RequestCount(), 14);  // a new run starts afresh
    }

    // The mRNA choice table in the choice dialog's shape; the policy
    // decides as for the archive pages.
    void choiceTable() {
        options.policy.optAuto = false;
        options.policy.optAutoOne = false;
        chooser.answers = {1};
        QVERIFY(Run({"Pax6"}));
        QCOMPARE(chooser.shown.size(), 1);
        const ChoiceTable& table = chooser.shown.first();
        QCOMPARE(int(table.kind), int(ChoiceTable::Kind::Mrna));
        QCOMPARE(
            table.prompt,
            QString(
                "There are 3 mRNA sequence(s) to choose from for Pax6.  Which one do you want?"));
        QStringList accessions;
        for (const ChoiceRow& row : table.rows) accessions << row.accession;
        QCOMPARE(accessions, (QStringList{"NM_001244198.2", "NM_013627.6", "XM_006498712.5"}));
        QCOMPARE(table.rows.at(1).description,
                 QString("Mus musculus paired box 6 (Pax6), transcript variant 1, mRNA"));
        QCOMPARE(R().CdnaLines.value(1), QString("> Pax6 | mRNA sequence NM_013627.6"));
        // Canceling the choice cancels the run.
        chooser.answers = {-1};
        QVERIFY(!Run({"Pax6"}));
        QCOMPARE(view.canceled, 1);
    }

    void uniGeneMap() {
        QTemporaryDir dir;
        QFile map(dir.filePath("gene2unigene"));
        QVERIFY(map.open(QIODevice::WriteOnly));
        map.write("#GeneID\tUniGene_cluster\n18508\tMm.3608\n22059\tMm.222\n");
        map.close();
        settings.UniGeneMapFile = map.fileName();
        QVERIFY(Run({"Mm.3608", "Mm.1"}));
        QCOMPARE(R().CdnaLines.value(1), QString("> Mm.3608 | mRNA sequence NM_001244198.2"));
        QCOMPARE(ListedAs("Mm.1"), QString("not found: Mm.1 (UniGene was retired in 2019; search "
                                           "by gene symbol or accession)"));
        // Its genes' summaries, links, record summaries and record.
        QCOMPARE(server->RequestCount(), 4);
    }

    // Three requests a second at most, counted where they arrive.
    void pacing() {
        settings.EutilsPaceLoopback = true;
        QVERIFY(Run({"Pax6"}));
        const QList<qint64> at = server->ArrivalMs();
        QCOMPARE(at.size(), 5);
        for (int i = 0; i + 3 < at.size(); ++i)
            QVERIFY2(at[i + 3] - at[i] >= 1000, qPrintable(QString::number(at[i + 3] - at[i])));
    }

    // Recorded replies answer the same run again.
    void recordAndReplay() {
        QTemporaryDir dir;
        settings.EutilsRecordDir = dir.path();
        settings.EutilsEmail = "me@lab.org";
        settings.EutilsApiKey = "SECRETKEY";
        QVERIFY(Run({"Pax6", "Notagene", "Failing"}));
        const QStringList cdna = R().CdnaLines.mid(1);
        QFile index(dir.filePath("index.tsv"));
        QVERIFY(index.open(QIODevice::ReadOnly));
        const QByteArray recorded = index.readAll();
        QCOMPARE(recorded.count('\n'), 1 + 5 + 1 + 1);  // comment, Pax6, Notagene, Failing
        QVERIFY(recorded.contains("\tstatus=500\n"));
        for (const char* never : {"email", "api_key", "SECRETKEY", "me@lab.org"})
            QVERIFY2(!recorded.contains(never), never);

        settings.EutilsRecordDir.clear();
        Serve(dir.path());
        QVERIFY(Run({"Pax6", "Notagene", "Failing"}));
        QCOMPARE(R().CdnaLines.mid(1), cdna);
        QCOMPARE(R().lstNotFound.text, QStringList{"Notagene"});
        QVERIFY(R().lstNcbiError.text.value(0).startsWith(
            "Failing (500 Internal Server Error: {\"error\":\"error forwarding request\""));
        QCOMPARE(server->RequestCount(), 5 + 1 + 3);
    }

    // The demo's replies answer the demo's terms.
    void demoFolder() {
        Serve(QStringLiteral(QUILL_PAGES_DIR "/../eutils"));
        QVERIFY(Run({"Pax6", "Trp53", "Sox2", "p53", "Notagene"}));
        QCOMPARE(R().lstmRNA.count() + R().lstWatchOut.count() + R().lstNotFound.count(), 5);
        options.policy.species = SearchPolicy::Species::Human;
        QVERIFY(Run({"TP53", "LOC107986084"}));
        QCOMPARE(R().lstmRNA.text, QStringList{"TP53"});
        QCOMPARE(R().lstNotFound.text,
                 QStringList{"LOC107986084 (replaced by GeneID 7375 (USP4))"});
        QVERIFY(Run({"NM_000546"}, true));
        QCOMPARE(R().lstModel.text, QStringList{"NM_000546"});
    }
};

QTEST_GUILESS_MAIN(EutilsSearchTest)
#include "test_eutilssearch.moc"
