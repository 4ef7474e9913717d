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
// Two lists: every gene found with one mRNA (five requests a term one at a
// time), and the tests' lab list with every outcome.
// Usage: bench_batch [TERMS]   (default 1000). Goals: gathered <= 40
// requests, under 20 s at NCBI's pace. The gathered run's time against
// curl's is shown beside the run's time on the stand-in without any web
// access: with so few requests, the run is mostly its own work.

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
    bench::RawRecorder loader(ncbi ? static_cast<PageLoader&>(*ncbi) : *web);
    const bench::SearchRun searched = bench::TimeSearch(settings, loader, module, terms);
    Run run{searched.view.summary, searched.view.cdna, static_cast<int>(loader.asked.size()), 0,
            searched.ms,           loader.asked};
    for (const auto& request : loader.asked) run.posted += request.second.isEmpty() ? 0 : 1;
    return run;
}

// A list of count genes found, each with one RefSeq mRNA: five requests a
// term one at a time.
void MakeFound(quill::test::FakeNcbi& ncbi, int count, QStringList* terms) {
    for (int i = 0; i < count; ++i) {
        quill::test::FakeNcbi::Gene g;
        g.uid = 10000 + i;
        g.name = QStringLiteral("Bench%1").arg(i + 1);
        quill::test::FakeNcbi::Record r;
        r.uid = 500000 + i;
        r.caption = QStringLiteral("NM_%1").arg(900001 + i, 9, 10, QLatin1Char('0'));
        ncbi.records.insert(r.uid, r);
        g.rna = {r.uid};
        ncbi.genes << g;
        *terms << g.name;
    }
}

// Both runs of the list on the stand-in's replies; prints the figures.
// 0, 1 (a run failed or differs) or 3 (a goal missed).
int Bench(const char* label, quill::test::FakeNcbi& ncbi, const QStringList& terms) {
    // The stand-in answers both runs; its replies become the folder.
    const QString loopback = QStringLiteral("http://127.0.0.1:9");
    const Run expected[2] = {RunTerms(&ncbi, loopback, false, terms),
                             RunTerms(&ncbi, loopback, true, terms)};
    // Again, the stand-in now giving its kept replies: the run's own work.
    const double ownMs = RunTerms(&ncbi, loopback, true, terms).ms;
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
    const int count = static_cast<int>(terms.size());
    std::printf("%d terms, %s\n", count, label);
    std::printf("  --batch off: %4d requests (%.2f a term), %6.1f s at NCBI's pace; run %.1f ms\n",
                single.requests, double(single.requests) / count, paceSingle, single.ms);
    std::printf(
        "  --batch on:  %4d requests (%d by POST),  %6.1f s at NCBI's pace "
        "(goal <= 40 requests, < 20 s)\n",
        gathered.requests, gathered.posted, paceGathered);
    std::printf("  gathered run: %.1f ms (in process, its replies at hand: %.1f ms)\n", gathered.ms,
                ownMs);
    std::printf("  curl:         %.1f ms (the same %d requests)\n", curlMs, gathered.requests);
    std::printf("  ratio:        %.2f\n", gathered.ms / curlMs);
    return gathered.requests <= 40 && paceGathered < 20 ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    SetNowForTesting(QDateTime(QDate(2024, 3, 5), QTime(9, 0)));
    quill::test::FakeNcbi lab, found;
    QStringList labTerms, accessions, foundTerms;
    quill::test::MakeLab(lab, count, &labTerms, &accessions);
    MakeFound(found, count, &foundTerms);
    const int a = Bench("every gene found with one mRNA", found, foundTerms);
    const int b = Bench("every outcome (the tests' lab list)", lab, labTerms);
    return a == 1 || b == 1 ? 1 : qMax(a, b);
}
