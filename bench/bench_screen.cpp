// A 200-term screening run against the sample page server over loopback,
// timed against curl fetching the same addresses one after another in one
// process. Usage: bench_screen [TERMS]   (default 200, 2 pages a term).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "benchutil.h"
#include "pageserver/pageserver.h"
#include "profile/screeningengine.h"
#include "web/module1.h"
#include "web/webpageloader.h"

using namespace quill;

namespace {

struct QuietView : ScreeningView {
    void EnterRunning() override {}
    void SetStatusLine(const QString&) override {}
    void AddProgress(int) override {}
    void EndCanceled() override {}
    void EndComplete(const QString&) override {}
};

}  // namespace

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
    // Demo genes that load both pages.
    const QStringList genes{"Pax6", "Sox2", "Hoxa9", "Nanog", "Olfr1", "Xist", "TP53", "HBB"};
    QStringList terms;
    for (int i = 0; i < count; ++i) terms << genes.at(i % genes.size());

    Module1 module;
    WebPageLoader web(module, settings);
    bench::Recorder loader(web);
    FixedCriteria criteria;
    criteria.tissues = {{"female genital", "testis"}, {"ovary", "testis"}};
    QuietView view;
    ScreeningEngine engine(module, settings, loader, criteria, view);
    QElapsedTimer clock;
    clock.start();
    if (engine.Run(terms) != ScreeningEngine::RunEnd::Complete) return 1;
    const double runMs = clock.nsecsElapsed() / 1e6;

    const double curlMs = bench::CurlMs(loader.asked);
    if (curlMs < 0) return 1;
    std::printf(
        "%d terms, %lld page loads (%d matched, %d not matched, %d no data)\n"
        "screen run: %.1f ms\ncurl:       %.1f ms\nratio:      %.2f\n",
        count, static_cast<long long>(loader.asked.size()),
        static_cast<int>(engine.Results().lstFound.size()),
        static_cast<int>(engine.Results().lstNotFound.size()),
        static_cast<int>(engine.Results().lstNoData.size()), runMs, curlMs, runMs / curlMs);
    return 0;
}
