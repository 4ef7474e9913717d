// A 200-term search run on the E-utilities, replayed by the page server over
// loopback from a folder of generated replies (one distinct mouse gene per
// term, each with one RefSeq mRNA: esearch, esummary, elink, esummary,
// efetch), timed against curl fetching the same addresses one after another
// in one process. Counts the requests per term.
// Usage: bench_eutils [TERMS]   (default 200). Goal: run <= 1.5 x curl.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "benchutil.h"
#include "eutils/eutils.h"
#include "pageserver/pageserver.h"
#include "search/searchengine.h"
#include "web/module1.h"
#include "web/webpageloader.h"

using namespace quill;

namespace {

// The replies of one gene, in the shape of the demo's (data/eutils).
struct Gene {
    QString symbol, accession;
    qint64 geneId, uid;

    QByteArray Search() const {
        return QStringLiteral(
                   "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<eSearchResult><Count>1</Count>"
                   "<RetMax>1</RetMax><RetStart>0</RetStart><IdList>\n<Id>%1</Id>\n</IdList>"
                   "<TranslationSet/><QueryTranslation>%2[Gene Name] AND \"Mus musculus\""
                   "[Organism]</QueryTranslation></eSearchResult>\n")
            .arg(geneId)
            .arg(symbol)
            .toUtf8();
    }
    QByteArray Summary() const {
        return QStringLiteral(
                   "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<eSummaryResult>\n"
                   "<DocumentSummarySet status=\"OK\">\n<DocumentSummary uid=\"%1\">\n"
                   "\t<Name>%2</Name>\n\t<Description>benchmark gene %2</Description>\n"
                   "\t<Status>0</Status>\n\t<CurrentID>0</CurrentID>\n"
                   "\t<OtherAliases></OtherAliases>\n\t<TaxID>10090</TaxID>\n"
                   "</DocumentSummary>\n</DocumentSummarySet>\n</eSummaryResult>\n")
            .arg(geneId)
            .arg(symbol)
            .toUtf8();
    }
    QByteArray Links() const {
        return QStringLiteral(
                   "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<eLinkResult>\n  <LinkSet>\n"
                   "    <DbFrom>gene</DbFrom>\n    <IdList>\n      <Id>%1</Id>\n    </IdList>\n"
                   "    <LinkSetDb>\n      <DbTo>nuccore</DbTo>\n"
                   "      <LinkName>gene_nuccore_refseqrna</LinkName>\n"
                   "        <Link>\n\t\t\t\t<Id>%2</Id>\n\t\t\t</Link>\n    </LinkSetDb>\n"
                   "  </LinkSet>\n</eLinkResult>\n")
            .arg(geneId)
            .arg(uid)
            .toUtf8();
    }
    QByteArray Records() const {
        return QStringLiteral(
                   "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<eSummaryResult>\n<DocSum>\n"
                   "\t<Id>%1</Id>\n\t<Item Name=\"Caption\" Type=\"String\">%2</Item>\n"
                   "\t<Item Name=\"Title\" Type=\"String\">Mus musculus %3, mRNA</Item>\n"
                   "\t<Item Name=\"TaxId\" Type=\"Integer\">10090</Item>\n"
                   "\t<Item Name=\"Length\" Type=\"Integer\">1200</Item>\n"
                   "\t<Item Name=\"Status\" Type=\"String\">live</Item>\n"
                   "\t<Item Name=\"ReplacedBy\" Type=\"String\"></Item>\n"
                   "\t<Item Name=\"AccessionVersion\" Type=\"String\">%2.1</Item>\n"
                   "</DocSum>\n</eSummaryResult>\n")
            .arg(uid)
            .arg(accession, symbol)
            .toUtf8();
    }
    QByteArray GenBank() const {
        QByteArray text = QStringLiteral(
                              "LOCUS       %1              1200 bp    mRNA    linear   ROD "
                              "05-MAR-2024\nDEFINITION  Mus musculus %2, mRNA.\nACCESSION   %1\n"
                              "VERSION     %1.1\nKEYWORDS    RefSeq.\nSOURCE      Mus musculus "
                              "(house mouse)\nFEATURES             Location/Qualifiers\n"
                              "     source          1..1200\nORIGIN      \n")
                              .arg(accession, symbol)
                              .toUtf8();
        static const char kBases[] = "acgt";
        for (int start = 0; start < 1200; start += 60) {
            text += QByteArray::number(start + 1).rightJustified(9, ' ');
            for (int i = 0; i < 60; ++i) {
                if (i % 10 == 0) text += ' ';
                text += kBases[(start + i + uid) % 4];
            }
            text += '\n';
        }
        return text + "//\n\n";
    }
};

// Writes the replies of genes into dir in the page server's index format.
bool WriteReplies(const QString& dir, const QList<Gene>& genes) {
    QByteArray index = "# Generated E-utilities replies for bench_eutils.\n";
    int n = 0;
    for (const Gene& g : genes) {
        const QList<std::pair<EutilsRequest, QByteArray>> replies{
            {GeneSearch(g.symbol, kMouseTaxon), g.Search()},
            {GeneSummaries({g.geneId}), g.Summary()},
            {RnaLinks({g.geneId}), g.Links()},
            {NuccoreSummaries({g.uid}), g.Records()},
            {GenBankRecords({g.uid}), g.GenBank()}};
        for (const auto& [request, body] : replies) {
            const QString file = QStringLiteral("r%1.%2").arg(++n).arg(
                request.util == QLatin1String("efetch") ? "txt" : "xml");
            QFile out(QDir(dir).filePath(file));
            if (!out.open(QIODevice::WriteOnly) || out.write(body) != body.size()) return false;
            index +=
                (EutilsIndexKey(request) + QLatin1Char('\t') + file + QLatin1Char('\n')).toUtf8();
        }
    }
    QFile out(QDir(dir).filePath(QStringLiteral("index.tsv")));
    return out.open(QIODevice::WriteOnly) && out.write(index) == index.size();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    QTemporaryDir dir;
    QList<Gene> genes;
    QStringList terms;
    for (int i = 0; i < count; ++i) {
        const Gene g{QStringLiteral("Bench%1").arg(i + 1),
                     QStringLiteral("NM_%1").arg(900001 + i, 9, 10, QLatin1Char('0')), 990000 + i,
                     qint64{3100000000} + i};
        genes << g;
        terms << g.symbol;
    }
    if (!dir.isValid() || !WriteReplies(dir.path(), genes)) {
        std::fprintf(stderr, "cannot write the replies\n");
        return 1;
    }
    PageServer server(dir.path());
    if (!server.Start()) {
        std::fprintf(stderr, "page server: %s\n", qPrintable(server.Error()));
        return 1;
    }
    Settings settings;
    settings.Source = Settings::SequenceSource::Eutils;
    settings.EutilsBase = server.BaseUrl();

    Module1 module;
    WebPageLoader web(module, settings);
    bench::RawRecorder loader(web);
    const bench::SearchRun run = bench::TimeSearch(settings, loader, module, terms);
    if (!run.complete) return 1;
    const double runMs = run.ms;
    const int requests = server.RequestCount();
    if (run.results.lstmRNA.count() != count) {
        std::fprintf(stderr, "only %d of %d terms found\n", int(run.results.lstmRNA.count()),
                     count);
        return 1;
    }

    const double curlMs = bench::CurlMs(loader.asked);
    if (curlMs < 0) return 1;
    std::printf(
        "%d terms, %d requests (%.2f a term)\nsearch run: %.1f ms\ncurl:       %.1f ms\n"
        "ratio:      %.2f (goal <= 1.50)\n",
        count, requests, double(requests) / count, runMs, curlMs, runMs / curlMs);
    return runMs <= 1.5 * curlMs ? 0 : 3;
}
