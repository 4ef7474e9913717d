#include "sheets/spreadsheet.h"

#include <freexl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <exception>
#include <memory>
#include <orcus/orcus_csv.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/spreadsheet/import_interface.hpp>
#include <stdexcept>
#include <vector>

#include "sheets/savedlists.h"
#include "sheets/sheetparts.h"
#include "text/textrules.h"

namespace quill {

namespace {

QString FreeXlReason(int code) {
    switch (code) {
        case FREEXL_FILE_NOT_FOUND:
            return QStringLiteral("the file was not found");
        case FREEXL_INSUFFICIENT_MEMORY:
            return QStringLiteral("not enough memory");
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_CFBF_INVALID_SIGNATURE:
            return QStringLiteral("it is not an Excel 97-2003 workbook (.xls)");
        case FREEXL_CFBF_READ_ERROR:  // also what a short text file gives
            return QStringLiteral("it is not an Excel 97-2003 workbook (.xls), or it is cut short");
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            return QStringLiteral("the file holds no workbook");
        case FREEXL_UNSUPPORTED_CHARSET:
        case FREEXL_INVALID_CHARACTER:
            return QStringLiteral("its text uses an unsupported character set");
        default:
            break;
    }
    return QStringLiteral("the .xls file is damaged or of an unsupported kind (FreeXL error %1)")
        .arg(code);
}

// Closes a FreeXL handle however the reading ends.
struct FreeXlHandle {
    const void* h = nullptr;
    ~FreeXlHandle() {
        if (h) freexl_close(h);
    }
};

WorkbookResult ReadXls(const QString& path) {
    WorkbookResult r;
    r.book.path = path;
    FreeXlHandle xl;
    const QByteArray native = QFile::encodeName(path);
    int rc = freexl_open(native.constData(), &xl.h);
    if (rc != FREEXL_OK) {
        r.error = SheetFail(path, FreeXlReason(rc));
        return r;
    }
    unsigned int sheetCount = 0;
    rc = freexl_get_info(xl.h, FREEXL_BIFF_SHEET_COUNT, &sheetCount);
    if (rc != FREEXL_OK) {
        r.error = SheetFail(path, FreeXlReason(rc));
        return r;
    }
    qint64 total = 0;
    for (unsigned int s = 0; s < sheetCount; ++s) {
        SheetData sheet;
        const char* name = nullptr;
        if (freexl_get_worksheet_name(xl.h, static_cast<unsigned short>(s), &name) == FREEXL_OK &&
            name)
            sheet.name = QString::fromUtf8(name);
        else
            sheet.name = QStringLiteral("Sheet%1").arg(s + 1);
        unsigned int rows = 0;
        unsigned short cols = 0;
        rc = freexl_select_active_worksheet(xl.h, static_cast<unsigned short>(s));
        if (rc == FREEXL_OK) rc = freexl_worksheet_dimensions(xl.h, &rows, &cols);
        if (rc != FREEXL_OK) {
            r.error = SheetFail(path, FreeXlReason(rc));
            return r;
        }
        total += qint64(rows) * cols;
        if (total > kMaxWorkbookCells) {
            r.error = SheetFail(path, TooManyCellsReason());
            return r;
        }
        sheet.rows = int(rows);
        sheet.columns = int(cols);
        sheet.cells.resize(qsizetype(rows) * cols);
        for (unsigned int row = 0; row < rows; ++row) {
            for (unsigned short col = 0; col < cols; ++col) {
                FreeXL_CellValue v;
                rc = freexl_get_cell_value(xl.h, row, col, &v);
                if (rc != FREEXL_OK) {
                    r.error = SheetFail(path, FreeXlReason(rc));
                    return r;
                }
                QString text;
                switch (v.type) {
                    case FREEXL_CELL_INT:
                        text = QString::number(v.value.int_value);
                        break;
                    case FREEXL_CELL_DOUBLE:
                        text = FormatCellNumber(v.value.double_value);
                        break;
                    case FREEXL_CELL_TEXT:
                    case FREEXL_CELL_SST_TEXT:
                    case FREEXL_CELL_DATE:
                    case FREEXL_CELL_DATETIME:
                    case FREEXL_CELL_TIME:
                        if (v.value.text_value) text = QString::fromUtf8(v.value.text_value);
                        if (text.size() > kMaxCellChars) {
                            r.error = SheetFail(path, CellTooLongReason());
                            return r;
                        }
                        break;
                    default:
                        break;
                }
                sheet.cells[qsizetype(row) * cols + col] = text;
            }
        }
        r.book.sheets.append(sheet);
    }
    r.ok = true;
    return r;
}

// FreeXL stops the whole process on some damaged files (it reads past its
// own buffers), so an .xls file is read in a child process that hands the
// workbook back through a pipe. A child that dies leaves only a message.
WorkbookResult ReadXlsApart(const QString& path) {
    int fds[2];
    if (pipe(fds) != 0) return ReadXls(path);
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return ReadXls(path);
    }
    if (child == 0) {
        close(fds[0]);
        const WorkbookResult r = ReadXls(path);
        QByteArray data;
        {
            QDataStream out(&data, QIODevice::WriteOnly);
            out << r.ok << r.error << qint32(r.book.sheets.size());
            for (const SheetData& sheet : r.book.sheets)
                out << sheet.name << qint32(sheet.rows) << qint32(sheet.columns) << sheet.cells;
        }
        const char* p = data.constData();
        qsizetype left = data.size();
        while (left > 0) {
            const ssize_t n = write(fds[1], p, size_t(left));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) _exit(1);
            p += n;
            left -= n;
        }
        _exit(0);
    }
    close(fds[1]);
    QByteArray data;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        data.append(buffer, n);
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    WorkbookResult r;
    r.book.path = path;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        r.error =
            SheetFail(path, QStringLiteral("the .xls file is damaged (its reading broke off)"));
        return r;
    }
    QDataStream in(data);
    qint32 count = 0;
    in >> r.ok >> r.error >> count;
    for (qint32 k = 0; k < count && in.status() == QDataStream::Ok; ++k) {
        SheetData sheet;
        qint32 rows = 0, columns = 0;
        in >> sheet.name >> rows >> columns >> sheet.cells;
        sheet.rows = rows;
        sheet.columns = columns;
        if (qint64(rows) * columns != sheet.cells.size())
            in.setStatus(QDataStream::ReadCorruptData);
        r.book.sheets.append(sheet);
    }
    if (in.status() != QDataStream::Ok) {
        r = WorkbookResult();
        r.book.path = path;
        r.error = SheetFail(path, QStringLiteral("the .xls file could not be read"));
    }
    return r;
}

