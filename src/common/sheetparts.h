#pragma once
// Pieces the spreadsheet readers share: a sheet under construction, the XML
// parts of a zip package (.xlsx, .ods), and the text of dates.

#include <QHash>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <memory>

#include "common/spreadsheet.h"

struct zip;

namespace quill {

// The largest sheet a spreadsheet program makes; cells beyond it are ignored.
inline constexpr int kMaxSheetRows = 1048576;
inline constexpr int kMaxSheetColumns = 16384;

// The cells of one sheet as they are read; empty cells are not kept.
class SheetBuilder {
  public:
    // False (and nothing stored) when the sheet would grow past
    // kMaxWorkbookCells; cells outside the largest sheet are ignored.
    bool Put(int row, int column, const QString& text);
    // True when cells up to this row and column keep within kMaxWorkbookCells.
    bool Fits(int row, int column) const;
    QString At(int row, int column) const;
    qint64 Area() const { return qint64(maxRow_ + 1) * (maxColumn_ + 1); }
    SheetData Take(const QString& name) const;

  private:
    static qint64 Key(int row, int column) { return (qint64(row) << 16) | column; }
    QHash<qint64, QString> cells_;
    int maxRow_ = -1;
    int maxColumn_ = -1;
};

// The largest part of a package that is read (uncompressed bytes).
inline constexpr qint64 kMaxPartBytes = qint64(512) << 20;

// A zip package, opened read-only.
class ZipPackage {
  public:
    explicit ZipPackage(const QString& path);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    bool IsOpen() const { return zip_ != nullptr; }
    QString Error() const { return error_; }  // why it did not open
    // One part (name without a leading "/", any letter case) as a stream;
    // nullptr when the package has no such part or it cannot be unpacked.
    // The stream fails when the part is larger than kMaxPartBytes.
    std::unique_ptr<QIODevice> Open(const QString& name) const;
    // The names of all parts, in the package's order.
    QStringList Names() const;

  private:
    zip* zip_ = nullptr;
    QString error_;
};

// A cell's date as spreadsheets show it here: "2024-03-05", followed by
// " 14:30:00" when the time is not midnight.
QString DateTimeText(int year, int month, int day, int hour, int minute, int second);

// "Cannot read the spreadsheet "name": reason."
QString SheetFail(const QString& path, const QString& reason);

// Reads an .xlsx workbook (as office suites and Python's writers store it).
WorkbookResult ReadXlsx(const QString& path);

}  // namespace quill
