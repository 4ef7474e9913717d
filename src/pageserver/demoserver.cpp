// The demo's page servers on the bundled sample pages and E-utilities
// replies, and the replay server on a recorded folder. Apart from the server
// itself (pageserver.cpp), which may be a module (see backendmodules.h).

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "pageserver/pageserver.h"
#include "web/settings.h"

namespace quill {

namespace {

// <prefix>/share/quillfish/<name> beside <prefix>/bin, in an install as in
// the build tree (where it links to the sources' data/<name>).
QString BundledDir(const QString& name) {
    const QString programDir = QCoreApplication::instance()
                                   ? QCoreApplication::applicationDirPath()
                                   : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return QDir::cleanPath(programDir + QStringLiteral("/../share/quillfish/") + name);
}

// A page server on dir; what names the folder in messages.
std::unique_ptr<PageServer> StartOn(const QString& dir, const QString& what, QString* error) {
    if (!QFileInfo::exists(QDir(dir).filePath(QStringLiteral("index.tsv")))) {
        if (error)
            *error = QStringLiteral("the %1 are missing (looked in %2)")
                         .arg(what, QDir::toNativeSeparators(dir));
        return nullptr;
    }
    auto server = std::make_unique<PageServer>(dir);
    if (!server->Start()) {
        if (error)
            *error = QStringLiteral("the page server on the %1 did not start: ").arg(what) +
                     server->Error();
        return nullptr;
    }
    return server;
}

}  // namespace

QString BundledPagesDir() {
    return BundledDir(QStringLiteral("pages"));
}

QString BundledEutilsDir() {
    return BundledDir(QStringLiteral("eutils"));
}

std::unique_ptr<PageServer> StartDemoServer(Settings& settings, QString* error) {
    auto server = StartOn(BundledPagesDir(), QStringLiteral("sample pages"), error);
    if (!server) return nullptr;
    settings.NcbiServerBase = server->BaseUrl();
    settings.IgtcServerBase = server->BaseUrl();
    return server;
}

std::unique_ptr<PageServer> StartEutilsDemoServer(Settings& settings, QString* error) {
    auto server = StartOn(BundledEutilsDir(), QStringLiteral("sample E-utilities replies"), error);
    if (server) settings.EutilsBase = server->BaseUrl();
    return server;
}

std::unique_ptr<PageServer> StartReplayServer(const QString& dir, Settings& settings,
                                              QString* error) {
    auto server = StartOn(dir, QStringLiteral("recorded replies"), error);
    if (server) settings.EutilsBase = server->BaseUrl();
    return server;
}

}  // namespace quill
