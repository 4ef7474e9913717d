// The sequence search engine against a fake page map.

#include <QtTest>

#include "search/searchengine.h"
#include "support/fakepageloader.h"
#include "support/fakesearch.h"
#include "text/textrules.h"
#include "web/webpageloader.h"

using namespace quill;
using namespace quill::test;

namespace {

const QString kBase = QStringLiteral("http://ncbi.test");

QString SearchUrl(const QString& query) {
    return AddressWithTerm(kBase + "/entrez/query.fcgi?orig_db=UniGene&cmd=search&term=",
                           StripColons(query));
}
QString ClusterUrl(const QString& cid) {
    return kBase + "/UniGene/clust.cgi?ORG=Mm&CID=" + cid;
}
// A search result page linking each cluster {org, cid} once, in its own row.
QString SearchPage(const QList<QPair<QString, QString>>& clusters) {
    QString page = "<BODY><TABLE>";
    for (const auto& [org, cid] : clusters)
        page += "<TR><TD><A href=\"" + kBase + "/UniGene/clust.cgi?ORG=" + org + "&amp;CID=" + cid +
                "\">" + org + "." + cid + "</A></TD><TD>gene description</TD></TR>\n";
    return page + "</TABLE></BODY>";
}
QString SeqUrl(const QString& acc) {
    return kBase + "/UniGene/seq.cgi?SEQ=" + acc;
}
QString SeqLink(const QString& acc) {
    return "<A href=\"seq.cgi?SEQ=" + acc + "\">" + acc + "</A>";
}
QString RetrieveUrl(const QString& acc) {
    return kBase + "/entrez/query.fcgi?cmd=Retrieve&db=Nucleotide&list_uids=" + acc;
}
QString SeqPage(const QString& acc) {
    return "<BODY><P>Sequence " + acc + "</P><A href=\"" + kBase +
           "/entrez/query.fcgi?cmd=Retrieve&amp;db=Nucleotide&amp;list_uids=" + acc +
           "\">GenBank record</A></BODY>";
}
QString Block(const QString& acc) {
    return "        1 gattacagat tacagattac " + acc.toLower() + "\n       61 ccgg\n";
}
QString RecordPage(const QString& acc) {
    return "<BODY><PRE>LOCUS       " + acc + "  80 bp    mRNA\nORIGIN      \n" + Block(acc) +
           "//\n</PRE></BODY>";
}
QString MrnaSection(const QStringList& accs) {
    QString s = "<TABLE><TR><TH>mRNA sequences (" + Num(accs.size()) + ")</TH></TR>";
    for (const QString& a : accs)
        s += "<TR><TD width=\"24%\">" + SeqLink(a) + "</TD><TD width=\"76%\">desc of " + a +
             "</TD></TR>";
    return s + "</TABLE>";
}
QString EstSection(const QStringList& accs) {
    QString s = "<TABLE><TR><TH>EST sequences (" + Num(accs.size()) + ")</TH></TR>";
    for (const QString& a : accs)
        s += "<TR><TD width=\"24%\">" + SeqLink(a) + "</TD><TD width=\"34%\">clone " + a +
             "</TD><TD width=\"34%\">library L</TD><TD width=\"8%\">5'</TD></TR>";
    return s + "</TABLE>";
}
QString ModelSection(const QString& count, const QStringList& names) {
    QString s = "<P><B>Model sequences (" + count + ")</B><BR>";
    for (const QString& n : names) s += SeqLink(n) + "<BR>";
    return s + "</P>";
}

}  // namespace

class SearchEngineTest : public QObject, SearchRig {
    Q_OBJECT

    std::unique_ptr<FakePageLoader> loader;

