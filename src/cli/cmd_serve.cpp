#include <pthread.h>
#include <QDir>
#include <QFileInfo>
#include <csignal>

#include "cli/commands.h"

namespace quill::cli {

namespace {

const char* kServeDescription =
    "Serves a folder of sample pages through its index.tsv until stopped with\n"
    "Ctrl+C. Prints the server's address when it is ready.\n";

}  // namespace

int RunServe(const QStringList& args) {
    CommandLine line(QStringLiteral("serve"), {}, QString::fromLatin1(kServeDescription));
    line.Add({QStringLiteral("pages"), QStringLiteral("DIR"),
              QStringLiteral("the folder of sample pages (default: the bundled ones)")});
    line.Add({QStringLiteral("host"), QStringLiteral("HOST"),
              QStringLiteral("the address listened on (default 127.0.0.1)")});
    line.Add({QStringLiteral("port"), QStringLiteral("N"),
              QStringLiteral("the port listened on (default: a free one)")});
    if (const std::optional<int> end = line.Parse(args)) return *end;
    if (!line.Positional().isEmpty())
        return line.UsageError(
            QStringLiteral("unexpected argument '%1'").arg(line.Positional().first()));
    // An empty N is a free port too.
    const std::optional<int> port = line.Value(QStringLiteral("port")).isEmpty()
                                        ? std::optional<int>(0)
                                        : line.Int(QStringLiteral("port"), 0, 65535, 0);
    if (!port) return kExitUsage;
    const QString pages = line.IsSet(QStringLiteral("pages")) ? line.Value(QStringLiteral("pages"))
                                                              : BundledPagesDir();
    const QString host = line.IsSet(QStringLiteral("host")) ? line.Value(QStringLiteral("host"))
                                                            : QStringLiteral("127.0.0.1");
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
    if (!server.Start(host, *port)) {
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
