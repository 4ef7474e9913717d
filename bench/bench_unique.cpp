// Times the unique hit finder over a generated list of IGTC hit entries
// (half of them repeats). Goal: 100,000 entries well under a second.
// Usage: bench_unique [ENTRIES] [RUNS]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <algorithm>
#include <cstdio>

#include "unique/uniquehits.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int n = args.size() > 1 ? args[1].toInt() : 100000;
    const int runs = args.size() > 2 ? args[2].toInt() : 5;
    QStringList entries;
    entries.reserve(n);
    for (int i = 0; i < n; ++i)
        entries << QStringLiteral("Gene%1 | %2 MM#%3").arg(i % (n / 2 + 1)).arg(i * 7).arg(i % 5);
    qint64 best = -1;
    qsizetype keys = 0;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        const quill::UniqueHits hits = quill::FindUniqueHits(entries);
        const qint64 ns = t.nsecsElapsed();
        keys = hits.keys.size();
        best = best < 0 ? ns : std::min(best, ns);
    }
    std::printf("%d entries, %lld unique keys: best of %d runs %.1f ms\n", n,
                static_cast<long long>(keys), runs, best / 1e6);
    return 0;
}
