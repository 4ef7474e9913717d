// Times "quillfish-cli igtc --min-score 100" over generated multi-query BLAST
// texts of the IGTC site's form against "grep -c -i query=", which reads the
// same file and finds every query in it. Goal: no more than three times
// grep's time on each text. Two texts of the same size and shape:
//   few kept   one query in twenty reaches the minimum (a lab's usual screen)
//   most kept  nineteen queries in twenty reach it (a long hit list to build)
// Every time is the best of RUNS runs, after one run of each command that is
// not counted (the file is then in the page cache for both). The programs'
// start is timed on its own ("--version"), since on a short text it is most
// of the time. Also times the window's reading of the texts as the text box
// holds them (from its text, without the paste itself).
//
// On a machine busy with other work the longer run loses more of its time to
// the others, so the ratios come out higher there: the load average of the
// last minute is printed with the figures, and the processor time each
// program used (the least of the runs), which the load changes less.
//
// Usage: bench_igtc [MEGABYTES] [RUNS] [CLI]
// (default 50 MB, 5 runs, this build's quillfish-cli; CLI times another build)

#include <sys/resource.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "igtc/blastreports.h"

namespace {

// One query as the IGTC site lists it, with a hit table of a few rows and a
// short alignment block. The first row's score is at least 100 when kept.
QByteArray Query(int i, bool kept) {
    const int score = kept ? 100 + (i * 37) % 800 : (i * 37) % 100;
    QByteArray q;
    q += "Query= Gene" + QByteArray::number(i) + " trap clone CMHD-" + QByteArray::number(i * 7) +
         "\r\n         (" + QByteArray::number(400 + i % 900) + " letters)\r\n\r\n";
    q += "                                                                 Score    E\r\n"
         "Sequences producing significant alignments:                      (bits) Value\r\n\r\n";
    for (int r = 0; r < 6; ++r)
        q += "IGTC|CMHD-CT" + QByteArray::number(i * 10 + r) + " gene trap (Gene" +
             QByteArray::number(i) + ")     " + QByteArray::number(std::max(1, score - r * 11)) +
             "   " + QByteArray::number(r + 1) + "e-" + QByteArray::number(90 - r) + "\r\n";
    q += "\r\n>IGTC|CMHD-CT" + QByteArray::number(i * 10) +
         " gene trap\r\n          Length = 812\r\n\r\n"
         " Score =  420 bits (212), Expect = 1e-118\r\n"
         " Identities = 212/212 (100%)\r\n Strand = Plus / Plus\r\n\r\n"
         "Query: 1   gatcctgcagtaccggatcgatcgatcgtagctagctagcatcgatcgatcgatgctagctagct 60\r\n"
         "           ||||||||||||||||||||||||||||||||||||||||||||||||||||||||||||\r\n"
         "Sbjct: 101 gatcctgcagtaccggatcgatcgatcgtagctagctagcatcgatcgatcgatgctagctagct 160\r\n\r\n";
    return q;
}

struct Text {
    const char* name;
    QString path;
    int queries = 0;
    int kept = 0;
};

// Writes a text of about megabytes MB where query i is kept when keep(i).
bool Write(Text& text, qint64 megabytes, const std::function<bool(int)>& keep) {
    QFile f(text.path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    for (qint64 size = 0; size < megabytes * 1024 * 1024; ++text.queries) {
        const bool kept = keep(text.queries);
        const QByteArray q = Query(text.queries, kept);
        if (f.write(q) != q.size()) return false;
        size += q.size();
        text.kept += kept;
    }
    return f.flush();
}

struct Times {
    double seconds = -1;  // from start to exit
    double cpu = -1;      // processor time (user and system) of the program
};

double ChildrenCpu() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// One run, the output written to a file, as a redirection writes a hit
// list (grep stops at its first match when its output is the null device,
// and a pipe would time how fast this harness drains it). Negative when the
// program fails.
Times TimeRun(const QString& program, const QStringList& args) {
    QTemporaryDir dir;
    const QString outPath = dir.filePath(QStringLiteral("out.txt"));
    QProcess p;
    p.setStandardOutputFile(outPath);
    const double cpuBefore = ChildrenCpu();
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    p.waitForFinished(-1);
    const Times times{t.nsecsElapsed() / 1e9, ChildrenCpu() - cpuBefore};
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() > 1 ||
        QFileInfo(outPath).size() == 0) {
        std::fprintf(stderr, "%s %s failed\n", qPrintable(program), qPrintable(args.join(' ')));
        return {};
    }
    return times;
}

// The best of runs timed runs, after one run that is not counted: the
// shortest time and, apart, the least processor time.
Times Best(int runs, const QString& program, const QStringList& args) {
    if (TimeRun(program, args).seconds < 0) return {};
    Times best{1e300, 1e300};
    for (int r = 0; r < runs; ++r) {
        const Times t = TimeRun(program, args);
        if (t.seconds < 0) return {};
        best.seconds = std::min(best.seconds, t.seconds);
        best.cpu = std::min(best.cpu, t.cpu);
    }
    return best;
}

double LoadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().split(' ').value(0).toDouble() : -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    const qint64 megabytes = a.size() > 1 ? std::max(1LL, a[1].toLongLong()) : 50;
    const int runs = a.size() > 2 ? std::max(1, a[2].toInt()) : 5;
    const QString cli = a.size() > 3 ? a[3] : QStringLiteral(QUILL_CLI_PATH);
    const QString grep = QStringLiteral("grep");

