// The spreadsheet and term-file readers on any file: the first byte picks
// the file's extension, the rest is its content (which decides how it is
// read). A reading either fails with a message naming the file or gives
// sheets whose cells fit their size, and a term file reads as the workbook
// does.
//
// .xls files (known by their OLE2 signature) are left out: FreeXL 1.0.6 (Debian 12) crashes inside
// freexl_open on some damaged files and reads past its buffers on others, so
// a run would stop in that library rather than test ours.
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "sheets/spreadsheet.h"
#include "sheets/termfile.h"

using namespace quill;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QTemporaryDir dir;
    static const char* const kinds[] = {"xlsx", "ods", "csv", "txt"};
    if (size == 0) return 0;
    static const char ole2[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (size > 8 && std::memcmp(data + 1, ole2, 8) == 0) return 0;
    const QString path = dir.filePath(QStringLiteral("input.") + kinds[data[0] % 4]);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) abort();
        f.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1));
    }
    const WorkbookResult book = ReadWorkbook(path);
    if (book.ok == !book.error.isEmpty()) abort();
    if (!book.ok && (!book.book.sheets.isEmpty() || !book.error.contains(QLatin1String("input."))))
        abort();
    qint64 cells = 0;
    for (const SheetData& s : book.book.sheets) {
        if (s.rows < 0 || s.columns < 0 || s.cells.size() != qsizetype(s.rows) * s.columns) abort();
        cells += s.cells.size();
    }
    if (cells > kMaxWorkbookCells) abort();
    const TermFileResult terms = ReadTermFile(path, HitsImportRule());
    if (terms.ok != book.ok) abort();
    return 0;
}
