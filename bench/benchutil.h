#pragma once
// What the run benchmarks share: a page loader that records every address a
// run asks for, and curl fetching the same addresses one after another in
// one process (GET or POST as the run sent them), as the yardstick.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>

#include "search/searchengine.h"
#include "search/searchtypes.h"
#include "web/module1.h"
#include "web/pageloader.h"
#include "web/settings.h"

namespace quill::bench {

// A search run's options (the default policies), chooser (the first row)
// and view (keeps the summary and cDNA texts, shows nothing).
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

struct Recorder : PageLoader {
    PageLoader& inner;
    QStringList asked;
    explicit Recorder(PageLoader& l) : inner(l) {}
    int NavigateAndWait(const QString& a) override {
        asked << a;
        return inner.NavigateAndWait(a);
    }
    QString Markup() const override { return inner.Markup(); }
};

// One search run of terms over loader, with the default policies, timed.
struct SearchRun {
    bool complete = false;
    double ms = 0;
    KeptView view;
    SearchResults results;
};
inline SearchRun TimeSearch(const Settings& settings, PageLoader& loader, Module1& module,
                            const QStringList& terms) {
    SearchRun run;
    Opts opts;
    FirstRow chooser;
    SearchEngine engine(module, settings, loader, opts, chooser, run.view);
    QElapsedTimer clock;
    clock.start();
    engine.BeginUniGeneRun();
    run.complete = engine.RunUniGene(terms);
    run.ms = clock.nsecsElapsed() / 1e6;
    run.results = engine.Results();
    return run;
}

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

// Milliseconds curl takes to fetch the requests, each an address and the
// body it is POSTed with ("" for a GET); negative when it fails.
inline double CurlMs(const QList<std::pair<QString, QByteArray>>& requests) {
    QTemporaryDir tmp;
    QFile config(tmp.filePath(QStringLiteral("requests.cfg")));
    if (!config.open(QIODevice::WriteOnly)) return -1;
    for (qsizetype i = 0; i < requests.size(); ++i) {
        const auto& [address, body] = requests[i];
        if (i > 0) config.write("next\n");
        config.write("url = \"" + address.toUtf8() + "\"\noutput = \"/dev/null\"\nfail\n");
        if (!body.isEmpty()) config.write("data = \"" + body + "\"\n");
    }
    config.close();
    QProcess curl;
    QElapsedTimer clock;
    clock.start();
    curl.start(QStringLiteral("curl"), {"-s", "-K", config.fileName()});
    if (!curl.waitForFinished(600000) || curl.exitCode() != 0) {
        std::fprintf(stderr, "curl failed (%d): %s\n", curl.exitCode(),
                     curl.readAllStandardError().constData());
        return -1;
    }
    return clock.nsecsElapsed() / 1e6;
}

// Milliseconds curl takes to fetch the addresses; negative when it fails.
inline double CurlMs(const QStringList& addresses) {
    QList<std::pair<QString, QByteArray>> requests;
    for (const QString& a : addresses) requests.append({a, QByteArray()});
    return CurlMs(requests);
}

}  // namespace quill::bench
