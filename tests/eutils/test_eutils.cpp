// E-utilities requests, reply parsers (on real NCBI replies) and the gene
// and transcript rules.

#include <QtTest>
#include <tuple>

#include "eutils/eutils.h"
#include "search/searchengine.h"

using namespace quill;

Q_DECLARE_METATYPE(EutilsRequest)
Q_DECLARE_METATYPE(QList<GeneSummary>)

namespace {

const QString kReal = QStringLiteral(QUILL_REALDATA_DIR);
const QString kEutils = kReal + QStringLiteral("/eutils/");

QByteArray Read(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

GeneSummary Gene(qint64 uid, const QString& name, qint64 taxon = kMouseTaxon, int status = 0,
                 qint64 current = 0, const QString& aliases = {}) {
    GeneSummary g;
    g.uid = uid;
    g.name = name;
    g.taxId = taxon;
    g.status = status;
    g.currentId = current;
    g.aliases = aliases;
    return g;
}

NuccoreSummary Record(const QString& accession, const QString& status = QStringLiteral("live")) {
    NuccoreSummary r;
    r.accessionVersion = accession;
    r.status = status;
    return r;
}

using Ids = QList<qint64>;

}  // namespace

class EutilsTest : public QObject {
    Q_OBJECT

  private slots:
    // The address decodes to the page server's index key: what is recorded
    // is what a replay is asked for.
    void requests_data() {
        QTest::addColumn<EutilsRequest>("request");
        QTest::addColumn<QString>("key");
        QTest::newRow("gene search") << GeneSearch("Pax6", kMouseTaxon)
                                     << "/entrez/eutils/esearch.fcgi?db=gene&term=Pax6[sym] AND "
                                        "\"Mus musculus\"[orgn]&retmax=20&tool=quillfish";
        QTest::newRow("human") << GeneSearch("\"a+b\"", kHumanTaxon)
                               << "/entrez/eutils/esearch.fcgi?db=gene&term=\"a+b\"[sym] AND "
                                  "\"Homo sapiens\"[orgn]&retmax=20&tool=quillfish";
        QTest::newRow("gene summaries") << GeneSummaries({18508, 3069587804})
                                        << "/entrez/eutils/esummary.fcgi?db=gene&id=18508,"
                                           "3069587804&version=2.0&tool=quillfish";
        QTest::newRow("links, one id= a gene")
            << RnaLinks({18508, 22059})
            << "/entrez/eutils/elink.fcgi?dbfrom=gene&db=nuccore&id=18508&id=22059&linkname=gene_"
               "nuccore_refseqrna&tool=quillfish";
        QTest::newRow("accession") << AccessionSearch("NM_000546.6")
                                   << "/entrez/eutils/esearch.fcgi?db=nuccore&term=NM_000546.6["
                                      "accn]&retmax=5&tool=quillfish";
        QTest::newRow("record summaries") << NuccoreSummaries({1, 2})
                                          << "/entrez/eutils/esummary.fcgi?db=nuccore&id=1,2&tool="
                                             "quillfish";
        QTest::newRow("records") << GenBankRecords({7})
                                 << "/entrez/eutils/efetch.fcgi?db=nuccore&id=7&rettype=gb&retmode="
                                    "text&tool=quillfish";
    }
    void requests() {
        QFETCH(EutilsRequest, request);
        QFETCH(QString, key);
        const QString base = "http://127.0.0.1:8";
        const QString address = EutilsAddress(base, request);
        QVERIFY2(!address.contains(' ') && !address.contains('"'), qPrintable(address));
        QCOMPARE(
            QString::fromUtf8(QByteArray::fromPercentEncoding(address.mid(base.size()).toUtf8())),
            key);
        QCOMPARE(EutilsIndexKey(request), key);
        // email and key come last, encoded; never in the key.
        const QString full = EutilsAddress(base, request, "me@lab.org", "k+1");
        QCOMPARE(full, address + "&email=me%40lab.org&api_key=k%2B1");
    }

