#include <QTimer>

#include "cli/commands.h"
#include "web/module1.h"
#include "web/webbrowser.h"
#include "web/webpageloader.h"

namespace quill::cli {

namespace {

const char* kGetDescription =
    "Loads one web page and prints its markup as the search engine reads it.\n"
    "An ADDRESS that starts with \"/\" is taken on the NCBI server.\n"
    "Exit status: 0 printed; 1 no page in time; 2 usage error; 4 the server refused\n"
    "the page (an HTTP error status, or a page larger than --max-page-mb);\n"
    "130 canceled.\n";

}  // namespace

int RunGet(const QStringList& args) {
    CommandLine line(QStringLiteral("get"), QStringLiteral("ADDRESS"),
                     QString::fromLatin1(kGetDescription));
    line.Add({QStringLiteral("timeout"), QStringLiteral("SECONDS"),
              QStringLiteral("give up when the page has not come after SECONDS (default 30)")});
    AddServerOptions(line);
    if (const std::optional<int> end = line.Parse(args)) return *end;
    double timeoutSeconds = 30;
    const QString text = line.Value(QStringLiteral("timeout"));
    if (!text.isEmpty()) {
        bool ok = false;
        timeoutSeconds = text.toDouble(&ok);
        if (!ok || timeoutSeconds <= 0 || timeoutSeconds > 86400)
            return line.UsageError(
                QStringLiteral("--timeout needs a number of seconds, not '%1'").arg(text));
    }
    Settings settings;
    std::unique_ptr<PageServer> demoServer;
    if (!ApplyServerOptions(line, settings, demoServer)) return kExitUsage;
    const QStringList addresses = line.Positional();
    if (addresses.isEmpty()) return line.UsageError(QStringLiteral("which address?"));
    if (addresses.size() > 1)
        return line.UsageError(
            QStringLiteral("one address only, not '%1'").arg(addresses.join(QLatin1Char(' '))));
    QString address = addresses.first();
    if (address.startsWith(QLatin1Char('/'))) address = settings.NcbiServerBase + address;

    Module1 module;
    TerminalProgress progress;
    progress.bar = false;
    WebPageLoader loader(module, settings, [&progress](const QString& problem) {
        progress.Line(QStringLiteral("quillfish-cli get: ") + problem);
    });
    ShowWaits(loader, progress);
    bool timedOut = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] {
        timedOut = true;
        module.CancelSearch = true;
    });
    limit.start(static_cast<int>(timeoutSeconds * 1000));
    const int result = loader.NavigateAndWait(address);
    progress.Settled();
    // The refusal itself was told by the problem handler.
    if (result == PageLoader::ServerError) return kExitServerError;
    if (result != PageLoader::Loaded) {
        Err(QStringLiteral("quillfish-cli get: no page from %1 after %2 s")
                .arg(address, QString::number(timeoutSeconds)));
        return timedOut ? 1 : 130;
    }
    Out(loader.Markup());
    return 0;
}

}  // namespace quill::cli
