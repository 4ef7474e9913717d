#pragma once
// Pieces the spreadsheet readers share: a sheet under construction, the XML
// parts of a zip package (.xlsx, .ods), and the text of dates.

#include <QHash>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <memory>
#include <string_view>

#include "sheets/spreadsheet.h"

struct zip;
struct zip_file;

namespace quill {

// The largest sheet a spreadsheet program makes; cells beyond it are ignored.
inline constexpr int kMaxSheetRows = 1048576;
inline constexpr int kMaxSheetColumns = 16384;

// A file past one of the limits of spreadsheet.h or kMaxPartBytes: the
// readers throw it, and the file is refused with the reason, which names the
// limit.
struct SheetLimit {
    QString reason;
};
QString TooManyCellsReason();
QString CellTooLongReason();
QString PartTooLargeReason(const QString& part);

// A cell's text from UTF-8; throws SheetLimit when it is longer than
// kMaxCellChars (a long text is refused before it is converted).
QString CellFromUtf8(std::string_view text);

// The cells of one sheet as they are read; empty cells are not kept.
class SheetBuilder {
  public:
    // Throws SheetLimit (and stores nothing) when the sheet would grow past
    // kMaxWorkbookCells or the text is longer than kMaxCellChars; cells
    // outside the largest sheet are ignored.
    void Put(int row, int column, const QString& text);
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
inline constexpr qint64 kMaxPartBytes = qint64(256) << 20;
// The longest run of a part's bytes without markup: a cell's text within
// kMaxCellChars takes far less even when written as character references.
inline constexpr qint64 kMaxTextRunBytes = qint64(1) << 20;

// One part of a zip package, unpacked as it is read. Reading fails when the
// part unpacks to more than kMaxPartBytes or, for a markup part, holds a run
// of more than kMaxTextRunBytes without a "<"; Limit() then gives the reason.
class ZipPart : public QIODevice {
  public:
    ZipPart(zip_file* file, const QString& name, bool markup = true);
    ~ZipPart() override;
    bool isSequential() const override { return true; }
    QString Limit() const { return limit_; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    qint64 Fail(const QString& limit);
    zip_file* file_;
    QString name_;
    QString limit_;
    bool markup_ = true;
    qint64 read_ = 0;
    qint64 run_ = 0;  // bytes since the last "<"
};

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
    // Throws SheetLimit when the package gives its size as more than
    // kMaxPartBytes, so that nothing of it is unpacked. A part that is not
    // markup (a text table) is read without the limit on runs without "<".
    std::unique_ptr<ZipPart> Open(const QString& name, bool markup = true) const;
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

// The file name's suffix in lower case ("xlsx").
QString LowerSuffix(const QString& path);

// Reads an .xlsx workbook (as office suites and Python's writers store it).
WorkbookResult ReadXlsx(const QString& path);

// The readers that need FreeXL, orcus or libzip, to which ReadWorkbook hands
// a file by its first bytes (spreadsheet.cpp). With back-end modules they
// run in the sheets module: sheets/spreadsheetstandin.cpp forwards to it.
// An .xls workbook.
WorkbookResult ReadXlsWorkbook(const QString& path);
// A zip package: an .ods workbook when it has the parts of one (or, when it
// does not open, when it is named .ods), else an .xlsx workbook.
WorkbookResult ReadPackageWorkbook(const QString& path);
// CSV text: from the file at path, or from bytes when they are given (path
// then only names the text in messages).
WorkbookResult ReadCsvWorkbook(const QString& path, const QByteArray* bytes);
// The one file a zip archive holds (folders and macOS "__MACOSX/" entries
// aside), as an expression table is shipped: its bytes and its name in the
// archive. False with the reason in *error ("the zip archive holds 2 files,
// not one table", ...) when the archive does not open, holds no file or more
// than one, is damaged, or the file unpacks to more than kMaxPartBytes.
bool ReadOneZipFile(const QString& path, QByteArray* bytes, QString* name, QString* error);

}  // namespace quill
