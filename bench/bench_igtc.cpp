// Times "quillfish-cli igtc" over a generated 50 MB multi-query BLAST text
// against "grep -c -i query=" over the same file. Goal: no more than three
// times grep's time. Also times the window's reading of the same text as the
// text box holds it (from its text, without the paste itself).
// Usage: bench_igtc [MEGABYTES] [RUNS]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include "igtc/blastreports.h"

namespace {

// One query as the IGTC site lists it, with a hit table of a few rows and a
// short alignment block.
QByteArray Query(int i) {
    QByteArray q;
    q += "Query= Gene" + QByteArray::number(i) + " trap clone CMHD-" + QByteArray::number(i * 7) +
         "\r\n         (" + QByteArray::number(400 + i % 900) + " letters)\r\n\r\n";
    q += "                                                                 Score    E\r\n"
         "Sequences producing significant alignments:                      (bits) Value\r\n\r\n";
    for (int r = 0; r < 6; ++r)
        q += "IGTC|CMHD-CT" + QByteArray::number(i * 10 + r) + " gene trap (Gene" +
             QByteArray::number(i) + ")     " + QByteArray::number((i * 37 + r * 11) % 900) +
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

double TimeRun(const QString& program, const QStringList& args) {
    // Output goes to a pipe and is read, not to the null device: grep stops
    // at its first match when it writes to the null device.
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    QByteArray out;
    while (p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(-1);
        out += p.readAllStandardOutput();
    }
    out += p.readAllStandardOutput();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() > 1 || out.isEmpty()) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        return -1;
    }
    return t.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    const qint64 megabytes = a.size() > 1 ? a[1].toLongLong() : 50;
    const int runs = a.size() > 2 ? std::max(1, a[2].toInt()) : 3;

    QTemporaryDir dir;
    const QString path = dir.filePath("blast.txt");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return 1;
    qint64 size = 0;
    int queries = 0;
    while (size < megabytes * 1024 * 1024) {
        const QByteArray q = Query(queries++);
        f.write(q);
        size += q.size();
    }
    f.close();
    std::printf("input: %.1f MB, %d queries\n", size / 1048576.0, queries);

    double cli = 1e300;
    double grep = 1e300;
    for (int r = 0; r < runs; ++r) {
        const double g = TimeRun(QStringLiteral("grep"), {"-c", "-i", "query=", path});
        const double c =
            TimeRun(QStringLiteral(QUILL_CLI_PATH), {"igtc", "--min-score", "100", path});
        if (g < 0 || c < 0) return 1;
        grep = std::min(grep, g);
        cli = std::min(cli, c);
    }
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) return 1;
    QString boxText = QString::fromUtf8(in.readAll());
    boxText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    double window = 1e300;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        const int kept = int(quill::ReadBlastReport(boxText, 100).names.size());
        window = std::min(window, t.nsecsElapsed() / 1e9);
        if (kept == 0) return 1;
    }
    std::printf(
        "grep -c -i 'query=': %.3f s\nquillfish-cli igtc:  %.3f s\nratio: %.2f (goal <= 3)\n"
        "window reading:      %.3f s\n",
        grep, cli, cli / grep, window);
    return 0;
}
