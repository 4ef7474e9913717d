#include "modules/backendmodules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>

namespace quill {

namespace {

// The folder of the running program, also before the application object
// exists (the command line loads the PDF module to make that object).
QString ProgramDir() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

struct Loaded {
    const void* table = nullptr;
    QString error;
};

// Loads module name once; later calls give the first answer again.
Loaded Load(const QString& name, const QString& what) {
    static QHash<QString, Loaded> modules;
    const auto known = modules.constFind(name);
    if (known != modules.cend()) return *known;
    Loaded& r = modules[name];
    const QString path = QDir(ModuleDir()).filePath(name + QStringLiteral(".so"));
    const QString module =
        QStringLiteral("the %1 module %2").arg(what, QDir::toNativeSeparators(path));
    if (!QFileInfo::exists(path)) {
        r.error = module + QStringLiteral(" is missing");
        return r;
    }
    // Every symbol is resolved at loading, so that a module that does not
    // fit the installed libraries is refused here rather than failing later.
    // The library is never unloaded: what it made lives until the end.
    QLibrary library(path);
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load()) {
        r.error = module + QStringLiteral(" could not be loaded: ") + library.errorString();
        return r;
    }
    const auto entry = reinterpret_cast<QuillfishModuleEntry>(library.resolve("quillfish_module"));
    const void* table = entry ? entry() : nullptr;
    // Every table starts with the version it was built for.
    if (!table || *static_cast<const int*>(table) != kModuleVersion) {
        r.error = module + QStringLiteral(" belongs to another build of Quillfish");
        return r;
    }
    r.table = table;
    return r;
}

template <class Table>
const Table* LoadTable(const char* name, const char* what, QString* error) {
    const Loaded loaded = Load(QString::fromLatin1(name), QString::fromLatin1(what));
    if (!loaded.table && error) *error = loaded.error;
    return static_cast<const Table*>(loaded.table);
}

}  // namespace

QString ModuleDir() {
    const QString chosen = qEnvironmentVariable("QUILLFISH_MODULE_DIR");
    if (!chosen.isEmpty()) return QDir(chosen).absolutePath();
    return QDir::cleanPath(ProgramDir() + QStringLiteral("/../lib/quillfish"));
}

const SheetsModule* LoadSheetsModule(QString* error) {
    return LoadTable<SheetsModule>("sheets", "spreadsheet reader", error);
}

const PageServerModule* LoadPageServerModule(QString* error) {
    return LoadTable<PageServerModule>("pageserver", "page server", error);
}

const PdfModule* LoadPdfModule(QString* error) {
    return LoadTable<PdfModule>("pdf", "PDF output", error);
}

}  // namespace quill