    // Sequence page, record page for each accession.
    void AddSequences(const QStringList& accs) {
        for (const QString& acc : accs) {
            loader->SetPage(SeqUrl(acc), SeqPage(acc));
            loader->SetPage(RetrieveUrl(acc), RecordPage(acc));
        }
    }
    // A term whose search page links one mouse cluster with this body.
    void AddTerm(const QString& term, const QString& cid, const QString& body,
                 const QStringList& accs = {}) {
        AddClusters(term, {{cid, body}});
        AddSequences(accs);
    }
    // A term whose search page links these mouse clusters {cid, body}; each
    // cluster's own search finds just that cluster.
    void AddClusters(const QString& term, const QList<QPair<QString, QString>>& clusters) {
        QList<QPair<QString, QString>> links;
        for (const auto& [cid, body] : clusters) {
            links.append({"Mm", cid});
            loader->SetPage(ClusterUrl(cid), "<BODY>" + body + "</BODY>");
            loader->SetPage(SearchUrl("Mm." + cid), SearchPage({{"Mm", cid}}));
        }
        loader->SetPage(SearchUrl(term + " mouse"), SearchPage(links));
    }
    // A finished run has (nearly) filled the bar, never overfilled it.
    void BarFilled() {
        QVERIFY2(view.progress > 800 && view.progress <= 1000, qPrintable(Num(view.progress)));
    }

