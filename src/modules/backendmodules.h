#pragma once
// src/modules: the loader of the back-end modules (this header and
// backendmodules.cpp, part of quill_core) and the entry of each module
// (<name>module.cpp), which src/CMakeLists.txt builds with the back end's own
// sources into lib/quillfish/<name>.so.
//
// Back ends that need large libraries of their own are built as modules and
// loaded the first time a run uses them, so that a run that does not use
// them does not load their libraries at its start:
//   sheets      the spreadsheet readers (FreeXL, orcus with boost, libzip);
//               text files are read without them
//   pageserver  the sample page server (cpp-httplib with OpenSSL and brotli)
//   pdf         the PDF reports of the command line (Qt Gui; the windows,
//               which need Qt Gui anyway, link the PDF output directly)
// A module is the file <name>.so in the folder lib/quillfish beside the
// program's folder: bin/../lib/quillfish when installed, build/lib/quillfish
// for the programs, tests and benchmarks of a build tree. When the variable
// QUILLFISH_MODULE_DIR is set, the folder it names is the only one looked in.
//
// Each module exports the C function quillfish_module, which returns its
// table below. A table starts with kModuleVersion: a module left over from
// another build is refused with a message instead of being called wrongly.
// Modules stay loaded until the program ends.
//
// In builds without modules (QUILL_BACKEND_MODULES off, as for fuzzing) the
// sheets and page server back ends are part of quill_core and nothing here
// is used for them.

#include <QList>
#include <QString>
#include <memory>

#include "printing/printer.h"
#include "sheets/spreadsheet.h"

class QCoreApplication;

namespace quill {

// Raised whenever a table below changes.
inline constexpr int kModuleVersion = 2;

// The spreadsheet readers that need FreeXL, orcus or libzip (see
// sheetparts.h), and the zip reader of expression tables.
struct SheetsModule {
    int version;
    WorkbookResult (*readXls)(const QString& path);
    WorkbookResult (*readPackage)(const QString& path);
    WorkbookResult (*readCsv)(const QString& path, const QByteArray* bytes);
    bool (*readOneZipFile)(const QString& path, QByteArray* bytes, QString* name, QString* error);
};

// One page server of the page server module (see pageserver.h).
class ModulePageServer {
  public:
    virtual ~ModulePageServer() = default;
    virtual bool Start(const QString& host, int port) = 0;
    virtual void Stop() = 0;
    virtual QString BaseUrl() const = 0;
    virtual QString Error() const = 0;
    virtual int RequestCount() const = 0;
    virtual QList<qint64> ArrivalMs() const = 0;
};

struct PageServerModule {
    int version;
    ModulePageServer* (*create)(const QString& pagesDir);  // owned by the caller
};

// The PDF output of the printer layer (printing/pdf/pdfprinter.h).
struct PdfModule {
    int version;
    // The application object for PDF output: a GUI application (on the
    // platform QT_QPA_PLATFORM names). Owned by the caller.
    QCoreApplication* (*makeApplication)(int& argc, char** argv);
    double (*textWidthPoints)(const PrintFont& font, const QString& line);
    double (*lineHeightPoints)(const PrintFont& font);
    double (*averageCharWidthPoints)(const PrintFont& font);
    // The printable area of a PDF page.
    void (*pageSizePoints)(double* width, double* height);
    // Writes the printed pages into a PDF file, atomically (see
    // WritePrintoutPdf).
    bool (*writePdf)(const QString& path, const PrintedPages& pages, QString* error);
};

// The folder modules are looked for in (an absolute path).
QString ModuleDir();

// The table of a module, loaded on first use; nullptr with a message in
// *error ("the spreadsheet reader module ... is missing") when the module is
// missing, cannot be loaded or belongs to another build.
const SheetsModule* LoadSheetsModule(QString* error);
const PageServerModule* LoadPageServerModule(QString* error);
const PdfModule* LoadPdfModule(QString* error);

}  // namespace quill

// Each module defines this function, returning the address of its table.
extern "C" {
using QuillfishModuleEntry = const void* (*)();
}
