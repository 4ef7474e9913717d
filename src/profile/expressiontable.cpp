#include "profile/expressiontable.h"

#include <zlib.h>

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "sheets/sheetparts.h"
#include "text/textrules.h"

namespace quill {

namespace {

using Bytes = std::string_view;

// A table refused while it is read: the line (0 for the file as a whole) and
// why.
struct TableFailure {
    int line = 0;
    QString reason;
};

// 'Cannot read the expression table "name": line 12: reason.'; a table
// packed in a zip archive names the archive and, in brackets, the table.
ExpressionTableResult Failed(const QString& name, const TableFailure& f,
                             const QString& inner = QString()) {
    const QString where = f.line > 0 ? QStringLiteral("line %1: ").arg(f.line) : QString();
    const QString packed = inner.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(inner);
    ExpressionTableResult r;
    r.error = QStringLiteral("Cannot read the expression table \"%1\"%2: %3%4.")
                  .arg(QFileInfo(name).fileName(), packed, where, f.reason);
    return r;
}

QString Decode(Bytes b) {
    const bool ascii = std::all_of(b.begin(), b.end(), [](char c) { return c >= 0; });
    if (ascii) return QString::fromLatin1(b.data(), qsizetype(b.size()));
    return DecodeInputText(QByteArrayView(b.data(), qsizetype(b.size())));
}

// A cell without the blanks around it and the quotes a spreadsheet program
// may have put around it.
Bytes Trim(Bytes b) {
    while (!b.empty() && b.front() == ' ') b.remove_prefix(1);
    while (!b.empty() && b.back() == ' ') b.remove_suffix(1);
    if (b.size() >= 2 && b.front() == '"' && b.back() == '"') b = b.substr(1, b.size() - 2);
    return b;
}

// A cell as a message quotes it (a long one shortened).
QString Quoted(Bytes b) {
    constexpr size_t kShown = 40;
    const QString text = Decode(b.substr(0, kShown));
    return QLatin1Char('"') + text + QLatin1String(b.size() > kShown ? "...\"" : "\"");
}

// A value cell: a decimal number of 0 or more ("." as the decimal point, an
// exponent allowed), or empty for 0. False for anything else (a sign, "NA",
// "inf", a number too large for a double, text after the number).
bool ParseValue(Bytes cell, double* value) {
    cell = Trim(cell);
    if (cell.empty()) {
        *value = 0;
        return true;
    }
    const char c = cell.front();
    if (!((c >= '0' && c <= '9') || c == '.')) return false;
    const char* end = cell.data() + cell.size();
    const auto [ptr, ec] = std::from_chars(cell.data(), end, *value);
    return ec == std::errc() && ptr == end && std::isfinite(*value);
}

// The one or two header names a column is known by (compared in any case).
bool IsOneOf(const QString& name, std::initializer_list<const char*> names) {
    for (const char* n : names) {
        if (name.compare(QLatin1String(n), Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

bool IsIdColumn(const QString& n) {
    return IsOneOf(n, {"Gene", "Gene ID", "Gene_id", "Gene stable ID", "Ensembl gene ID", "Name"});
}
bool IsSymbolColumn(const QString& n) {
    return IsOneOf(n, {"Gene name", "Gene_name", "Gene symbol", "Symbol", "Description"});
}
bool IsTissueColumn(const QString& n) {
    return IsOneOf(n, {"Tissue"});
}
// The value columns of long tables, the preferred first (a table with TPM,
// pTPM and nTPM gives the normalized values).
const char* const kValueColumns[] = {"nTPM", "NX", "TPM", "pTPM"};

// An Ensembl id without its version: "ENSG00000141510.16" -> "ENSG00000141510".
QString WithoutVersion(const QString& id) {
    if (!id.startsWith(QLatin1String("ENS"))) return id;
    const qsizetype dot = id.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == id.size() - 1) return id;
    for (qsizetype i = dot + 1; i < id.size(); ++i) {
        if (!id.at(i).isDigit()) return id;
    }
    return id.left(dot);
}

QString TooLargeReason(bool unpacked) {
    return QStringLiteral("it %1 than %2 MiB, the most a table may hold")
        .arg(unpacked ? QLatin1String("unpacks to more") : QLatin1String("is larger"))
        .arg(kMaxPartBytes >> 20);
}

// The text of a gzip file (one or more members), unpacked with zlib.
QByteArray Gunzip(const QByteArray& packed) {
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK)
        throw TableFailure{0, QStringLiteral("the gzip data cannot be unpacked (zlib)")};
    struct End {
        z_stream* z;
        ~End() { inflateEnd(z); }
    } end{&z};
    // The last four bytes give the unpacked size modulo 4 GiB (of the last
    // member), or anything when the file is cut off: a first guess, trusted
    // up to a ratio that text tables reach.
    qint64 guess = 0;
    if (packed.size() >= 18) {
        const auto* tail = reinterpret_cast<const uchar*>(packed.constData() + packed.size() - 4);
        guess =
            qint64(tail[0]) | qint64(tail[1]) << 8 | qint64(tail[2]) << 16 | qint64(tail[3]) << 24;
    }
    const qint64 most = std::min(kMaxPartBytes + 1, std::max<qint64>(packed.size() * 32, 1 << 16));
    QByteArray out;
    out.resize(std::clamp<qint64>(guess + 1, 1 << 16, most));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    z.avail_in = uInt(packed.size());
    qint64 done = 0;
    for (;;) {
        if (done == out.size()) {
            if (done > kMaxPartBytes) throw TableFailure{0, TooLargeReason(true)};
            out.resize(std::min<qint64>(out.size() * 2, kMaxPartBytes + 1));
        }
        z.next_out = reinterpret_cast<Bytef*>(out.data() + done);
        z.avail_out = uInt(std::min<qint64>(out.size() - done, std::numeric_limits<uInt>::max()));
        const uInt before = z.avail_out;
        const int rc = inflate(&z, Z_NO_FLUSH);
        done += before - z.avail_out;
        if (done > kMaxPartBytes) throw TableFailure{0, TooLargeReason(true)};
        if (rc == Z_STREAM_END) {
            // Another member may follow (files joined with cat); anything
            // else after the end is ignored, as gzip itself does.
            if (z.avail_in >= 2 && z.next_in[0] == 0x1f && z.next_in[1] == 0x8b) {
                inflateReset(&z);
                continue;
            }
            break;
        }
        if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT)
            throw TableFailure{0, QStringLiteral("its gzip data is damaged (%1)")
                                      .arg(QString::fromLatin1(z.msg ? z.msg : "bad data"))};
        if (rc == Z_MEM_ERROR)
            throw TableFailure{0, QStringLiteral("there is not enough memory to unpack it")};
        if (z.avail_in == 0 && z.avail_out > 0)
            throw TableFailure{0, QStringLiteral("its gzip data ends early (the file is cut off)")};
    }
    out.truncate(done);
    return out;
}

}  // namespace

// Reads a table's text: the layout by the first lines, then the rows.
class TableParser {
  public:
    TableParser(const QString& name, QByteArrayView text)
        : p_(text.data()), end_(text.data() + text.size()) {
        table_.path_ = name;
    }