using row_t = orcus::spreadsheet::row_t;
using col_t = orcus::spreadsheet::col_t;

// Collects the cells that an orcus import filter reports, as text; a file
// past a limit throws SheetLimit out of the filter. The .ods
// filter reads a row that stands for several (table:number-rows-repeated)
// once and moves on by the count: such rows are given here (first row ->
// count) and their cells repeated.
class CollectSheet final : public orcus::spreadsheet::iface::import_sheet,
                           public orcus::spreadsheet::iface::import_formula {
  public:
    CollectSheet(const QString& name, const QStringList& strings, QHash<int, int> repeatedRows)
        : name_(name), strings_(strings), repeatedRows_(std::move(repeatedRows)) {}

    void set_auto(row_t row, col_t col, std::string_view s) override {
        Put(row, col, CellFromUtf8(s));
    }
    void set_string(row_t row, col_t col, orcus::spreadsheet::string_id_t index) override {
        Put(row, col, index < uint32_t(strings_.size()) ? strings_[qsizetype(index)] : QString());
    }
    void set_value(row_t row, col_t col, double value) override {
        Put(row, col, FormatCellNumber(value));
    }
    void set_bool(row_t row, col_t col, bool value) override {
        Put(row, col, value ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    }
    void set_date_time(row_t row, col_t col, int year, int month, int day, int hour, int minute,
                       double second) override {
        Put(row, col, DateTimeText(year, month, day, hour, minute, int(second)));
    }
    void set_format(row_t, col_t, size_t) override {}
    void set_format(row_t, col_t, row_t, col_t, size_t) override {}
    void fill_down_cells(row_t row, col_t col, row_t size) override {
        const QString text = sheet_.At(row, col);
        for (row_t r = 1; r <= size && qint64(row) + r < kMaxSheetRows; ++r)
            Put(row + r, col, text);
    }
    orcus::spreadsheet::range_size_t get_sheet_size() const override {
        return {kMaxSheetRows, kMaxSheetColumns};
    }
    orcus::spreadsheet::iface::import_formula* get_formula() override { return this; }

    // A formula cell shows its stored result.
    void set_position(row_t row, col_t col) override {
        fRow_ = row;
        fCol_ = col;
        fResult_.clear();
    }
    void set_formula(orcus::spreadsheet::formula_grammar_t, std::string_view) override {}
    void set_shared_formula_index(size_t) override {}
    void set_result_string(std::string_view value) override { fResult_ = CellFromUtf8(value); }
    void set_result_value(double value) override { fResult_ = FormatCellNumber(value); }
    void set_result_bool(bool value) override {
        fResult_ = value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    }
    void set_result_empty() override { fResult_.clear(); }
    void commit() override { Put(fRow_, fCol_, fResult_); }

    SheetData Take() const { return sheet_.Take(name_); }
    qint64 Area() const { return sheet_.Area(); }

  private:
    void Put(row_t row, col_t col, const QString& text) {
        if (row < 0 || col < 0 || row >= kMaxSheetRows || col >= kMaxSheetColumns) return;
        const int count = repeatedRows_.value(row, 1);
        if (!sheet_.Fits(row + count - 1, col)) throw SheetLimit{TooManyCellsReason()};
        for (int i = 0; i < count; ++i) sheet_.Put(row + i, col, text);
    }

    QString name_;
    const QStringList& strings_;
    QHash<int, int> repeatedRows_;
    SheetBuilder sheet_;
    row_t fRow_ = 0;
    col_t fCol_ = 0;
    QString fResult_;
};

class CollectStrings final : public orcus::spreadsheet::iface::import_shared_strings {
  public:
    explicit CollectStrings(QStringList& strings) : strings_(strings) {}
    size_t append(std::string_view s) override {
        strings_.append(CellFromUtf8(s));
        return size_t(strings_.size() - 1);
    }
    size_t add(std::string_view s) override {
        const QString text = CellFromUtf8(s);
        const auto it = index_.constFind(text);
        if (it != index_.cend()) return *it;
        strings_.append(text);
        index_.insert(text, size_t(strings_.size() - 1));
        return size_t(strings_.size() - 1);
    }
    void set_segment_font(size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(orcus::spreadsheet::color_elem_t, orcus::spreadsheet::color_elem_t,
                                orcus::spreadsheet::color_elem_t,
                                orcus::spreadsheet::color_elem_t) override {}
    void append_segment(std::string_view s) override {
        segments_ += CellFromUtf8(s);
        if (segments_.size() > kMaxCellChars) throw SheetLimit{CellTooLongReason()};
    }
    size_t commit_segments() override {
        strings_.append(segments_);
        segments_.clear();
        return size_t(strings_.size() - 1);
    }

  private:
    QStringList& strings_;
    QHash<QString, size_t> index_;
    QString segments_;
};

// Reads cell addresses in A1 form ("B12", "$B$12") and ranges ("A1:C3").
class A1Resolver final : public orcus::spreadsheet::iface::import_reference_resolver {
  public:
    orcus::spreadsheet::src_address_t resolve_address(std::string_view text) override {
        orcus::spreadsheet::src_address_t a{0, 0, 0};
        size_t i = text.rfind('!');
        i = (i == std::string_view::npos) ? 0 : i + 1;
        long col = 0;
        long row = 0;
        if (i < text.size() && text[i] == '$') ++i;
        const size_t colStart = i;
        for (; i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])); ++i) {
            col = col * 26 + (std::toupper(static_cast<unsigned char>(text[i])) - 'A' + 1);
            if (col > 16384) throw std::invalid_argument("cell address out of range");
        }
        if (i == colStart) throw std::invalid_argument("cell address without a column");
        if (i < text.size() && text[i] == '$') ++i;
        const size_t rowStart = i;
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            row = row * 10 + (text[i] - '0');
            if (row > 1048576) throw std::invalid_argument("cell address out of range");
        }
        if (i == rowStart || i != text.size() || row < 1)
            throw std::invalid_argument("malformed cell address");
        a.row = row_t(row - 1);
        a.column = col_t(col - 1);
        return a;
    }
    orcus::spreadsheet::src_range_t resolve_range(std::string_view text) override {
        const size_t colon = text.find(':');
        if (colon == std::string_view::npos) {
            const auto a = resolve_address(text);
            return {a, a};
        }
        return {resolve_address(text.substr(0, colon)), resolve_address(text.substr(colon + 1))};
    }
};

