// The spreadsheet and term-file readers on any file: the first byte picks
// the file's extension, the rest is its content. A reading either fails with
// a message naming the file or gives sheets whose cells fit their size.
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "common/spreadsheet.h"
#include "common/termfile.h"

using namespace quill;

// Two faults of FreeXL 1.0.6 (Debian 12, not instrumented) on damaged .xls
// files, suppressed for that library only so that our own code stays fully
// checked: it hands iconv the length the file claims for a string rather than
// that of its buffer (iconv stops at the first bad character and the reading
// fails with a message, but the sanitizer checks the whole claimed range),
// and it leaks a few bytes on some error paths even after freexl_close.
extern "C" const char* __asan_default_suppressions() {
    return "interceptor_via_lib:libfreexl.so\n";
}
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfreexl.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QTemporaryDir dir;
    static const char* const kinds[] = {"xls", "xlsx", "ods", "csv", "txt"};
    if (size == 0) return 0;
    const QString path = dir.filePath(QStringLiteral("input.") + kinds[data[0] % 5]);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) abort();
        f.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1));
    }
    const WorkbookResult book = ReadWorkbook(path);
    if (IsSpreadsheetFile(path)) {
        if (book.ok == !book.error.isEmpty()) abort();
        if (!book.ok &&
            (!book.book.sheets.isEmpty() || !book.error.contains(QLatin1String("input."))))
            abort();
    }
    qint64 cells = 0;
    for (const SheetData& s : book.book.sheets) {
        if (s.rows < 0 || s.columns < 0 || s.cells.size() != qsizetype(s.rows) * s.columns) abort();
        cells += s.cells.size();
    }
    if (cells > kMaxWorkbookCells) abort();
    // A term file reads as the workbook does. Not for .xls: FreeXL's
    // overlong string reads (above) can make two readings of one damaged
    // file end differently.
    const TermFileResult terms = ReadTermFile(path, HitsImportRule());
    if (!path.endsWith(QLatin1String(".xls")) &&
        terms.ok != (IsSpreadsheetFile(path) ? book.ok : true))
        abort();
    return 0;
}
