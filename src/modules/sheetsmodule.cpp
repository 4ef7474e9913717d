// The spreadsheet reader module: the readers of spreadsheet.cpp,
// xlsxreader.cpp and sheetparts.cpp with FreeXL, orcus and libzip, loaded by
// quill_core's stand-in the first time a workbook or a zipped expression
// table is read.

#include <QtGlobal>

#include "modules/backendmodules.h"
#include "sheets/sheetparts.h"

extern "C" Q_DECL_EXPORT const void* quillfish_module() {
    static const quill::SheetsModule table{quill::kModuleVersion, &quill::ReadXlsWorkbook,
                                           &quill::ReadPackageWorkbook, &quill::ReadCsvWorkbook,
                                           &quill::ReadOneZipFile};
    return &table;
}
