#pragma once
// src/sheets: spreadsheets and the lists this program saves. This header
// reads workbooks; its readers that need FreeXL, orcus or libzip
// (spreadsheet.cpp, xlsxreader.cpp, sheetparts.cpp) form the sheets module in
// a build with modules, reached through spreadsheetstandin.cpp, while
// spreadsheetfiles.cpp (which reader a file goes to, text files, the import
// rule of hit names) stays in quill_core. termfile.h reads the term list of
// a command-line run, savedlists.h reads back the saved hit lists, and gui/
// holds the sheet window the term lists import cells from.
//
// Reading spreadsheet files for the term list import. A file is known by its
// content, whatever its name: .xls (an OLE2 compound file) through FreeXL,
// .xlsx (a zip package with an Office workbook) through libzip and
// QXmlStreamReader (as office suites and Python's writers store it), .ods (a
// zip package with content.xml) and CSV through orcus; other text as this
// program's saved hit lists or line by line. Every cell comes back as the
// text a spreadsheet shows for it (numbers in general format: 42, 3.5, 1E+20;
// dates as 2024-03-05 or 2024-03-05 14:30:00, times as 14:30:00).

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace quill {

struct SheetData {
    QString name;
    int rows = 0;            // rows that hold data (from row 1)
    int columns = 0;         // columns that hold data (from column A)
    QVector<QString> cells;  // row-major, rows * columns

    QString Cell(int row, int column) const {  // 0-based; "" outside the data
        if (row < 0 || column < 0 || row >= rows || column >= columns) return QString();
        return cells[row * columns + column];
    }
};

struct Workbook {
    QString path;
    QList<SheetData> sheets;
    // A plain text file: one sheet whose column A holds its lines, empty
    // ones included.
    bool lines = false;
};

struct WorkbookResult {
    bool ok = false;
    QString error;  // names the file and the reason
    Workbook book;
};

// Limits of what a file may hold: a file past one is refused, with a message
// that names the file and the limit, and nothing of it is read.
// The most cells one workbook's sheets may span (rows times columns, added
// over the sheets).
inline constexpr qint64 kMaxWorkbookCells = 20'000'000;
// The longest text of one cell (or one line of a plain text term file), as
// in Excel; a term is a few dozen characters.
inline constexpr int kMaxCellChars = 32'767;

// Reads every sheet of the file. Text (UTF-8, else Windows-1252) gives one
// sheet: the hit entries of this program's saved hit lists (their heading
// lines left out), CSV cells when the file is named .csv or its text opens
// with a quoted field, otherwise one cell per line.
WorkbookResult ReadWorkbook(const QString& path);
// The same for bytes read elsewhere (standard input); name stands for the
// file in messages and rules.
WorkbookResult ReadWorkbookBytes(const QString& name, const QByteArray& bytes);

// A number as a spreadsheet's general format shows it: whole numbers without
// a decimal part, at most 15 significant digits, exponent form for very large
// or very small values.
QString FormatCellNumber(double value);

// The Open dialog's filter: the .xls entry first, then the further formats,
// text, and every file (a file is read by its content, whatever its name).
QString SpreadsheetOpenFilter();

// The import transformation of IGTC hit names: "Abc1 | 123 MM#2" becomes
// "Abc1 123", "Abc1 |x" becomes "Abc1 ", text without "|" is unchanged.
// nullopt when "MM#" stands too close after (or before) the "|".
std::optional<QString> HitNameFromImport(const QString& text);

}  // namespace quill
