#include <pthread.h>
#include <QDir>
#include <QFileInfo>
#include <csignal>

#include "cli/commands.h"

namespace quill::cli {

namespace {

const char* kServeUsage =
    "Usage: quillfish-cli serve [--pages DIR] [--host HOST] [--port N]\n"
    "\n"
    "Serves a folder of sample pages through its index.tsv until stopped with\n"
    "Ctrl+C. DIR defaults to the bundled sample pages, HOST to 127.0.0.1 and\n"
    "N to a free port. Prints the server's address when it is ready.\n";

}  // namespace

int RunServe(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (TakeFlag(args, QStringLiteral("--help")) || TakeFlag(args, QStringLiteral("-h"))) {
        Out(QString::fromLatin1(kServeUsage));
        return 0;
    }
    QString error;
    QString pages;
    QString host = QStringLiteral("127.0.0.1");
    QString portText;
    if (!TakeValue(args, QStringLiteral("--pages"), &pages, &error)) pages = BundledPagesDir();
    TakeValue(args, QStringLiteral("--host"), &host, &error);
    TakeValue(args, QStringLiteral("--port"), &portText, &error);
    if (error.isEmpty() && !args.isEmpty())
        error = QStringLiteral("unexpected argument '%1'").arg(args.first());
    int port = 0;
    if (error.isEmpty() && !portText.isEmpty()) {
        bool ok = false;
        port = portText.toInt(&ok);
        if (!ok || port < 0 || port > 65535)
            error = QStringLiteral("--port needs a number from 0 to 65535, not '%1'").arg(portText);
    }
    if (!error.isEmpty()) {
        Err(QStringLiteral("quillfish-cli serve: ") + error + QLatin1Char('\n') +
            QString::fromLatin1(kServeUsage));
        return 2;
    }
    if (!QFileInfo(pages).isDir()) {
        Err(QStringLiteral("quillfish-cli serve: no such folder: %1").arg(pages));
        return 1;
    }

    // SIGINT and SIGTERM are taken by sigwait below; the server threads
    // inherit the blocked mask, so only this thread sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    PageServer server(pages);
    if (!server.Start(host, port)) {
        Err(QStringLiteral("quillfish-cli serve: ") + server.Error());
        return 1;
    }
    Out(QStringLiteral("Serving %1 at %2\n")
            .arg(QDir::toNativeSeparators(QDir(pages).absolutePath()), server.BaseUrl()));
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    Err(QStringLiteral("quillfish-cli serve: stopped after %1 request(s)")
            .arg(server.RequestCount()));
    return 0;
}

}  // namespace quill::cli
