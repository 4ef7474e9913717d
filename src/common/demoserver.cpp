// The demo's page server on the bundled sample pages. Apart from the server
// itself (pageserver.cpp), so that it stays in quill_core when the server is
// a module (see backendmodules.h).

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "common/pageserver.h"
#include "common/settings.h"

namespace quill {

QString BundledPagesDir() {
    const QString appDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (!appDir.isEmpty()) {
        for (const char* rel : {"../share/quillfish/pages", "../data/pages", "../../data/pages",
                                "../../../data/pages", "data/pages"}) {
            const QString candidate = QDir(appDir).filePath(QString::fromLatin1(rel));
            if (QFileInfo::exists(QDir(candidate).filePath(QStringLiteral("index.tsv"))))
                return QDir::cleanPath(candidate);
        }
    }
    return QStringLiteral(QUILL_SOURCE_DIR "/data/pages");
}

std::unique_ptr<PageServer> StartDemoServer(Settings& settings, QString* error) {
    auto server = std::make_unique<PageServer>(BundledPagesDir());
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