    void esearch_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<Ids>("some");  // first and last id
        QTest::addColumn<int>("ids");
        QTest::addColumn<QString>("notFound");
        QTest::addColumn<QString>("error");
        QTest::newRow("Count past the translation stack's")
            << kEutils + "Bio-EUtilities__t__data__eutils__esearch1.xml" << 534LL
            << Ids{6679096, 8568086} << 20 << ""
            << "";
        QTest::newRow("stack Count -1") << kEutils +
                                               "tools-iuc__tools__ncbi_entrez_eutils__test-data__"
                                               "esearch.gene.hist.xml"
                                        << 1LL << Ids{118502329, 118502329} << 1 << ""
                                        << "";
        QTest::newRow("ids past 2^31") << kReal + "/biopython__Tests__Entrez__esearch6.xml"
                                       << 1018LL << Ids{3069587804, 2274792553} << 20 << ""
                                       << "";
        QTest::newRow("none") << kEutils + "biopython__Tests__Entrez__esearch8.xml" << 0LL << Ids{}
                              << 0 << "abcXYZ"
                              << "";
        QTest::newRow("ERROR") << kEutils + "Eutils-JSON__samples__esearch.baderror.xml" << 0LL
                               << Ids{} << 0 << ""
                               << "NCBI error: Invalid db name specified: fleegle";
    }
    void esearch() {
        QFETCH(QString, file);
        QFETCH(qint64, count);
        QFETCH(Ids, some);
        QFETCH(int, ids);
        QFETCH(QString, notFound);
        QFETCH(QString, error);
        const ESearchReply r = ParseESearch(Read(file));
        QCOMPARE(r.error, error);
        QCOMPARE(r.count, count);
        QCOMPARE(r.ids.size(), ids);
        if (ids) QCOMPARE((Ids{r.ids.first(), r.ids.last()}), some);
        QCOMPARE(r.phrasesNotFound.join(','), notFound);
    }

    void geneSummary() {
        const GeneSummaryReply r =
            ParseGeneSummaries(Read(kEutils + "Eutils-JSON__samples__esummary.gene.xml"));
        QCOMPARE(r.error, QString());
        QCOMPARE(r.genes.size(), 1);
        const GeneSummary& g = r.genes.first();
        QCOMPARE(g.uid, 21803);
        QCOMPARE(g.name, QString("Tgfb1"));
        QCOMPARE(g.description, QString("transforming growth factor, beta 1"));
        QCOMPARE(g.status, 0);
        QCOMPARE(g.currentId, 0);
        QCOMPARE(g.taxId, kMouseTaxon);
        QCOMPARE(g.aliases, QString("TGF-beta1, TGFbeta1, Tgfb, Tgfb-1"));
        // Newer replies put TaxID inside Organism; uids pass 2^31.
        const GeneSummaryReply nested = ParseGeneSummaries(
            "<eSummaryResult><DocumentSummarySet><DocumentSummary uid=\"3069587804\"><Name>X</Name>"
            "<Status>1</Status><CurrentID>7375</CurrentID><Organism><TaxID>9606</TaxID></Organism>"
            "</DocumentSummary></DocumentSummarySet></eSummaryResult>");
        QCOMPARE(nested.genes.first().uid, 3069587804LL);
        QCOMPARE(nested.genes.first().taxId, kHumanTaxon);
        QCOMPARE(nested.genes.first().currentId, 7375);
    }

    void nuccoreSummary() {
        const NuccoreSummaryReply r =
            ParseNuccoreSummaries(Read(kEutils + "biopython__Tests__Entrez__esummary4.xml"));
        QCOMPARE(r.error, QString());
        QCOMPARE(r.records.size(), 2);
        const NuccoreSummary& s = r.records.at(1);
        QCOMPARE(s.uid, 28800981);
        QCOMPARE(s.caption, QString("AY205604"));
        QCOMPARE(s.accessionVersion, QString("AY205604.1"));
        QCOMPARE(s.title, QString("Homo sapiens hemochromatosis (HFE) mRNA, partial cds"));
        QCOMPARE(s.length, 860);
        QCOMPARE(s.taxId, kHumanTaxon);
        QCOMPARE(s.status, QString("live"));
        QCOMPARE(s.replacedBy, QString());
        // A replaced record, as NCBI reports one.
        const NuccoreSummaryReply replaced = ParseNuccoreSummaries(
            "<eSummaryResult><DocSum><Id>9</Id><Item Name=\"Status\" "
            "Type=\"String\">replaced</Item>"
            "<Item Name=\"ReplacedBy\" Type=\"String\">NP_062226.2</Item><Item Name=\"Comment\" "
            "Type=\"String\"><![CDATA[This record was replaced or removed.]]></Item></DocSum>"
            "</eSummaryResult>");
        QCOMPARE(replaced.records.first().status, QString("replaced"));
        QCOMPARE(replaced.records.first().replacedBy, QString("NP_062226.2"));
        QCOMPARE(replaced.records.first().comment, QString("This record was replaced or removed."));
    }

