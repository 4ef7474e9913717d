#pragma once
// The expression tables of today's RNA-seq atlases, read for screening: one
// value per gene and tissue, in three layouts:
//   long   a gene column, a tissue column and a value column, one row per
//          gene and tissue (Human Protein Atlas rna_tissue_consensus.tsv:
//          Gene, Gene name, Tissue, nTPM; older releases NX or TPM)
//   wide   one row per gene, one column per tissue, after optional "#"
//          lines (Expression Atlas baseline downloads: Gene ID, Gene Name,
//          then the tissues)
//   GCT    GCT 1.2: "#1.2", a line of gene and tissue counts, then Name,
//          Description and the tissues (GTEx median TPM)
// The file may be plain, gzip-packed or a zip archive holding the one table;
// its first bytes tell which, whatever its name.

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <span>
#include <vector>

#include "profile/screening.h"

namespace quill {

enum class ExpressionLayout { Long, Wide, Gct };

// Where a term leads in a table.
struct TableLookup {
    int gene = -1;  // the gene found; -1 when none or the symbol is ambiguous
    int rows = 0;   // the genes that carry the term (2 and more: ambiguous)
    bool Found() const { return gene >= 0; }
    // Why the term has no data: "not in the table", "ambiguous symbol (2
    // rows)"; "" when it was found.
    QString Reason() const;
};

class ExpressionTable {
  public:
    const QString& Path() const { return path_; }
    QString FileName() const;  // without the folder
    ExpressionLayout Layout() const { return layout_; }
    // The header of a long table's value column ("nTPM", "NX", "TPM"); ""
    // for the other layouts, whose values the header does not name.
    const QString& ValueColumn() const { return valueColumn_; }

    // The table's tissue names in the table's order (a long table's in the
    // order they first appear); a long table's sub-tissues are tissues of
    // their own, as its tissue column names them.
    const QStringList& Tissues() const { return tissues_; }
    int GeneCount() const { return int(symbols_.size()); }
    // The gene's id as the table writes it (a version suffix kept), and its
    // symbol; either may be "" when the table has no such column.
    const QString& GeneId(int gene) const { return ids_.at(gene); }
    const QString& Symbol(int gene) const { return symbols_.at(gene); }
    // The gene's values, one per tissue in Tissues() order. A cell left
    // empty, and a tissue a long table gives no row for, reads 0.
    std::span<const double> Values(int gene) const {
        return {values_.data() + qsizetype(gene) * tissues_.size(), size_t(tissues_.size())};
    }

    // A gene by symbol (exact letter case) or, when no gene has that
    // symbol, by Ensembl id (a version suffix ".N" on either side ignored).
    TableLookup Find(const QString& term) const;

  private:
    friend class TableParser;
    struct Entry {
        int gene = -1;
        int rows = 0;
    };
    void Index();

    QString path_;
    ExpressionLayout layout_ = ExpressionLayout::Long;
    QString valueColumn_;
    QStringList tissues_;
    QStringList ids_;
    QStringList symbols_;
    std::vector<double> values_;  // gene by gene
    QHash<QString, Entry> bySymbol_;
    QHash<QString, Entry> byId_;
};

struct ExpressionTableResult {
    bool ok = false;
    // 'Cannot read the expression table "path": line 12: ...' (the line
    // counted in the unpacked text); "" when ok.
    QString error;
    ExpressionTable table;  // empty unless ok: nothing half-read
};

// Reads the table at path. Refused: a file or unpacked text larger than
// kMaxPartBytes, a damaged archive, a zip archive that does not hold exactly
// one file, a header without the columns of a layout, no tissue or no gene,
// a row with more or fewer cells than the header, a value that is not a
// decimal number of 0 or more (C notation: "." as decimal point, an
// exponent allowed; no sign, no "NA"), and a long table's second value for
// one gene and tissue.
ExpressionTableResult ReadExpressionTable(const QString& path);
// The same for a table's text already in memory (unpacked); name stands for
// the file in the table and its messages.
ExpressionTableResult ParseExpressionTable(const QString& name, QByteArrayView text);

// The tissues selected when a table is first used: those named "ovary" and
// "testis" in any letter case, in the table's order.
QStringList DefaultTableTissues(const QStringList& tissues);
// The tissues of the table that the names give, in any letter case, in the
// table's order and spelling; names the table does not have go to *unknown.
QStringList ChooseTableTissues(const QStringList& tissues, const QStringList& names,
                               QStringList* unknown = nullptr);

// The report's line for a table used in a run:
// "Expression table (human): rna_tissue_consensus.tsv, 20,000 genes, 50 tissues".
QString ExpressionTableLine(ProfileSpecies species, const ExpressionTable& table);

}  // namespace quill