class CollectFactory final : public orcus::spreadsheet::iface::import_factory {
  public:
    orcus::spreadsheet::iface::import_reference_resolver* get_reference_resolver(
        orcus::spreadsheet::formula_ref_context_t) override {
        return &resolver_;
    }
    orcus::spreadsheet::iface::import_shared_strings* get_shared_strings() override {
        return &shared_;
    }
    // The rows that stand for several, for each sheet in turn.
    explicit CollectFactory(QList<QHash<int, int>> repeatedRows)
        : shared_(strings_), repeatedRows_(std::move(repeatedRows)) {}

    orcus::spreadsheet::iface::import_sheet* append_sheet(orcus::spreadsheet::sheet_t,
                                                          std::string_view name) override {
        sheets_.push_back(std::make_unique<CollectSheet>(
            QString::fromUtf8(name.data(), qsizetype(name.size())), strings_,
            repeatedRows_.value(qsizetype(sheets_.size()))));
        names_.append(QString::fromUtf8(name.data(), qsizetype(name.size())));
        return sheets_.back().get();
    }
    orcus::spreadsheet::iface::import_sheet* get_sheet(std::string_view name) override {
        const qsizetype i = names_.indexOf(QString::fromUtf8(name.data(), qsizetype(name.size())));
        return i < 0 ? nullptr : sheets_[size_t(i)].get();
    }
    orcus::spreadsheet::iface::import_sheet* get_sheet(orcus::spreadsheet::sheet_t index) override {
        return index < 0 || size_t(index) >= sheets_.size() ? nullptr
                                                            : sheets_[size_t(index)].get();
    }
    void finalize() override {}

