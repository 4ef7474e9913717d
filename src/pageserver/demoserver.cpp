// The demo's page server on the bundled sample pages. Apart from the server
// itself (pageserver.cpp), which may be a module (see backendmodules.h).

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "pageserver/pageserver.h"
#include "web/settings.h"

namespace quill {

QString BundledPagesDir() {
    // <prefix>/bin/quillfish and <prefix>/share/quillfish/pages, in an
    // install as in the build tree (where share/quillfish/pages links to the
    // sources' data/pages).
    const QString programDir = QCoreApplication::instance()
                                   ? QCoreApplication::applicationDirPath()
                                   : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return QDir::cleanPath(programDir + QStringLiteral("/../share/quillfish/pages"));
}

std::unique_ptr<PageServer> StartDemoServer(Settings& settings, QString* error) {
    const QString pages = BundledPagesDir();
    if (!QFileInfo::exists(QDir(pages).filePath(QStringLiteral("index.tsv")))) {
        if (error)
            *error = QStringLiteral("the sample pages are missing (looked in %1)")
                         .arg(QDir::toNativeSeparators(pages));
        return nullptr;
    }
    auto server = std::make_unique<PageServer>(pages);
    if (!server->Start()) {
        if (error)
            *error = QStringLiteral("the sample page server did not start: ") + server->Error();
        return nullptr;
    }
    settings.NcbiServerBase = server->BaseUrl();
    settings.IgtcServerBase = server->BaseUrl();
    return server;
}

}  // namespace quill