  private slots:
    void init() {
        module = Module1();
        settings.NcbiServerBase = kBase;
        settings.Source = Settings::SequenceSource::UniGene;
        options.policy = SearchPolicy();
        chooser = ScriptedChooser();
        view = RecordingView();
        loader = std::make_unique<FakePageLoader>(module);
        Build(*loader);
        SetNowForTesting(QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)));
    }
    void cleanup() { SetNowForTesting(std::nullopt); }

    void mrnaChoice_data() {
        QTest::addColumn<QStringList>("accs");
        QTest::addColumn<bool>("autoBest");
        QTest::addColumn<bool>("autoOne");
        QTest::addColumn<QString>("picked");
        QTest::addColumn<bool>("asked");
        QTest::newRow("last nm/xm wins")
            << QStringList{"NM_1", "AK_2", "XM_3"} << true << true << "XM_3" << false;
        QTest::newRow("lower-case prefix")
            << QStringList{"BC_1", "nm_2"} << true << true << "nm_2" << false;
        QTest::newRow("no nm/xm, two rows asks")
            << QStringList{"AK_1", "BC_2"} << true << true << "BC_2" << true;
        QTest::newRow("prompt and still prompt")
            << QStringList{"NM_1"} << false << false << "NM_1" << true;
        QTest::newRow("prompt, auto one")
            << QStringList{"NM_1"} << false << true << "NM_1" << false;
    }
    void mrnaChoice() {
        QFETCH(QStringList, accs);
        QFETCH(bool, autoBest);
        QFETCH(bool, autoOne);
        QFETCH(QString, picked);
        QFETCH(bool, asked);
        options.policy.optAuto = autoBest;
        options.policy.optAutoOne = autoOne;
        chooser.answers = {int(accs.size()) - 1};  // the last row
        AddTerm("Gene", "1", MrnaSection(accs), accs);
        QVERIFY(Run({"Gene"}));
        QCOMPARE(module.ChosenAccession, picked);
        QCOMPARE(chooser.shown.size(), asked ? 1 : 0);
        if (asked) QCOMPARE(chooser.shown[0].rows[0].description, "desc of " + accs.first());
    }

    void estTableAndPolicies_data() {
        QTest::addColumn<bool>("skip");
        QTest::addColumn<bool>("autoOneEst");
        QTest::newRow("prompt, one EST taken") << false << true;
        QTest::newRow("prompt, still asks") << false << false;
        QTest::newRow("skip") << true << true;
    }
    void estTableAndPolicies() {
        QFETCH(bool, skip);
        QFETCH(bool, autoOneEst);
        options.policy.optESTPrompt = !skip;
        options.policy.optESTSkip = skip;
        options.policy.optAutoOneEST = autoOneEst;
        AddTerm("Est1", "9", EstSection({"BG063725"}), {"BG063725"});
        QVERIFY(Run({"Est1"}));
        QCOMPARE(R().lstEST.text, QStringList{"Est1"});
        QCOMPARE(R().CdnaLines.size(), skip ? 1 : 3);
        QCOMPARE(chooser.shown.size(), autoOneEst ? 0 : 1);
        if (!autoOneEst)
            QCOMPARE(chooser.shown[0].rows[0].description,
                     QString("clone BG063725 | library L | 5'"));
        if (!skip)
            QCOMPARE(R().CdnaLines[1], QString("> Est1 | EST sequence BG063725"));
        else
            QCOMPARE(loader->LoadCount(), 2);  // nothing retrieved
    }

    void notFound_data() {
        QTest::addColumn<QString>("page");
        QTest::newRow("not found") << "<BODY>Gene: not found</BODY>";
        QTest::newRow("retired") << SearchPage({{"Mm", "5"}}) + "RETIRED";
        QTest::newRow("other species only") << SearchPage({{"Hs", "5"}});
        QTest::newRow("link never closes")
            << "<BODY><A href=\"" + kBase + "/UniGene/clust.cgi?ORG=Mm&amp;CID=5";
    }
    void notFound() {
        QFETCH(QString, page);
        loader->SetPage(SearchUrl("Gene mouse"), page);
        QVERIFY(Run({"Gene"}));
        QCOMPARE(R().lstNotFound.text, QStringList{"Gene"});
        BarFilled();
        QCOMPARE(loader->LoadCount(), 1);
    }

    void colonsAndSpeciesWord() {
        options.policy.species = SearchPolicy::Species::Human;
        loader->SetPage(SearchUrl("Abc1 homo"), "not found");
        QVERIFY(Run({"Abc:1"}));
        QCOMPARE(loader->Asked(), QStringList{SearchUrl("Abc1 homo")});
        QCOMPARE(R().OrgCode, QString("Hs"));
    }

    // Two links to the same cluster: a second marker 55 characters after the
    // first counts as a second cluster, one 54 on does not.
    void fiftyFiveCharacterRule() {
        const QString marker = kBase + "/UniGene/clust.cgi?ORG=Mm&";
        for (const int gap : {54, 55}) {
            init();
            QString page = "<A href=\"" + marker + "amp;CID=7\">";
            page += QString(gap - (page.size() - 9), QChar('.'));
            page += marker + "amp;CID=7\">Mm.7</A>";
            loader->SetPage(SearchUrl("G mouse"), page);
            loader->SetPage(ClusterUrl("7"), "<BODY>nothing</BODY>");
            QVERIFY(Run({"G"}));
            QCOMPARE(R().lstWatchOut.count(), gap == 55 ? 1 : 0);
            QCOMPARE(R().lstIsCluster.count(), gap == 55 ? 0 : 1);
        }
    }

    // A model without a record keeps its header and the run goes on.
    void modelSequences() {
        AddTerm("Sox2", "65", ModelSection("2", {"XM_1", "NM_2"}) + MrnaSection({"NM_9"}),
                {"NM_2"});
        loader->SetPage(SeqUrl("XM_1"), "<BODY>no link here</BODY>");
        QVERIFY(Run({"Sox2"}));
        QCOMPARE(R().lstModel.text, QStringList{"Sox2"});
        QCOMPARE(R().lstModel.data, QList<qint32>{2});
        BarFilled();
        QCOMPARE(R().lstmRNA.count(), 0);
        QCOMPARE(R().CdnaLines.mid(1),
                 (QStringList{"> Sox2 | model sequence 1 XM_1", "",
                              "> Sox2 | model sequence 2 NM_2", Block("NM_2"), ""}));
    }

    // The model count must be a number above 0 with at least one link; the
    // links found are taken when fewer than counted.
    void modelCount_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<QString>("list");  // where the term ends up
        QTest::addColumn<int>("models");
        QTest::newRow("zero") << "0" << QStringList{"XM_1"} << "mRNA" << 0;
        QTest::newRow("not a number") << "x" << QStringList{"XM_1"} << "mRNA" << 0;
        QTest::newRow("no link") << "3" << QStringList{} << "cluster" << 0;
        QTest::newRow("fewer links than counted") << "3" << QStringList{"XM_1"} << "model" << 1;
    }
    void modelCount() {
        QFETCH(QString, count);
        QFETCH(QStringList, links);
        QFETCH(QString, list);
        QFETCH(int, models);
        const QString mrna = list == "mRNA" ? MrnaSection({"NM_5"}) : QString();
        AddTerm("M", "1", ModelSection(count, links) + mrna, links + QStringList{"NM_5"});
        QVERIFY(Run({"M"}));
        QCOMPARE(R().lstModel.data, models ? QList<qint32>{models} : QList<qint32>{});
        QCOMPARE(R().lstmRNA.count(), list == "mRNA" ? 1 : 0);
        QCOMPARE(R().lstIsCluster.count(), list == "cluster" ? 1 : 0);
        QCOMPARE(R().CdnaLines.size(), 1 + 3 * models + 2 * R().lstmRNA.count());
    }

    void maxestReloadsCluster() {
        AddTerm("Big", "44", "<A href=\"clust.cgi?ORG=Mm&amp;CID=44&amp;MAXEST=900\">all</A>",
                {"BX1"});
        loader->SetPage(ClusterUrl("44") + "&MAXEST=900",
                        "<BODY>" + EstSection({"BX1"}) + "</BODY>");
        QVERIFY(Run({"Big"}));
        QCOMPARE(loader->Asked().at(2), ClusterUrl("44") + "&MAXEST=900");
        QCOMPARE(R().lstEST.text, QStringList{"Big"});
        BarFilled();
    }

    void recordWithoutSequenceIsNotReported_data() {
        QTest::addColumn<QString>("seqPage");
        QTest::addColumn<QString>("record");
        QTest::newRow("no retrieve link") << "<BODY>gone</BODY>" << RecordPage("NM_1");
        QTest::newRow("no origin") << SeqPage("NM_1") << "<PRE>LOCUS x\n        1 acgt\n//</PRE>";
        QTest::newRow("no first line") << SeqPage("NM_1") << "<PRE>ORIGIN\n//</PRE>";
        QTest::newRow("no end") << SeqPage("NM_1") << "<PRE>ORIGIN\n        1 acgt";
    }
    void recordWithoutSequenceIsNotReported() {
        QFETCH(QString, seqPage);
        QFETCH(QString, record);
        AddTerm("G", "1", MrnaSection({"NM_1"}));
        loader->SetPage(SeqUrl("NM_1"), seqPage);
        loader->SetPage(RetrieveUrl("NM_1"), record);
        QVERIFY(Run({"G"}));
        QCOMPARE(R().lstmRNA.count(), 0);
        QCOMPARE(R().lstIsCluster.text, QStringList{"G"});
        QCOMPARE(R().CdnaLines.size(), 1);
    }

    void severalClusters() {
        // Three clusters: the second shows no section and is left out.
        AddClusters(
            "Actb",
            {{"1", ModelSection("1", {"XM_1"})}, {"2", "empty"}, {"3", MrnaSection({"NM_3"})}});
        AddSequences({"XM_1", "NM_3"});
        QVERIFY(Run({"Actb"}));
        QCOMPARE(R().lstWatchOut.text, QStringList{"Actb"});
        QCOMPARE(R().lstWatchOut.data, QList<qint32>{2});
        QCOMPARE(R().lstModelM.text, QStringList{"Mm.1 of Actb"});
        QCOMPARE(R().lstmRNAM.text, QStringList{"Mm.3 of Actb"});
        BarFilled();
        QCOMPARE(R().CdnaLines.mid(1),
                 (QStringList{"> Actb | Mm.1 MM#1 model sequence 1 XM_1", Block("XM_1"), "",
                              "> Actb | Mm.3 MM#2 mRNA sequence NM_3", Block("NM_3")}));
    }

    void cancelInsideSeveralClusters() {
        AddClusters("A", {{"1", MrnaSection({"NM_1"})}, {"2", MrnaSection({"NM_2"})}});
        AddSequences({"NM_1", "NM_2"});
        loader->SetPage(SearchUrl("B mouse"), "not found");
        // 1 search, 2 checks, 4 loads for cluster 1, then cluster 2's search.
        loader->CancelAtLoad(8);
        QVERIFY(!Run({"A", "B"}));
        QCOMPARE(view.canceled, 1);
        QCOMPARE(view.completed, 0);
        QCOMPARE(R().lstmRNAM.text, QStringList{"Mm.1 of A"});
        QCOMPARE(R().lstNotFound.count(), 0);
        QCOMPARE(loader->LoadCount(), 8);
    }

    void chooserCancelEndsRun() {
        options.policy.optAuto = false;
        options.policy.optAutoOne = false;
        chooser.answers = {-1};
        AddTerm("G", "1", MrnaSection({"NM_1"}));
        loader->SetPage(SearchUrl("H mouse"), "not found");
        QVERIFY(!Run({"G", "H"}));
        QVERIFY(module.CancelSearch);
        QCOMPARE(view.canceled, 1);
        QCOMPARE(R().lstNotFound.count(), 0);
    }

    // A run clears an earlier cancel and counts past 16 bits; without an EST
    // policy the summary has no EST lines.
    void manyTermsNotFound() {
        module.CancelSearch = true;
        options.policy.optESTPrompt = false;
        options.policy.optESTSkip = false;
        loader->SetMissingPage("not found");
        QVERIFY(Run(QStringList(33000, "t")));
        QCOMPARE(view.status.last(), QString("32999/33000 complete.  Current search term: t"));
        QVERIFY(view.summary.contains("\t33000 query(s) were not found or retired\r\n"));
        QVERIFY(view.summary.contains("\t\t0 EST sequences\r\n"));
        for (const char* absent : {"valid EST", "IDs with EST", "total EST", "**"})
            QVERIFY2(!view.summary.contains(absent), absent);
    }

    // Past 1000 terms a term's share of the bar is 0; the bar still moves
    // with the terms and ends full, in both runs.
    void barMovesPastAThousandTerms_data() {
        QTest::addColumn<bool>("accession");
        QTest::newRow("UniGene") << false;
        QTest::newRow("accession") << true;
    }
    void barMovesPastAThousandTerms() {
        QFETCH(bool, accession);
        int atHalf = -1;
        loader->OnLoad([this, &atHalf](int n, const QString&) {
            if (n == 1006) atHalf = view.progress;  // 1005 terms looked up
        });
        const QStringList terms(2010, "t");
        QVERIFY(Run(terms, accession));
        QCOMPARE(loader->LoadCount(), 2010);
        QCOMPARE(atHalf, 500);
        QCOMPARE(view.progress, 1000);
    }

    void summaryText_data() {
        QTest::addColumn<bool>("skip");
        QTest::newRow("EST prompt") << false;
        QTest::newRow("EST skip") << true;
    }
    void summaryText() {
        QFETCH(bool, skip);
        options.policy.optESTPrompt = !skip;
        options.policy.optESTSkip = skip;
        AddTerm("Mod", "1", ModelSection("2", {"XM_1", "XM_2"}), {"XM_1", "XM_2"});
        AddTerm("Mr", "2", MrnaSection({"NM_2"}), {"NM_2"});
        AddTerm("Es", "3", EstSection({"BG3"}), {"BG3"});
        AddTerm("Cl", "4", "nothing");
        AddClusters("Multi", {{"5", EstSection({"BG5"})}, {"6", "none"}});
        AddSequences({"BG5"});
        loader->SetPage(SearchUrl("Nf mouse"), "not found");
        QVERIFY(Run({"Mod", "Mr", "Es", "Cl", "Multi", "Nf"}));
        const QString when = ShortDateTime(Now());
        const QString est = skip ? "\t\t1 query(s) have a valid EST sequence (skipped)\r\n"
                                 : "\t\t1 query(s) have a valid EST sequence\r\n";
        const QString estHead = skip ? "  IDs with EST sequences (skipped):\r\n"
                                     : "  IDs with 2 total EST sequences:\r\n";
        const QString expected =
            "Results for " + when +
            ", 6 Mm queries searched\r\n\r\n"
            "4 queries found (5 sequences found)\r\n"
            "\t3 query(s) have a single Mm sequence, including \r\n"
            "\t\t1 query(s) have model sequences (2 model sequences)\r\n"
            "\t\t1 query(s) have a valid mRNA sequence\r\n" +
            est +
            "\t1 query(s) have multiple Mm sequences, including \r\n"
            "\t\t0 model sequences\r\n\t\t0 mRNA sequences\r\n\t\t1 EST sequences\r\n"
            "2 sequence(s) not found\r\n\t1 query(s) were not found or retired\r\n"
            "\t1 query(s) had clusters\r\n\r\nSEQUENCES FOUND:\r\n"
            "  IDs with 2 total model sequences (# of model sequences):\r\n\tMod (2)\r\n"
            "  IDs with 1 total mRNA sequences:\r\n\tMr\r\n" +
            estHead +
            "\tEs\r\n\tMm.5 of Multi\r\n"
            "  **The following queries had multiple Mm sequences (# of sequences in "
            "parentheses).  They are included above.\r\n\tMulti (1)\r\n\r\n"
            "SEQUENCES NOT FOUND:\r\n  IDs that were not found:\r\n\tNf\r\n"
            "  IDs that had clusters:\r\n\tCl\r\n";
        QCOMPARE(view.summary, expected);
        QVERIFY(view.cdna.startsWith("Results for " + when +
                                     ", 6 Mm sequences searched\r\n\r\ncDNA results for "
                                     "03-07-2024, 14:05:09\r\n> Mod | model sequence 1 XM_1\r\n"));
        QCOMPARE(R().CdnaLines.contains("> Multi | Mm.5 MM#1 EST sequence BG5"), !skip);
        QCOMPARE(view.completed, 1);
    }

    // A page the server refused files the term apart, with the server's
    // answer and the address, whichever page of the lookup it was; never as
    // not found, and it does not count as found.
    void refusedPageListsTheTermApart_data() {
        QTest::addColumn<QString>("refused");
        QTest::addColumn<bool>("model");  // the cluster has a model, else an mRNA
        QTest::newRow("search page") << SearchUrl("G mouse") << false;
        QTest::newRow("cluster page") << ClusterUrl("1") << false;
        QTest::newRow("sequence page") << SeqUrl("NM_1") << false;
        QTest::newRow("record page") << RetrieveUrl("NM_1") << false;
        QTest::newRow("model page") << SeqUrl("XM_1") << true;
    }
    void refusedPageListsTheTermApart() {
        QFETCH(QString, refused);
        QFETCH(bool, model);
        AddTerm("G", "1", model ? ModelSection("1", {"XM_1"}) : MrnaSection({"NM_1"}),
                {"NM_1", "XM_1"});
        loader->SetPage(SearchUrl("Nf mouse"), "not found");
        loader->SetServerError(refused, "403 Forbidden");
        QVERIFY(Run({"G", "Nf"}));
        const QString entry = "G (403 Forbidden): " + refused;
        QCOMPARE(R().lstNcbiError.text, QStringList{entry});
        QCOMPARE(R().lstNotFound.text, QStringList{"Nf"});
        QCOMPARE(R().lstModel.count() + R().lstmRNA.count() + R().lstIsCluster.count(), 0);
        QCOMPARE(R().CdnaLines.size(), 1);
        QVERIFY(view.summary.contains("\r\n0 queries found (0 sequences found)\r\n"));
        QVERIFY(view.summary.contains(
            "\t0 query(s) had clusters\r\n1 query(s) could not be looked up (NCBI error)\r\n\r\n"));
        QVERIFY(
            view.summary.endsWith("  IDs that had clusters:\r\n\r\n"
                                  "Could not be looked up (NCBI error):\r\n\t" +
                                  entry + "\r\n"));
    }

    // A refused cluster of a several-cluster term: its check keeps it (not
    // known to be empty), its lookup files it apart; the term stays found.
    void refusedClusterOfSeveral() {
        AddClusters("Actb", {{"1", MrnaSection({"NM_1"})}, {"2", MrnaSection({"NM_2"})}});
        AddSequences({"NM_1", "NM_2"});
        loader->SetServerError(ClusterUrl("2"), "500 Internal Server Error");
        QVERIFY(Run({"Actb"}));
        QCOMPARE(R().lstWatchOut.data, QList<qint32>{2});
        QCOMPARE(R().lstmRNAM.text, QStringList{"Mm.1 of Actb"});
        const QString entry = "Mm.2 of Actb (500 Internal Server Error): " + ClusterUrl("2");
        QCOMPARE(R().lstNcbiErrorM.text, QStringList{entry});
        QVERIFY(view.summary.startsWith("Results for "));
        QVERIFY(view.summary.contains("\r\n1 queries found (1 sequences found)\r\n"));
        QVERIFY(
            view.summary.endsWith("Could not be looked up (NCBI error):\r\n\t" + entry + "\r\n"));
    }

    void refusedAccessions() {
        const QString search = kBase + "/entrez/query.fcgi?orig_db=nucleotide&cmd=search&term=";
        loader->SetPage(AddressWithTerm(search, "NM_1"),
                        "<A href=\"/entrez/viewer.fcgi?db=nucleotide&amp;val=1\">r</A>");
        loader->SetServerError(kBase + "/entrez/viewer.fcgi?db=nucleotide&val=1", "404 Not Found");
        loader->SetServerError(AddressWithTerm(search, "NM_2"), "page larger than 16 MB");
        loader->SetPage(AddressWithTerm(search, "NM_3"), "No items found");
        QVERIFY(Run({"NM_1", "NM_2", "NM_3"}, true));
        QCOMPARE(view.summary,
                 "Results for " + ShortDateTime(Now()) +
                     ", 3 accession number(s) searched\r\n\r\n"
                     "0 accession number(s) found \r\n1 accession number(s) not found\r\n"
                     "2 accession number(s) could not be looked up (NCBI error)\r\n\r\n"
                     "SEQUENCES FOUND:\r\n\r\nSEQUENCES NOT FOUND:\r\n\tNM_3\r\n\r\n"
                     "Could not be looked up (NCBI error):\r\n"
                     "\tNM_1 (404 Not Found): " +
                     kBase +
                     "/entrez/viewer.fcgi?db=nucleotide&val=1\r\n\tNM_2 (page larger "
                     "than 16 MB): " +
                     AddressWithTerm(search, "NM_2") + "\r\n");
    }

    void accessionRun() {
        const QString search = kBase + "/entrez/query.fcgi?orig_db=nucleotide&cmd=search&term=";
        auto hit = [](const QString& uid) {
            return "<BODY><A href=\"/entrez/viewer.fcgi?db=nucleotide&amp;val=" + uid +
                   "\">record</A></BODY>";
        };
        loader->SetPage(AddressWithTerm(search, "NM_008084"), hit("1"));
        loader->SetPage(kBase + "/entrez/viewer.fcgi?db=nucleotide&val=1", RecordPage("NM_008084"));
        loader->SetPage(AddressWithTerm(search, "XX_1"), "<BODY>No items found</BODY>");
        loader->SetPage(AddressWithTerm(search, "NM_2"), hit("2"));
        loader->SetPage(kBase + "/entrez/viewer.fcgi?db=nucleotide&val=2", "<PRE>LOCUS</PRE>");
        loader->SetPage(AddressWithTerm(search, "NM_3"), "<BODY>neither</BODY>");
        // "No items found" decides even when the page also links a record.
        loader->SetPage(AddressWithTerm(search, "NM_4"), "<P>No items found</P>" + hit("1"));
        QVERIFY(Run({"NM_008084", "XX_1", "NM_2", "NM_3", "NM_4"}, true));
        QCOMPARE(R().lstModel.text, QStringList{"NM_008084"});
        BarFilled();
        QCOMPARE(R().lstNotFound.text, (QStringList{"XX_1", "NM_2", "NM_3", "NM_4"}));
        const QString when = ShortDateTime(Now());
        QVERIFY(view.cdna.endsWith("> NM_008084\r\n" + Block("NM_008084") + "\r\n"));
        QCOMPARE(view.summary, "Results for " + when +
                                   ", 5 accession number(s) searched\r\n\r\n"
                                   "1 accession number(s) found \r\n"
                                   "4 accession number(s) not found\r\n\r\n"
                                   "SEQUENCES FOUND:\r\n\tNM_008084\r\n\r\n"
                                   "SEQUENCES NOT FOUND:\r\n\tXX_1\r\n\tNM_2\r\n\tNM_3\r\n"
                                   "\tNM_4\r\n");
    }
};

QTEST_GUILESS_MAIN(SearchEngineTest)
#include "test_searchengine.moc"
