#include <QTimer>

#include "cli/commands.h"
#include "common/module1.h"
#include "common/webbrowser.h"
#include "common/webpageloader.h"

namespace quill::cli {

namespace {

const char* kGetUsage =
    "Usage: quillfish-cli get [--timeout SECONDS] [--ncbi-server URL | --demo] ADDRESS\n"
    "\n"
    "Loads one web page and prints its markup as the search engine reads it.\n"
    "An ADDRESS that starts with \"/\" is taken on the NCBI server. Gives up when\n"
    "the page has not come after SECONDS (default 30).\n";

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
    WebPageLoader loader(module, settings, [](const QString& problem) {
        Err(QStringLiteral("quillfish-cli get: ") + problem);
    });
    bool timedOut = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] {
        timedOut = true;
        module.CancelSearch = true;
    });
    limit.start(static_cast<int>(timeoutSeconds * 1000));
    const int result = loader.NavigateAndWait(address);
    if (result != PageLoader::Loaded) {
        Err(QStringLiteral("quillfish-cli get: no page from %1 after %2 s")
                .arg(address, QString::number(timeoutSeconds)));
        return timedOut ? 1 : 130;
    }
    Out(loader.Markup());
    const int status = loader.Browser().HttpStatus();
    if (status >= 400)
        Err(QStringLiteral("quillfish-cli get: the server answered status %1").arg(status));
    return 0;
}

}  // namespace quill::cli