    const std::vector<std::unique_ptr<CollectSheet>>& Sheets() const { return sheets_; }

  private:
    QStringList strings_;
    CollectStrings shared_;
    A1Resolver resolver_;
    QList<QHash<int, int>> repeatedRows_;
    QStringList names_;
    std::vector<std::unique_ptr<CollectSheet>> sheets_;
};

// Reads every XML part of an .ods package through, so that damage is told
// plainly here rather than met by the orcus filter, whose parser stops the
// program on some damaged parts; "" when all is well. Also gives the rows of
// each table that stand for several (table:number-rows-repeated), numbered as
// the filter numbers them: each row element moves it on by its count. Throws
// SheetLimit for a part past the limits of ZipPart, before the filter reads it.
QString ScanOds(const QString& path, QList<QHash<int, int>>* repeatedRows) {
    static const QString kTable = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
    const ZipPackage package(path);
    if (!package.IsOpen()) return package.Error();
    const QStringList names = package.Names();
    if (!names.contains(QLatin1String("content.xml")))
        return QStringLiteral("it has no part content.xml");
    for (const QString& name : names) {
        if (!name.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive)) continue;
        const std::unique_ptr<ZipPart> part = package.Open(name);
        if (!part) return QStringLiteral("its part %1 cannot be unpacked").arg(name);
        const bool content = name == QLatin1String("content.xml");
        QXmlStreamReader xml(part.get());
        qint64 row = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || !content ||
                xml.namespaceUri() != kTable)
                continue;
            if (xml.name() == QLatin1String("table")) {
                repeatedRows->append(QHash<int, int>());
                row = 0;
            } else if (xml.name() == QLatin1String("table-row") && !repeatedRows->isEmpty()) {
                // A count that is no number reads as 0, as the filter reads it.
                const QStringView count =
                    xml.attributes().value(kTable, QLatin1String("number-rows-repeated"));
                const qint64 step =
                    count.isNull() ? 1 : std::clamp<qint64>(count.toLongLong(), INT_MIN, INT_MAX);
                if (step > 1 && row >= 0 && row < kMaxSheetRows)
                    repeatedRows->last().insert(int(row),
                                                int(std::min<qint64>(step, kMaxSheetRows - row)));
                row += step;
            }
        }
        // The rest of the part too, so that its checksum is checked.
        char rest[4096];
        qint64 n = 0;
        while (!xml.hasError() && (n = part->read(rest, sizeof rest)) > 0) {
        }
        if (!part->Limit().isEmpty()) throw SheetLimit{part->Limit()};
        if (xml.hasError() || n < 0) {
            QString why = part->errorString();
            if (why.isEmpty() || why == QLatin1String("Unknown error")) why = xml.errorString();
            if (why.endsWith(QLatin1Char('.'))) why.chop(1);
            return QStringLiteral("%1 in its part %2").arg(why, name);
        }
    }
    return QString();
}

