// In builds with back-end modules this file stands in for the readers of
// spreadsheet.cpp and the zip reader of expression tables (sheetparts.cpp)
// in quill_core: they hand the file to the spreadsheet reader module, which
// holds spreadsheet.cpp, xlsxreader.cpp and sheetparts.cpp with FreeXL,
// orcus and libzip (see backendmodules.h).

#include "modules/backendmodules.h"
#include "sheets/sheetparts.h"
#include "sheets/spreadsheet.h"

namespace quill {

namespace {

// The module, or nullptr with the reason in *failed.
const SheetsModule* Sheets(const QString& path, WorkbookResult* failed) {
    QString error;
    const SheetsModule* sheets = LoadSheetsModule(&error);
    if (!sheets) {
        failed->book.path = path;
        failed->error = SheetFail(path, error);
    }
    return sheets;
}

}  // namespace

WorkbookResult ReadXlsWorkbook(const QString& path) {
    WorkbookResult r;
    const SheetsModule* sheets = Sheets(path, &r);
    return sheets ? sheets->readXls(path) : r;
}

WorkbookResult ReadPackageWorkbook(const QString& path) {
    WorkbookResult r;
    const SheetsModule* sheets = Sheets(path, &r);
    return sheets ? sheets->readPackage(path) : r;
}

WorkbookResult ReadCsvWorkbook(const QString& path, const QByteArray* bytes) {
    WorkbookResult r;
    const SheetsModule* sheets = Sheets(path, &r);
    return sheets ? sheets->readCsv(path, bytes) : r;
}

bool ReadOneZipFile(const QString& path, QByteArray* bytes, QString* name, QString* error) {
    const SheetsModule* sheets = LoadSheetsModule(error);
    return sheets && sheets->readOneZipFile(path, bytes, name, error);
}

}  // namespace quill
