// Times the reading of an expression table in the Human Protein Atlas's long
// layout (Gene, Gene name, Tissue, nTPM) with 20,000 genes by 50 tissues,
// 1,000,000 rows, generated in a temporary folder, against awk summing its
// value column (awk -F'\t' '{s+=$4} END {print s}'), which reads the same
// file once. Goal: no more than three times awk's time. Then times screening
// all 20,000 genes by the rule on decimals (look-up by symbol, both tests,
// ovary and testis selected); goal: under 0.5 s. The same table packed with
// gzip, and the same values as a GCT table, are read too, for information.
// Every time is the best of RUNS runs, after one run of each that is not
// counted (the file is then in the page cache for both). The load average is
// printed with the figures: on a busy machine the ratios come out higher.
//
// Usage: bench_exprtable [RUNS] [GENES]
// (default 5 runs, 20,000 genes)

#include <zlib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "profile/expressiontable.h"

namespace {

using quill::ExpressionTable;

constexpr int kTissues = 50;

// Tissue names of the lengths a consensus table has ("ovary" and "testis"
// among them).
QByteArray TissueName(int t) {
    static const char* const names[] = {
        "adipose tissue", "adrenal gland",   "bone marrow", "cerebral cortex", "heart muscle",
        "ovary",          "skeletal muscle", "testis",      "liver",           "lung"};
    const QByteArray base = names[t % 10];
    return t < 10 ? base : base + " " + QByteArray::number(t / 10);
}

// One row per gene and tissue, genes in order, tissues in the same order for
// every gene, as the atlas writes them; values with one decimal.
bool WriteTable(const QString& path, int genes, qint64* rows) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray names[kTissues];
    for (int t = 0; t < kTissues; ++t) names[t] = TissueName(t);
    quint32 seed = 12345;
    QByteArray chunk;
    chunk += "Gene\tGene name\tTissue\tnTPM\n";
    for (int g = 0; g < genes; ++g) {
        const QByteArray id = "ENSG" + QByteArray::number(g).rightJustified(11, '0');
        const QByteArray symbol = "GENE" + QByteArray::number(g);
        for (int t = 0; t < kTissues; ++t) {
            seed = seed * 1664525u + 1013904223u;
            // Every tenth gene is a testis gene (both tests then run).
            const quint32 tenths = (g % 10 == 0 && t == 7) ? 50000 : (seed >> 8) % 2000;
            chunk += id + '\t' + symbol + '\t' + names[t] + '\t' + QByteArray::number(tenths / 10) +
                     '.' + QByteArray::number(tenths % 10) + '\n';
            ++*rows;
        }
        if (chunk.size() > (1 << 20)) {
            if (f.write(chunk) != chunk.size()) return false;
            chunk.clear();
        }
    }
    return f.write(chunk) == chunk.size() && f.flush();
}

// The same values as a GCT table (one row per gene), as GTEx writes its
// medians.
bool WriteGct(const ExpressionTable& table, const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray text = "#1.2\n" + QByteArray::number(table.GeneCount()) + '\t' +
                      QByteArray::number(table.Tissues().size()) + "\nName\tDescription";
    for (const QString& t : table.Tissues()) text += '\t' + t.toUtf8();
    text += '\n';
    for (int g = 0; g < table.GeneCount(); ++g) {
        text += table.GeneId(g).toUtf8() + ".1\t" + table.Symbol(g).toUtf8();
        for (const double v : table.Values(g)) text += '\t' + QByteArray::number(v, 'g', 6);
        text += '\n';
    }
    return f.write(text) == text.size() && f.flush();
}

bool WriteGzip(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) return false;
    gzFile out = gzopen(QFile::encodeName(to).constData(), "wb6");
    if (!out) return false;
    const QByteArray bytes = in.readAll();
    const bool ok = gzwrite(out, bytes.constData(), unsigned(bytes.size())) == int(bytes.size());
    return gzclose(out) == Z_OK && ok;
}

// The best of runs timings of what, in seconds, after one that is not
// counted; negative when it fails.
double Best(int runs, const std::function<bool()>& what) {
    if (!what()) return -1;
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        if (!what()) return -1;
        best = std::min(best, t.nsecsElapsed() / 1e9);
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
    const int runs = a.size() > 1 ? std::max(1, a[1].toInt()) : 5;
    const int genes = a.size() > 2 ? std::max(1, a[2].toInt()) : 20000;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rna_tissue_consensus.tsv"));
    const QString gzPath = path + QStringLiteral(".gz");
    qint64 rows = 0;
    if (!WriteTable(path, genes, &rows) || !WriteGzip(path, gzPath)) {
        std::fprintf(stderr, "cannot write the tables\n");
        return 1;
    }
    std::printf("load average %.2f; best of %d runs\n", LoadAverage(), runs);
    std::printf("table: %d genes x %d tissues, %lld rows, %.1f MB (gzip %.1f MB)\n", genes,
                kTissues, static_cast<long long>(rows), QFileInfo(path).size() / 1e6,
                QFileInfo(gzPath).size() / 1e6);

    const double awk = Best(runs, [&] {
        QProcess p;
        p.start(QStringLiteral("awk"), {"-F\t", "{s+=$4} END {print s}", path});
        return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    });
    quill::ExpressionTableResult table;
    const auto read = [&](const QString& file) {
        return [&table, file] {
            table = quill::ReadExpressionTable(file);
            if (!table.ok) std::fprintf(stderr, "%s\n", qPrintable(table.error));
            return table.ok;
        };
    };
    const double gz = Best(runs, read(gzPath));
    const double load = Best(runs, read(path));
    if (awk < 0 || load < 0 || gz < 0) return 1;
    if (table.table.GeneCount() != genes || table.table.Tissues().size() != kTissues) {
        std::fprintf(stderr, "the table read has %d genes and %lld tissues\n",
                     table.table.GeneCount(), static_cast<long long>(table.table.Tissues().size()));
        return 1;
    }
    std::printf(
        "awk -F'\\t' '{s+=$4} END {print s}': %.3f s\n"
        "ReadExpressionTable:                 %.3f s\n"
        "  ratio: %.2f (goal <= 3)\n"
        "ReadExpressionTable, gzip:           %.3f s\n",
        awk, load, load / awk, gz);

    // Screening: every gene looked up by its symbol and put to both tests.
    const quill::ExpressionTable& t = table.table;
    QStringList symbols;
    for (int g = 0; g < genes; ++g) symbols << t.Symbol(g);
    const QList<int> selected =
        quill::TableTissueIndexes(t.Tissues(), quill::DefaultTableTissues(t.Tissues()));
    const quill::ScreeningCriteria criteria;
    int matched = 0;
    const double screen = Best(runs, [&] {
        matched = 0;
        for (const QString& symbol : symbols) {
            const quill::TableLookup found = t.Find(symbol);
            if (!found.Found()) return false;
            matched += quill::ApplyTableScreeningRule(t.Values(found.gene), selected, criteria) ==
                       quill::kMatched;
        }
        return true;
    });
    if (screen < 0) return 1;
    std::printf("screening %d genes (%d matched): %.3f s (goal < 0.5 s)\n", genes, matched, screen);

    const QString gctPath = dir.filePath(QStringLiteral("median_tpm.gct"));
    if (!WriteGct(t, gctPath)) return 1;
    const double gct = Best(runs, read(gctPath));
    if (gct < 0) return 1;
    std::printf("ReadExpressionTable, the same as GCT (%.1f MB): %.3f s\n",
                QFileInfo(gctPath).size() / 1e6, gct);
    std::printf("load average %.2f\n", LoadAverage());
    return 0;
}
