// A 200-term search run against the sample page server over loopback, timed
// against curl fetching the same addresses one after another.
// Usage: bench_search [TERMS]   (default 200). Goal: run <= 1.3 x curl.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "benchutil.h"
#include "pageserver/pageserver.h"
#include "search/searchengine.h"
#include "web/module1.h"
#include "web/webpageloader.h"

using namespace quill;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    PageServer server(QStringLiteral(QUILL_PAGES_DIR));
    if (!server.Start()) {
        std::fprintf(stderr, "page server: %s\n", qPrintable(server.Error()));
        return 1;
    }
    Settings settings;
    settings.NcbiServerBase = server.BaseUrl();
    settings.Source = Settings::SequenceSource::UniGene;
    const QStringList genes{"Pax6", "Sox2",  "Nanog",    "Gata4", "Hoxa9", "Olfr1",
                            "Actb", "Gapdh", "Notagene", "Tcrg",  "HBB"};
    QStringList terms;
    for (int i = 0; i < count; ++i) terms << genes.at(i % genes.size());

    Module1 module;
    WebPageLoader web(module, settings);
    bench::Recorder loader(web);
    const bench::SearchRun run = bench::TimeSearch(settings, loader, module, terms);
    if (!run.complete) return 1;
    const double runMs = run.ms;

    const double curlMs = bench::CurlMs(loader.asked);
    if (curlMs < 0) return 1;
    std::printf(
        "%d terms, %lld page loads\nsearch run: %.1f ms\ncurl:       %.1f ms\n"
        "ratio:      %.2f (goal <= 1.30)\n",
        count, static_cast<long long>(loader.asked.size()), runMs, curlMs, runMs / curlMs);
    return runMs <= 1.3 * curlMs ? 0 : 3;
}
