// In builds with back-end modules this file stands in for the readers of
// spreadsheet.cpp in quill_core: ReadWorkbook hands the file to the
// spreadsheet reader module, which holds spreadsheet.cpp, xlsxreader.cpp and
// sheetparts.cpp with FreeXL, orcus and libzip (see backendmodules.h).

#include "common/backendmodules.h"
#include "common/sheetparts.h"
#include "common/spreadsheet.h"

namespace quill {

WorkbookResult ReadWorkbook(const QString& path) {
    QString error;
    if (const SheetsModule* sheets = LoadSheetsModule(&error)) return sheets->readWorkbook(path);
    WorkbookResult r;
    r.book.path = path;
    r.error = SheetFail(path, error);
    return r;
}

}  // namespace quill
