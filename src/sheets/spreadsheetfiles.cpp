// What spreadsheet.h offers apart from the readers that need FreeXL, orcus
// or libzip (spreadsheet.cpp, xlsxreader.cpp, sheetparts.cpp): which reader
// a file goes to, text files, and the import rules. This stays in
// quill_core when those readers are a module (see backendmodules.h), so that
// a text file is read without loading their libraries.

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>

#include "sheets/savedlists.h"
#include "sheets/sheetparts.h"
#include "sheets/spreadsheet.h"
#include "text/textrules.h"

namespace quill {

namespace {

// What a file holds, told by its first bytes: an OLE2 compound file is an
// .xls workbook, a zip package an .xlsx or an .ods workbook (told by its
// parts), and anything else is read as text.
enum class FileKind { Xls, Package, Text };

FileKind KindOfBytes(const QByteArray& head) {
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return FileKind::Xls;
    if (!head.startsWith("PK\x03\x04") && !head.startsWith("PK\x05\x06")) return FileKind::Text;
    return FileKind::Package;
}

// One sheet whose column A holds the texts, one per row.
WorkbookResult OneColumn(const QString& path, const QStringList& texts) {
    WorkbookResult r;
    r.book.path = path;
    if (texts.size() > kMaxWorkbookCells) {
        r.error = SheetFail(path, QStringLiteral("it holds more cells than can be shown"));
        return r;
    }
    SheetData sheet;
    sheet.name = QFileInfo(path).completeBaseName();
    sheet.rows = int(texts.size());
    sheet.columns = texts.isEmpty() ? 0 : 1;
    sheet.cells = QVector<QString>(texts.cbegin(), texts.cend());
    r.book.sheets.append(sheet);
    r.ok = true;
    return r;
}

// A text file: this program's saved hit lists give their hit entries; a file
// named .csv, or whose text opens with a quoted field, is read as CSV; any
// other text gives one cell per line. Bytes that are not UTF-8 are read as
// Windows-1252.
WorkbookResult ReadTextBytes(const QString& path, const QByteArray& bytes);

WorkbookResult ReadTextFile(const QString& path) {
    WorkbookResult r;
    r.book.path = path;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.error = SheetFail(path, f.errorString());
        return r;
    }
    // A text of terms or hits is small: a file past the size of a package
    // part is refused before it is read.
    if (f.size() > kMaxPartBytes) {
        r.error =
            SheetFail(path, QStringLiteral("it is larger than %1 MiB, the most a text file may "
                                           "hold")
                                .arg(kMaxPartBytes >> 20));
        return r;
    }
    return ReadTextBytes(path, f.readAll());
}

WorkbookResult ReadTextBytes(const QString& path, const QByteArray& bytes) {
    WorkbookResult r;
    r.book.path = path;
    if (bytes.contains('\0')) {
        r.error =
            SheetFail(path, QStringLiteral("it is neither a spreadsheet (.xls, .xlsx, .ods) nor a "
                                           "text file"));
        return r;
    }
    const QString text = DecodeInputText(bytes);
    if (const std::optional<QStringList> entries = SavedListEntries(text)) {
        for (const QString& entry : *entries) {
            if (entry.size() > kMaxCellChars) {
                r.error = SheetFail(path, CellTooLongReason());
                return r;
            }
        }
        return OneColumn(path, *entries);
    }
    if (LowerSuffix(path) == QLatin1String("csv") || text.startsWith(QLatin1Char('"')))
        return ReadCsvWorkbook(path, &bytes);
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList rows = lines.split(QLatin1Char('\n'));
    if (!rows.isEmpty() && rows.last().isEmpty()) rows.removeLast();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows.at(i).size() > kMaxCellChars) {
            r.error =
                SheetFail(path, QStringLiteral("line %1 holds more than %2 characters, the most "
                                               "a line may hold")
                                    .arg(i + 1)
                                    .arg(kMaxCellChars));
            return r;
        }
    }
    r = OneColumn(path, rows);
    r.book.lines = true;
    return r;
}

}  // namespace

WorkbookResult ReadWorkbook(const QString& path) {
    WorkbookResult r;
    r.book.path = path;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        r.error = SheetFail(path, QStringLiteral("the file was not found"));
        return r;
    }
    if (!info.isFile()) {
        r.error = SheetFail(path, QStringLiteral("it is not a file"));
        return r;
    }
    QFile file(path);
    if (!info.isReadable() || !file.open(QIODevice::ReadOnly)) {
        r.error = SheetFail(path, QStringLiteral("the file cannot be read (no permission)"));
        return r;
    }
    const QByteArray head = file.read(8);
    file.close();
    switch (KindOfBytes(head)) {
        case FileKind::Xls:
            r = ReadXlsWorkbook(path);
            break;
        case FileKind::Package:
            r = ReadPackageWorkbook(path);
            break;
        case FileKind::Text:
            r = ReadTextFile(path);
            break;
    }
    // A reading that failed part way shows nothing of what it read.
    if (!r.ok) r.book.sheets.clear();
    return r;
}

WorkbookResult ReadWorkbookBytes(const QString& name, const QByteArray& bytes) {
    if (bytes.size() > kMaxPartBytes) {
        WorkbookResult r;
        r.book.path = name;
        r.error =
            SheetFail(name, QStringLiteral("it is larger than %1 MiB, the most a text file may "
                                           "hold")
                                .arg(kMaxPartBytes >> 20));
        return r;
    }
    if (KindOfBytes(bytes.left(8)) == FileKind::Text) return ReadTextBytes(name, bytes);
    // The package and .xls readers read files: such bytes go through a
    // temporary file that carries the name.
    WorkbookResult r;
    r.book.path = name;
    const QTemporaryDir dir;
    QFile copy(dir.filePath(QFileInfo(name).fileName()));
    if (!dir.isValid() || !copy.open(QIODevice::WriteOnly) || copy.write(bytes) != bytes.size() ||
        !copy.flush()) {
        r.error = SheetFail(
            name,
            QStringLiteral("it could not be copied for reading (%1)").arg(copy.errorString()));
        return r;
    }
    copy.close();
    r = ReadWorkbook(copy.fileName());
    r.error.replace(copy.fileName(), name);
    r.book.path = name;
    return r;
}

QString FormatCellNumber(double value) {
    if (std::isnan(value) || std::isinf(value)) return QStringLiteral("#NUM!");
    if (value == 0) return QStringLiteral("0");
    if (std::floor(value) == value && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    QString text = QString::number(value, 'g', 15);
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    return text;
}

QString SpreadsheetOpenFilter() {
    return QStringLiteral(
        "Excel Worksheet|*.xls|Excel Workbook|*.xlsx|OpenDocument Spreadsheet|*.ods|"
        "Comma-separated values|*.csv|Text|*.txt|All files|*");
}

std::optional<QString> HitNameFromImport(const QString& text) {
    const int b = InStr(text, QStringLiteral("|"));
    if (b == 0) return text;
    const QString left = text.left(b - 1);
    const int m = InStr(text, QStringLiteral("MM#"));
    if (m == 0) return left;
    const std::optional<QString> middle = Cut(text, b + 2, m - b - 3);
    if (!middle) return std::nullopt;
    return left + *middle;
}

QString CellTooLongReason() {
    return QStringLiteral("a cell holds more than %1 characters, the most a cell may hold")
        .arg(kMaxCellChars);
}

QString LowerSuffix(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

QString SheetFail(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot read the spreadsheet \"%1\": %2.")
        .arg(QFileInfo(path).fileName(), reason);
}

}  // namespace quill