    ExpressionTable Parse();

  private:
    [[noreturn]] void Fail(const QString& reason) const { throw TableFailure{line_, reason}; }
    // The next line without its line end; false at the end of the text.
    bool NextLine(Bytes* line);
    // The next line that is not blank.
    bool NextFilledLine(Bytes* line);
    void Split(Bytes line);
    void CheckCells(qsizetype expected);
    void ReadHeader(Bytes line);
    void ReadWide();
    void ReadLong();
    double Value(Bytes cell, const QString& tissue) const;

    const char* p_;
    const char* end_;
    int line_ = 0;
    ExpressionTable table_;
    std::vector<Bytes> cells_;
    // Columns of the header: gene id, symbol, a long table's tissue and
    // value; -1 when absent.
    int idColumn_ = -1;
    int symbolColumn_ = -1;
    int tissueColumn_ = -1;
    int valueColumn_ = -1;
    qsizetype columns_ = 0;
    QList<int> tissueColumns_;  // a wide table's
    int headerLine_ = 0;
};

bool TableParser::NextLine(Bytes* line) {
    if (p_ >= end_) return false;
    const char* nl = static_cast<const char*>(std::memchr(p_, '\n', size_t(end_ - p_)));
    const char* stop = nl ? nl : end_;
    Bytes l(p_, size_t(stop - p_));
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    p_ = nl ? nl + 1 : end_;
    ++line_;
    *line = l;
    return true;
}

bool TableParser::NextFilledLine(Bytes* line) {
    while (NextLine(line)) {
        if (line->find_first_not_of(" \t") != Bytes::npos) return true;
    }
    return false;
}

void TableParser::Split(Bytes line) {
    cells_.clear();
    size_t start = 0;
    for (;;) {
        const void* tab = std::memchr(line.data() + start, '\t', line.size() - start);
        if (!tab) {
            cells_.push_back(line.substr(start));
            return;
        }
        const size_t at = size_t(static_cast<const char*>(tab) - line.data());
        cells_.push_back(line.substr(start, at - start));
        start = at + 1;
    }
}

void TableParser::CheckCells(qsizetype expected) {
    if (qsizetype(cells_.size()) != expected)
        Fail(QStringLiteral("the row has %1 cells, the header (line %2) has %3")
                 .arg(cells_.size())
                 .arg(headerLine_)
                 .arg(expected));
}

double TableParser::Value(Bytes cell, const QString& tissue) const {
    double value = 0;
    if (!ParseValue(cell, &value))
        Fail(QStringLiteral("the value %1 for tissue \"%2\" is not a decimal number of 0 or more")
                 .arg(Quoted(Trim(cell)), tissue));
    return value;
}

ExpressionTable TableParser::Parse() {
    // A byte order mark before the first line is no part of it.
    if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;
    Bytes line;
    if (!NextFilledLine(&line)) throw TableFailure{0, QStringLiteral("it is empty")};

    // GCT: "#1.2", then the counts of genes and tissues, then the header.
    qint64 gctGenes = -1, gctTissues = -1;
    int countsLine = 0;
    const Bytes first = Trim(line.substr(0, line.find_last_not_of("\t ") + 1));
    if (first.size() >= 4 && first.substr(0, 3) == "#1." && first != "#1.2" && first[3] >= '0' &&
        first[3] <= '9')
        Fail(QStringLiteral("it is a GCT %1 table; GCT 1.2 tables are read")
                 .arg(Decode(first.substr(1))));
    if (first == "#1.2") {
        table_.layout_ = ExpressionLayout::Gct;
        if (!NextLine(&line)) Fail(QStringLiteral("the line of gene and tissue counts is missing"));
        countsLine = line_;
        Split(line);
        while (cells_.size() > 2 && Trim(cells_.back()).empty()) cells_.pop_back();
        const auto count = [](Bytes cell, qint64* n) {
            cell = Trim(cell);
            const char* e = cell.data() + cell.size();
            const auto [ptr, ec] = std::from_chars(cell.data(), e, *n);
            return !cell.empty() && ec == std::errc() && ptr == e && *n >= 0;
        };
        if (cells_.size() != 2 || !count(cells_[0], &gctGenes) || !count(cells_[1], &gctTissues))
            Fail(QStringLiteral("a GCT table gives the counts of genes and tissues here"));
        if (!NextFilledLine(&line)) Fail(QStringLiteral("the header line is missing"));
    } else {
        // Comment lines before the header (Expression Atlas downloads).
        while (line.substr(0, 1) == "#") {
            if (!NextFilledLine(&line)) Fail(QStringLiteral("the header line is missing"));
        }
    }
    ReadHeader(line);
    if (table_.layout_ == ExpressionLayout::Long)
        ReadLong();
    else
        ReadWide();

    if (table_.GeneCount() == 0) throw TableFailure{0, QStringLiteral("it holds no gene rows")};
    if (table_.layout_ == ExpressionLayout::Gct &&
        (gctGenes != table_.GeneCount() || gctTissues != table_.tissues_.size())) {
        throw TableFailure{countsLine,
                           QStringLiteral("the counts say %1 genes and %2 tissues, the table has "
                                          "%3 genes and %4 tissues (is the file cut off?)")
                               .arg(gctGenes)
                               .arg(gctTissues)
                               .arg(table_.GeneCount())
                               .arg(table_.tissues_.size())};
    }
    table_.Index();
    return std::move(table_);
}

void TableParser::ReadHeader(Bytes line) {
    headerLine_ = line_;
    Split(line);
    columns_ = qsizetype(cells_.size());
    QStringList names;
    for (const Bytes cell : cells_) names.append(Decode(Trim(cell)).trimmed());
    for (int c = 0; c < names.size(); ++c) {
        const QString& n = names.at(c);
        if (idColumn_ < 0 && IsIdColumn(n))
            idColumn_ = c;
        else if (symbolColumn_ < 0 && IsSymbolColumn(n))
            symbolColumn_ = c;
        else if (tissueColumn_ < 0 && IsTissueColumn(n) && table_.layout_ != ExpressionLayout::Gct)
            tissueColumn_ = c;
    }
    if (idColumn_ < 0 && symbolColumn_ < 0)
        Fail(
            QStringLiteral("the header has no gene column (Gene, Gene ID, Name; or Gene name, "
                           "Description)"));

    if (tissueColumn_ >= 0) {
        table_.layout_ = ExpressionLayout::Long;
        for (const char* wanted : kValueColumns) {
            for (int c = 0; c < names.size() && valueColumn_ < 0; ++c) {
                if (names.at(c).compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0)
                    valueColumn_ = c;
            }
            if (valueColumn_ >= 0) break;
        }
        if (valueColumn_ < 0)
            Fail(
                QStringLiteral("the header has a Tissue column but no value column (nTPM, NX "
                               "or TPM)"));
        table_.valueColumn_ = names.at(valueColumn_);
        return;
    }

    if (table_.layout_ != ExpressionLayout::Gct) table_.layout_ = ExpressionLayout::Wide;
    for (int c = 0; c < names.size(); ++c) {
        if (c == idColumn_ || c == symbolColumn_) continue;
        const QString& n = names.at(c);
        if (n.isEmpty()) Fail(QStringLiteral("column %1 of the header has no name").arg(c + 1));
        if (table_.tissues_.contains(n))
            Fail(QStringLiteral("the header names tissue \"%1\" twice").arg(n));
        table_.tissues_.append(n);
        tissueColumns_.append(c);
    }
    if (tissueColumns_.isEmpty()) Fail(QStringLiteral("the header names no tissue column"));
}

void TableParser::ReadWide() {
    const qsizetype tissues = tissueColumns_.size();
    // A value takes at least two bytes, most take more.
    table_.values_.reserve(size_t(std::max<qint64>(tissues, (end_ - p_) / 6)));
    Bytes line;
    while (NextFilledLine(&line)) {
        Split(line);
        CheckCells(columns_);
        const Bytes id = idColumn_ >= 0 ? Trim(cells_[size_t(idColumn_)]) : Bytes();
        const Bytes symbol = symbolColumn_ >= 0 ? Trim(cells_[size_t(symbolColumn_)]) : Bytes();
        if (id.empty() && symbol.empty()) Fail(QStringLiteral("the row names no gene"));
        table_.ids_.append(Decode(id));
        table_.symbols_.append(Decode(symbol));
        for (qsizetype t = 0; t < tissues; ++t)
            table_.values_.push_back(
                Value(cells_[size_t(tissueColumns_.at(t))], table_.tissues_.at(t)));
    }
}

void TableParser::ReadLong() {
    struct Cell {
        int gene;
        int tissue;
        double value;
        int line;
    };
    std::vector<Cell> cells;
    cells.reserve(size_t((end_ - p_) / 32));
    // Rows of one gene follow each other, and the tissues come in the same
    // order for each gene: the row before tells both without a look-up.
    QHash<QByteArray, int> geneByKey;
    QHash<QByteArray, int> tissueByName;
    std::vector<Bytes> tissueNames;
    const int keyColumn = idColumn_ >= 0 ? idColumn_ : symbolColumn_;
    Bytes lastKey;
    int gene = -1;
    int tissue = -1;
    Bytes line;
    while (NextFilledLine(&line)) {
        Split(line);
        CheckCells(columns_);
        const Bytes key = Trim(cells_[size_t(keyColumn)]);
        if (key.empty()) Fail(QStringLiteral("the row names no gene"));
        if (gene < 0 || key != lastKey) {
            const auto known =
                geneByKey.constFind(QByteArray::fromRawData(key.data(), qsizetype(key.size())));
            if (known != geneByKey.cend()) {
                gene = *known;
            } else {
                gene = int(table_.symbols_.size());
                geneByKey.insert(QByteArray(key.data(), qsizetype(key.size())), gene);
                table_.ids_.append(idColumn_ >= 0 ? Decode(key) : QString());
                table_.symbols_.append(
                    symbolColumn_ >= 0 ? Decode(Trim(cells_[size_t(symbolColumn_)])) : QString());
            }
            lastKey = key;
        }
        const Bytes name = Trim(cells_[size_t(tissueColumn_)]);
        const size_t next = size_t(tissue + 1) < tissueNames.size() ? size_t(tissue + 1) : 0;
        if (!tissueNames.empty() && tissueNames[next] == name) {
            tissue = int(next);
        } else {
            if (name.empty()) Fail(QStringLiteral("the row names no tissue"));
            const auto known = tissueByName.constFind(
                QByteArray::fromRawData(name.data(), qsizetype(name.size())));
            if (known != tissueByName.cend()) {
                tissue = *known;
            } else {
                tissue = int(tissueNames.size());
                tissueByName.insert(QByteArray(name.data(), qsizetype(name.size())), tissue);
                tissueNames.push_back(name);
                table_.tissues_.append(Decode(name));
            }
        }
        cells.push_back(
            {gene, tissue, Value(cells_[size_t(valueColumn_)], table_.tissues_.at(tissue)), line_});
    }

    // One value per gene and tissue; a pair without a row reads 0.
    const size_t width = size_t(table_.tissues_.size());
    table_.values_.assign(table_.symbols_.size() * width, std::numeric_limits<double>::quiet_NaN());
    for (const Cell& c : cells) {
        double& v = table_.values_[size_t(c.gene) * width + size_t(c.tissue)];
        if (!std::isnan(v)) {
            const QString& g = table_.ids_.at(c.gene).isEmpty() ? table_.symbols_.at(c.gene)
                                                                : table_.ids_.at(c.gene);
            throw TableFailure{c.line, QStringLiteral("gene \"%1\" has a second value for tissue "
                                                      "\"%2\"")
                                           .arg(g, table_.tissues_.at(c.tissue))};
        }
        v = c.value;
    }
    for (double& v : table_.values_) {
        if (std::isnan(v)) v = 0;
    }
}

// ---------------------------------------------------------------------------

QString TableLookup::Reason() const {
    if (Found()) return QString();
    if (rows > 1) return QStringLiteral("ambiguous symbol (%1 rows)").arg(rows);
    return QStringLiteral("not in the table");
}

QString ExpressionTable::FileName() const {
    return QFileInfo(path_).fileName();
}

void ExpressionTable::Index() {
    const auto add = [](QHash<QString, Entry>& index, const QString& key, int gene) {
        if (key.isEmpty()) return;
        Entry& e = index[key];
        if (e.rows++ == 0) e.gene = gene;
    };
    bySymbol_.reserve(symbols_.size());
    byId_.reserve(ids_.size());
    for (int g = 0; g < GeneCount(); ++g) {
        add(bySymbol_, symbols_.at(g), g);
        add(byId_, WithoutVersion(ids_.at(g)), g);
    }
}

TableLookup ExpressionTable::Find(const QString& term) const {
    Entry e = bySymbol_.value(term);
    if (e.rows == 0) e = byId_.value(WithoutVersion(term));
    return {e.rows == 1 ? e.gene : -1, e.rows};
}

namespace {

ExpressionTableResult Parse(const QString& name, QByteArrayView text, const QString& inner) {
    try {
        TableParser parser(name, text);
        ExpressionTableResult r;
        r.table = parser.Parse();
        r.ok = true;
        return r;
    } catch (const TableFailure& f) {
        return Failed(name, f, inner);
    }
}

}  // namespace

ExpressionTableResult ParseExpressionTable(const QString& name, QByteArrayView text) {
    return Parse(name, text, QString());
}

ExpressionTableResult ReadExpressionTable(const QString& path) {
    QFile file(path);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return Failed(path, {0, QStringLiteral("the file was not found")});
    if (!info.isFile()) return Failed(path, {0, QStringLiteral("it is not a file")});
    if (!file.open(QIODevice::ReadOnly)) return Failed(path, {0, file.errorString()});
    if (file.size() > kMaxPartBytes) return Failed(path, {0, TooLargeReason(false)});
    const QByteArray head = file.peek(4);

    // Packed tables by their first bytes: zip archive, gzip.
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06")) {
        file.close();
        QByteArray text;
        QString inner, error;
        if (!ReadOneZipFile(path, &text, &inner, &error)) return Failed(path, {0, error});
        return Parse(path, text, inner);
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size()) return Failed(path, {0, file.errorString()});
    if (head.startsWith("\x1f\x8b")) {
        try {
            const QByteArray text = Gunzip(bytes);
            return ParseExpressionTable(path, text);
        } catch (const TableFailure& f) {
            return Failed(path, f);
        }
    }
    return ParseExpressionTable(path, bytes);
}

// ---------------------------------------------------------------------------

QStringList DefaultTableTissues(const QStringList& tissues) {
    return ChooseTableTissues(tissues, {QStringLiteral("ovary"), QStringLiteral("testis")});
}

QStringList ChooseTableTissues(const QStringList& tissues, const QStringList& names,
                               QStringList* unknown) {
    QStringList chosen;
    for (const QString& t : tissues) {
        if (names.contains(t, Qt::CaseInsensitive)) chosen.append(t);
    }
    if (unknown) {
        unknown->clear();
        for (const QString& n : names) {
            if (!tissues.contains(n, Qt::CaseInsensitive)) unknown->append(n);
        }
    }
    return chosen;
}

QString ExpressionTableLine(ProfileSpecies species, const ExpressionTable& table) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const auto count = [&english](qsizetype n, const char* one, const char* many) {
        return english.toString(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
    };
    return QStringLiteral("Expression table (%1): %2, %3, %4")
        .arg(species == ProfileSpecies::Human ? QStringLiteral("human") : QStringLiteral("mouse"),
             table.FileName(), count(table.GeneCount(), "gene", "genes"),
             count(table.Tissues().size(), "tissue", "tissues"));
}

}  // namespace quill