    // Only LinkSetDb/Link/Id are links; IdList repeats the ids asked about.
    void elink_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("linkName");
        QTest::addColumn<Ids>("inputs");
        QTest::addColumn<Ids>("links");
        const QString iuc = kEutils + "tools-iuc__tools__ncbi_entrez_eutils__test-data__elink.";
        QTest::newRow("one link") << iuc + "esearchin_id_1link.xml" << kRefSeqRnaLink
                                  << Ids{118502329} << Ids{1899688395};
        QTest::newRow("that link name only") << iuc + "elinkin_alllinks_id.xml" << kRefSeqRnaLink
                                             << Ids{118502329} << Ids{1899688395};
        QTest::newRow("every link name")
            << iuc + "elinkin_alllinks_id.xml"
            << "" << Ids{118502329} << Ids{1899688395, 1896832511, 1896832511, 1899688395};
        QTest::newRow("two ids, one set") << kEutils + "biopython__Tests__Entrez__elink2.xml"
                                          << "nuccore_protein" << Ids{48819, 7140345} << Ids{48820};
        QTest::newRow("Empty result")
            << kEutils + "Bio-EUtilities__t__data__eutils__elink_dball.xml"
            << "protein_genomeprj_insdc" << Ids{15622530} << Ids{};
    }
    void elink() {
        QFETCH(QString, file);
        QFETCH(QString, linkName);
        QFETCH(Ids, inputs);
        QFETCH(Ids, links);
        const ELinkReply r = ParseELink(Read(file), linkName);
        QCOMPARE(r.error, QString());
        QCOMPARE(r.sets.size(), 1);
        QCOMPARE(r.sets.first().inputs, inputs);
        QCOMPARE(r.sets.first().links, links);
    }

    void genBank() {
        const QByteArray nm =
            Read(kReal + "/biojava__biojava-core__src__test__resources__NM_000266.gb");
        const QByteArray np =
            Read(kEutils +
                 "biojava__biojava-core__src__test__resources__org__biojava__nbio__core__sequence__"
                 "loader__7525057.gb");
        const GenBankReply two = ParseGenBank(nm + np);
        QCOMPARE(two.error, QString());
        QCOMPARE(two.records.size(), 2);
        QCOMPARE(two.records.at(0).accessionVersion, QString("NM_000266.3"));
        QCOMPARE(two.records.at(1).accessionVersion, QString("NP_051038.1"));
        const std::optional<QString> block = SearchEngine::CutSequenceBlock(two.records.at(0).text);
        QVERIFY(block && block->startsWith("        1 aagatgctcc gtggaaggga"));
        QVERIFY(block->endsWith("\n     2041 aaaaaaaaaa aaaaaaaa\n"));
        QVERIFY(!block->contains("LOCUS"));
        const GenBankReply older =
            ParseGenBank(Read(kReal + "/biopython__Tests__GenBank__noref.gb"));
        QCOMPARE(older.records.first().accessionVersion, QString("NM_006141.1"));
    }

    // Replies that are not what was asked for are service errors.
    void serviceErrors_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("error");
        const QByteArray nm =
            Read(kReal + "/biojava__biojava-core__src__test__resources__NM_000266.gb");
        QTest::newRow("summary ERROR")
            << "summary" << Read(kEutils + "biopython__Tests__Entrez__esummary8.xml")
            << "NCBI error: Neither query_key nor id specified";
        QTest::newRow("gene ERROR")
            << "gene" << Read(kEutils + "Eutils-JSON__samples__esummary.error.xml")
            << "NCBI error: Invalid db name specified: fleegle";
        QTest::newRow("empty") << "search" << QByteArray() << "empty reply";
        QTest::newRow("proxy page")
            << "search" << QByteArray("<!DOCTYPE html><html><body>No</body></html>")
            << "an HTML page came instead of the expected XML";
        QTest::newRow("broken off") << "search"
                                    << QByteArray(
                                           "<eSearchResult><Count>3</Count><IdList><Id>1</Id>\n"
                                           "Error+reading+from+remote+server")
                                    << "the reply broke off: Error reading from remote server";
        QTest::newRow("text after the root")
            << "link" << QByteArray("<eLinkResult></eLinkResult>\nBad Gateway")
            << "the reply broke off: Bad Gateway";
        QTest::newRow("other root") << "search" << QByteArray("<eLinkResult/>")
                                    << "unexpected reply <eLinkResult> instead of <eSearchResult>";
        QTest::newRow("GenBank cut short") << "gb" << nm.left(nm.indexOf("//"))
                                           << "the GenBank text stops inside the record of "
                                              "NM_000266.3 (no closing //)";
        QTest::newRow("GenBank broken line") << "gb" << nm.left(400) + "\nService+unavailable\n//\n"
                                             << "the reply broke off: Service unavailable";
        QTest::newRow("no GenBank")
            << "gb" << QByteArray("ID list is empty! Possibly it has no correct IDs.")
            << "the reply broke off: ID list is empty! Possibly it has no "
               "correct IDs.";
        // What was read before the error is no answer either ("*": any message).
        QTest::newRow("summary broken after a record")
            << "summary"
            << QByteArray(
                   "<eSummaryResult><DocSum><Id>5</Id><Item Name=\"Caption\" "
                   "Type=\"String\">NM_1</Item></DocSum><DocSum><Id>6</Id><Item Name=A")
            << "*";
        QTest::newRow("gene broken after a gene")
            << "gene"
            << QByteArray(
                   "<eSummaryResult><DocumentSummarySet><DocumentSummary uid=\"1\">"
                   "<Name>Pax6</Name></DocumentSummary><DocumentSummary uid=\"2\"><Na")
            << "*";
        QTest::newRow("GenBank second record cut short")
            << "gb" << nm + nm.left(nm.indexOf("//"))
            << "the GenBank text stops inside the record of NM_000266.3 (no closing //)";
        QTest::newRow("GenBank ends only at a // line")
            << "gb" << nm.left(nm.indexOf("//")) + "//EN\n"
            << "the GenBank text stops inside the record of NM_000266.3 (no closing //)";
        // Words of a record that merely look like such a text.
        QTest::newRow("record words")
            << "gb" << nm.left(300) + "            Server error rates\n//\n"
            << "";
    }
    void serviceErrors() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, body);
        QFETCH(QString, error);
        QString got;
        qsizetype results = 0;
        if (kind == "search") {
            const ESearchReply r = ParseESearch(body);
            std::tie(got, results) = std::pair(r.error, r.ids.size());
        }
        if (kind == "gene") {
            const GeneSummaryReply r = ParseGeneSummaries(body);
            std::tie(got, results) = std::pair(r.error, r.genes.size());
        }
        if (kind == "summary") {
            const NuccoreSummaryReply r = ParseNuccoreSummaries(body);
            std::tie(got, results) = std::pair(r.error, r.records.size());
        }
        if (kind == "link") {
            const ELinkReply r = ParseELink(body, {});
            std::tie(got, results) = std::pair(r.error, r.sets.size());
        }
        if (kind == "gb") {
            const GenBankReply r = ParseGenBank(body);
            std::tie(got, results) = std::pair(r.error, r.records.size());
        }
        if (error == "*")
            QVERIFY(!got.isEmpty());
        else
            QCOMPARE(got, error);
        // A service error carries nothing else: no half-read gene or record.
        if (!got.isEmpty()) QCOMPARE(results, 0);
    }

    void classify_data() {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QList<GeneSummary>>("hits");
        QTest::addColumn<int>("kind");
        QTest::addColumn<Ids>("genes");
        QTest::addColumn<Ids>("replacedBy");
        QTest::addColumn<bool>("retired");
        const GeneSummary pax6 = Gene(18508, "Pax6");
        const GeneSummary alias = Gene(22059, "Trp53", kMouseTaxon, 0, 0, "Tp53, p53");
        const GeneSummary human = Gene(5080, "PAX6", kHumanTaxon);
        const GeneSummary old = Gene(1, "Pax6", kMouseTaxon, 1, 7375);
        const GeneSummary gone = Gene(2, "Pax6", kMouseTaxon, 2);
        QTest::newRow("one live, any case") << "PAX6" << QList{alias, pax6} << int(GeneVerdict::One)
                                            << Ids{18508} << Ids{} << false;
        QTest::newRow("other species only")
            << "Pax6" << QList{human} << int(GeneVerdict::NotFound) << Ids{} << Ids{} << false;
        QTest::newRow("two live") << "Pax6" << QList{pax6, Gene(7, "pax6")}
                                  << int(GeneVerdict::Several) << Ids{18508, 7} << Ids{} << false;
        QTest::newRow("alias only")
            << "p53" << QList{alias} << int(GeneVerdict::Several) << Ids{22059} << Ids{} << false;
        QTest::newRow("name beats alias")
            << "Trp53" << QList{Gene(9, "X", kMouseTaxon, 0, 0, "Trp53"), alias}
            << int(GeneVerdict::One) << Ids{22059} << Ids{} << false;
        QTest::newRow("replaced") << "Pax6" << QList{old, human} << int(GeneVerdict::NotFound)
                                  << Ids{} << Ids{7375} << true;
        QTest::newRow("discontinued")
            << "Pax6" << QList{gone} << int(GeneVerdict::NotFound) << Ids{} << Ids{} << true;
        QTest::newRow("retired, live alias")
            << "Pax6" << QList{old, Gene(3, "Y", kMouseTaxon, 0, 0, "Pax6")}
            << int(GeneVerdict::Several) << Ids{3} << Ids{} << false;
        QTest::newRow("a dead alias is no hit")
            << "p53" << QList{Gene(4, "Z", kMouseTaxon, 2, 0, "p53")} << int(GeneVerdict::NotFound)
            << Ids{} << Ids{} << false;
        QTest::newRow("map: every live gene")
            << "" << QList{pax6, old, alias} << int(GeneVerdict::Several) << Ids{18508, 22059}
            << Ids{} << false;
    }
    void classify() {
        QFETCH(QString, symbol);
        QFETCH(QList<GeneSummary>, hits);
        QFETCH(int, kind);
        QFETCH(Ids, genes);
        QFETCH(Ids, replacedBy);
        QFETCH(bool, retired);
        const GeneVerdict v = ClassifyGenes(symbol, kMouseTaxon, hits);
        QCOMPARE(int(v.kind), kind);
        Ids uids;
        for (const GeneSummary& g : v.genes) uids << g.uid;
        QCOMPARE(uids, genes);
        QCOMPARE(v.replacedBy, replacedBy);
        QCOMPARE(v.retired, retired);
    }

    void transcriptOrder() {
        const QList<NuccoreSummary> ordered = OrderTranscripts(
            {Record("XR_5.1"), Record("XM_4.1"), Record("NR_3.1"), Record("NM_20.1"),
             Record("NM_10.2"), Record("NG_1.1"), Record("NM_00.1", "replaced"), Record("AK01.1")});
        QStringList accessions;
        for (const NuccoreSummary& r : ordered) accessions << r.accessionVersion;
        QCOMPARE(accessions, (QStringList{"NM_10.2", "NM_20.1", "NR_3.1", "XM_4.1", "XR_5.1"}));
        QVERIFY(IsCuratedTranscript(ordered.at(2)));
        QVERIFY(!IsCuratedTranscript(ordered.at(3)));
    }
};

QTEST_GUILESS_MAIN(EutilsTest)
#include "test_eutils.moc"