    QTemporaryDir dir;
    Text texts[] = {{"few kept", dir.filePath("few.txt")}, {"most kept", dir.filePath("most.txt")}};
    if (!Write(texts[0], megabytes, [](int i) { return i % 20 == 0; }) ||
        !Write(texts[1], megabytes, [](int i) { return i % 20 != 0; })) {
        std::fprintf(stderr, "cannot write the texts\n");
        return 1;
    }

    std::printf("load average %.2f; best of %d runs\n", LoadAverage(), runs);
    const Times cliStart = Best(runs, cli, {"--version"});
    const Times grepStart = Best(runs, grep, {"--version"});
    if (cliStart.seconds < 0 || grepStart.seconds < 0) return 1;
    std::printf(
        "start-up: quillfish-cli --version %.1f ms (processor %.1f ms), "
        "grep --version %.1f ms (processor %.1f ms)\n",
        cliStart.seconds * 1e3, cliStart.cpu * 1e3, grepStart.seconds * 1e3, grepStart.cpu * 1e3);

    for (Text& text : texts) {
        const Times g = Best(runs, grep, {"-c", "-i", "query=", text.path});
        const Times c = Best(runs, cli, {"igtc", "--min-score", "100", text.path});
        if (g.seconds < 0 || c.seconds < 0) return 1;

        QFile in(text.path);
        if (!in.open(QIODevice::ReadOnly)) return 1;
        QString boxText = QString::fromUtf8(in.readAll());
        boxText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        double window = 1e300;
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer t;
            t.start();
            const qsizetype kept = quill::ReadBlastReport(boxText, 100).names.size();
            window = std::min(window, t.nsecsElapsed() / 1e9);
            if (kept != text.kept) {
                std::fprintf(stderr, "the window kept %lld of %d\n", static_cast<long long>(kept),
                             text.kept);
                return 1;
            }
        }
        std::printf(
            "%s (%.1f MB, %d queries, %d kept):\n"
            "  grep -c -i 'query=': %.3f s (processor %.3f s)\n"
            "  quillfish-cli igtc:  %.3f s (processor %.3f s; start-up %.3f s of it)\n"
            "  ratio: %.2f (goal <= 3; processor time %.2f)\n"
            "  window reading:      %.3f s\n",
            text.name, QFileInfo(text.path).size() / 1048576.0, text.queries, text.kept, g.seconds,
            g.cpu, c.seconds, c.cpu, cliStart.seconds, c.seconds / g.seconds, c.cpu / g.cpu,
            window);
    }
    std::printf("load average %.2f\n", LoadAverage());
    return 0;
}
