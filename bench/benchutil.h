#pragma once
// What the run benchmarks share: a page loader that records every address a
// run asks for, and curl fetching the same addresses one after another in
// one process, as the yardstick.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>

#include "web/pageloader.h"

namespace quill::bench {

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

// Milliseconds curl takes to fetch the addresses; negative when it fails.
inline double CurlMs(const QStringList& addresses) {
    QTemporaryDir tmp;
    QFile config(tmp.filePath(QStringLiteral("urls.cfg")));
    if (!config.open(QIODevice::WriteOnly)) return -1;
    for (const QString& a : addresses)
        config.write("url = \"" + a.toUtf8() + "\"\noutput = \"/dev/null\"\n");
    config.close();
    QProcess curl;
    QElapsedTimer clock;
    clock.start();
    curl.start(QStringLiteral("curl"), {"-s", "-K", config.fileName()});
    // The page server runs on its own thread; this thread only waits.
    if (!curl.waitForFinished(600000) || curl.exitCode() != 0) {
        std::fprintf(stderr, "curl failed: %s\n", curl.readAllStandardError().constData());
        return -1;
    }
    return clock.nsecsElapsed() / 1e6;
}

}  // namespace quill::bench
