#include <QTimer>

#include "cli/commands.h"
#include "web/module1.h"
#include "web/webbrowser.h"
#include "web/webpageloader.h"

namespace quill::cli {

namespace {

const char* kGetUsage =
    "Usage: quillfish-cli get [--timeout SECONDS] [--max-page-mb N]\n"
    "         [--ncbi-server URL | --demo] ADDRESS\n"
    "\n"
    "Loads one web page and prints its markup as the search engine reads it.\n"
    "An ADDRESS that starts with \"/\" is taken on the NCBI server. Gives up when\n"
    "the page has not come after SECONDS (default 30).\n"
    "Exit status: 0 printed; 1 no page in time; 2 usage error; 4 the server refused\n"
    "the page (an HTTP error status, or a page larger than N MB, default 16);\n"
    "130 canceled.\n";

}  // namespace

int RunGet(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (TakeFlag(args, QStringLiteral("--help")) || TakeFlag(args, QStringLiteral("-h"))) {
        Out(QString::fromLatin1(kGetUsage));
        return 0;
    }
    Settings settings;
    std::unique_ptr<PageServer> demoServer;
    QString error;
    QString timeoutText;
    double timeoutSeconds = 30;
    TakeValue(args, QStringLiteral("--timeout"), &timeoutText, &error);
    if (error.isEmpty() && !timeoutText.isEmpty()) {
        bool ok = false;
        timeoutSeconds = timeoutText.toDouble(&ok);
        if (!ok || timeoutSeconds <= 0 || timeoutSeconds > 86400)
            error =
                QStringLiteral("--timeout needs a number of seconds, not '%1'").arg(timeoutText);
    }
    if (error.isEmpty() && !TakeServerOptions(args, settings, demoServer, &error) &&
        error.isEmpty())
        error = QStringLiteral("bad server option");
    if (error.isEmpty() && args.size() != 1)
        error = args.isEmpty() ? QStringLiteral("which address?")
                               : QStringLiteral("one address only, not '%1'").arg(args.join(' '));
    if (!error.isEmpty()) {
        Err(QStringLiteral("quillfish-cli get: ") + error + QLatin1Char('\n') +
            QString::fromLatin1(kGetUsage));
        return 2;
    }
    QString address = args.first();
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
