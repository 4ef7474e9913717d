// The expression-table reader on any file (plain, gzip or zip, told by the
// content): a reading either fails with a message naming the file and
// leaves the table empty, or gives a table with genes and tissues whose
// values are all numbers of 0 or more, one per tissue, and whose every gene
// is found by its symbol unless another gene shares it.

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "profile/expressiontable.h"

using namespace quill;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.tsv"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const ExpressionTableResult r = ReadExpressionTable(path);
    const ExpressionTable& t = r.table;
    if (!r.ok) {
        if (!r.error.startsWith(QStringLiteral("Cannot read the expression table \"input.tsv\"")))
            abort();
        if (t.GeneCount() != 0 || !t.Tissues().isEmpty()) abort();
        return 0;
    }
    if (t.GeneCount() == 0 || t.Tissues().isEmpty()) abort();
    for (int g = 0; g < t.GeneCount(); ++g) {
        const std::span<const double> values = t.Values(g);
        if (qsizetype(values.size()) != t.Tissues().size()) abort();
        for (const double v : values)
            if (!std::isfinite(v) || v < 0) abort();
        if (t.Symbol(g).isEmpty()) continue;
        const TableLookup found = t.Find(t.Symbol(g));
        if (found.rows < 1 || (found.rows == 1) != found.Found()) abort();
        if (found.Found() && found.gene != g) abort();
    }
    return 0;
}