// An .ods file, or CSV text: from the file at path, or from csvBytes when
// they are given (path then only names the text in messages).
WorkbookResult ReadWithOrcus(const QString& path, const QString& suffix,
                             const QByteArray* csvBytes = nullptr) {
    WorkbookResult r;
    r.book.path = path;
    try {
        const bool ods = suffix == QLatin1String("ods");
        QList<QHash<int, int>> repeatedRows;
        if (ods) {
            const QString damage = ScanOds(path, &repeatedRows);
            if (!damage.isEmpty()) throw std::runtime_error(damage.toStdString());
        }
        CollectFactory factory(repeatedRows);
        if (ods) {
            orcus::orcus_ods filter(&factory);
            filter.read_file(QFile::encodeName(path).toStdString());
        } else {
            // Line ends are made plain line feeds, so no cell keeps a carriage return.
            QByteArray bytes;
            if (csvBytes) {
                bytes = DecodeInputText(*csvBytes).toUtf8();
            } else {
                QFile f(path);
                if (!f.open(QIODevice::ReadOnly)) {
                    r.error = SheetFail(path, f.errorString());
                    return r;
                }
                bytes = DecodeInputText(f.readAll()).toUtf8();
            }
            bytes.replace("\r\n", "\n");
            bytes.replace('\r', '\n');
            orcus::orcus_csv filter(&factory);
            filter.read_stream(std::string_view(bytes.constData(), size_t(bytes.size())));
        }
        qint64 total = 0;
        for (const auto& sheet : factory.Sheets()) {
            total += sheet->Area();
            if (total > kMaxWorkbookCells) throw SheetLimit{TooManyCellsReason()};
            r.book.sheets.append(sheet->Take());
        }
    } catch (const SheetLimit& limit) {
        r.book.sheets.clear();
        r.error = SheetFail(path, limit.reason);
        return r;
    } catch (const std::exception& e) {
        r.book.sheets.clear();
        QString reason = QString::fromUtf8(e.what()).trimmed();
        if (reason.endsWith(QLatin1Char('.'))) reason.chop(1);
        QString why = QStringLiteral("the file is damaged or not a .%1 file").arg(suffix);
        if (!reason.isEmpty()) why += QStringLiteral(" (") + reason + QLatin1Char(')');
        r.error = SheetFail(path, why);
        return r;
    } catch (...) {
        r.book.sheets.clear();
        r.error =
            SheetFail(path, QStringLiteral("the file is damaged or not a .%1 file").arg(suffix));
        return r;
    }
    if (r.book.sheets.isEmpty()) {
        r.error = SheetFail(path, QStringLiteral("the file holds no sheet"));
        return r;
    }
    r.ok = true;
    return r;
}

}  // namespace

WorkbookResult ReadXlsWorkbook(const QString& path) {
    return ReadXlsApart(path);
}

WorkbookResult ReadPackageWorkbook(const QString& path) {
    const ZipPackage package(path);
    // A package that does not open goes to the reader its name asks for,
    // which tells what is wrong with it.
    const bool ods = package.IsOpen() ? package.Names().contains(QLatin1String("content.xml")) ||
                                            package.Names().contains(QLatin1String("mimetype"))
                                      : LowerSuffix(path) == QLatin1String("ods");
    return ods ? ReadWithOrcus(path, QStringLiteral("ods")) : ReadXlsx(path);
}

WorkbookResult ReadCsvWorkbook(const QString& path, const QByteArray* bytes) {
    return ReadWithOrcus(path, QStringLiteral("csv"), bytes);
}

}  // namespace quill
