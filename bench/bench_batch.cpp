// A 1,000-term search run on the E-utilities, gathered (--batch on) and one
// term at a time (--batch off), replayed by the page server over loopback
// through the real web access, unpaced. The replies are the stand-in NCBI's
// (tests/support/fakencbi.h, its lab list with every outcome): both runs ask
// it once in this process through a loopback address, and what it answered
// is written to a folder in the page server's index format, so the keys are
// exactly what the client sends (the long group requests by POST). Counts
// the requests of both runs and the time they take at NCBI's pace without a
// key (3 a second), and times the gathered run against curl fetching the
// same requests (the POSTed ones with --data) one after another in one
// process.
// Usage: bench_batch [TERMS]   (default 1000). Goals: gathered <= 40
// requests, under 20 s at NCBI's pace, run <= 1.5 x curl.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>

#include "benchutil.h"
#include "pageserver/pageserver.h"
#include "search/searchengine.h"
#include "support/fakencbi.h"
#include "text/textrules.h"
#include "web/module1.h"
#include "web/webpageloader.h"

using namespace quill;

namespace {

struct Opts : SearchOptions {
    SearchPolicy Current() const override { return {}; }
};
struct FirstRow : Chooser {
    int Choose(const ChoiceTable&) override { return 0; }
};
struct KeptView : RunView {
    QString summary, cdna;
    void EnterRunning() override {}
    void SetStatusLine(const QString&) override {}
    void AddProgress(int) override {}
    void EndCanceled() override {}
    void EndComplete(const QString& s, const QString& c) override {
        summary = s;
        cdna = c;
    }
};

// Keeps every raw fetch: its address and the body it was POSTed with.
struct RawRecorder : PageLoader {
    PageLoader& inner;
    QList<std::pair<QString, QByteArray>> asked;
    explicit RawRecorder(PageLoader& l) : inner(l) {}
    int NavigateAndWait(const QString& a) override { return inner.NavigateAndWait(a); }
    int FetchRaw(const QString& a, const RawFetch& how, RawReply* reply) override {
        asked.append({a, how.postBody});
        return inner.FetchRaw(a, how, reply);
    }
    QString Markup() const override { return inner.Markup(); }
};

struct Run {
    QString summary, cdna;
    int requests = 0, posted = 0;
    double ms = 0;
    QList<std::pair<QString, QByteArray>> asked;
};

// One run of the terms at base, gathered or not: against the stand-in, or
// (ncbi null) through the web access.
Run RunTerms(quill::test::FakeNcbi* ncbi, const QString& base, bool batch,
             const QStringList& terms) {
    Settings settings;
    settings.Source = Settings::SequenceSource::Eutils;
    settings.EutilsBase = base;
    settings.EutilsBatch = batch;
    settings.EutilsPaceLoopback = false;  // the replay is not NCBI
    Module1 module;
    std::optional<WebPageLoader> web;
    if (!ncbi) web.emplace(module, settings);
    RawRecorder loader(ncbi ? static_cast<PageLoader&>(*ncbi) : *web);
    Opts opts;
    FirstRow chooser;
    KeptView view;
    SearchEngine engine(module, settings, loader, opts, chooser, view);
    QElapsedTimer clock;
    clock.start();
    engine.BeginUniGeneRun();
    engine.RunUniGene(terms);
    Run run{view.summary,
            view.cdna,
            static_cast<int>(loader.asked.size()),
            0,
            clock.nsecsElapsed() / 1e6,
            loader.asked};
    for (const auto& request : loader.asked) run.posted += request.second.isEmpty() ? 0 : 1;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    SetNowForTesting(QDateTime(QDate(2024, 3, 5), QTime(9, 0)));
    quill::test::FakeNcbi ncbi;
    QStringList terms, accessions;
    quill::test::MakeLab(ncbi, count, &terms, &accessions);

    // The stand-in answers both runs; its replies become the folder.
    const QString loopback = QStringLiteral("http://127.0.0.1:9");
    const Run expected[2] = {RunTerms(&ncbi, loopback, false, terms),
                             RunTerms(&ncbi, loopback, true, terms)};
    QTemporaryDir dir;
    if (!dir.isValid() || !ncbi.WriteFolder(dir.path())) {
        std::fprintf(stderr, "cannot write the replies\n");
        return 1;
    }
    PageServer server(dir.path());
    if (!server.Start()) {
        std::fprintf(stderr, "page server: %s\n", qPrintable(server.Error()));
        return 1;
    }
    Run runs[2];
    for (int batch = 0; batch < 2; ++batch) {
        const int before = server.RequestCount();
        runs[batch] = RunTerms(nullptr, server.BaseUrl(), batch == 1, terms);
        const int served = server.RequestCount() - before;
        if (served != runs[batch].requests || runs[batch].summary != expected[batch].summary ||
            runs[batch].cdna != expected[batch].cdna) {
            std::fprintf(stderr, "the replayed run (--batch %s) differs from the stand-in's\n",
                         batch ? "on" : "off");
            return 1;
        }
    }
    if (runs[0].summary != runs[1].summary || runs[0].cdna != runs[1].cdna) {
        std::fprintf(stderr, "the gathered run's results differ from the single run's\n");
        return 1;
    }
    const Run& single = runs[0];
    const Run& gathered = runs[1];
    const double curlMs = bench::CurlMs(gathered.asked);
    if (curlMs < 0) return 1;

    // NCBI allows 3 requests a second without an API key.
    const double paceSingle = single.requests / 3.0, paceGathered = gathered.requests / 3.0;
    std::printf(
        "%d terms (every outcome; %d genes at the stand-in)\n"
        "--batch off: %d requests (%.2f a term), %.1f s at NCBI's pace; run %.1f ms\n"
        "--batch on:  %d requests (%d by POST), %.1f s at NCBI's pace (goal < 20 s, "
        "<= 40 requests)\nsearch run: %.1f ms\ncurl:       %.1f ms\n"
        "ratio:      %.2f (goal <= 1.50)\n",
        count, static_cast<int>(ncbi.genes.size()), single.requests,
        double(single.requests) / count, paceSingle, single.ms, gathered.requests, gathered.posted,
        paceGathered, gathered.ms, curlMs, gathered.ms / curlMs);
    const bool met = gathered.requests <= 40 && paceGathered < 20 && gathered.ms <= 1.5 * curlMs;
    return met ? 0 : 3;
}
