// quillfish: the desktop program. Starts at the splash window; the program
// ends when Exit has unloaded every window.

#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <memory>

#include "pageserver/pageserver.h"
#include "sheets/gui/sheetviewer.h"
#include "shell/appwindows.h"
#include "shell/windowmanager.h"
#include "text/version.h"
#include "widgets/appcontext.h"

namespace {

void PrintError(const QString& text) {
    QTextStream err(stderr);
    err << text << Qt::endl;
}

const char kUsage[] =
    "usage: quillfish [--demo] [--source eutils|unigene] [--eutils-server URL]\n"
    "                 [--ncbi-server URL] [--igtc-server URL] [--print-to-pdf DIR]";
const char kHelp[] =
    "\n"
    "  --demo               run against the bundled sample pages and E-utilities\n"
    "                       replies (page servers on this machine)\n"
    "  --source SOURCE      where the search looks terms up at first: eutils, today's\n"
    "                       NCBI (default), or unigene, the archive pages; Search\n"
    "                       Options switches it\n"
    "  --eutils-server URL  scheme and host of the E-utilities\n"
    "  --ncbi-server URL    scheme and host of the NCBI web server (the archive\n"
    "                       pages; without --source the search starts on them)\n"
    "  --igtc-server URL    scheme and host of the IGTC web site\n"
    "  --print-to-pdf DIR   send every printout to numbered PDF files in DIR\n"
    "  --help               show this help and exit\n"
    "The e-mail address and NCBI API key for the E-utilities are set in Search\n"
    "Options (an empty key field takes the NCBI_API_KEY environment variable).\n";

// Reads the options into settings; false with a message on a bad option.
bool ParseOptions(const QStringList& args, quill::Settings& settings, bool& demo, QString& error) {
    QString source;
    bool ncbiServer = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString& out) {
            if (i + 1 >= args.size() || args[i + 1].startsWith(QStringLiteral("--"))) {
                error = a + QStringLiteral(" needs a value");
                return false;
            }
            out = args[++i];
            return true;
        };
        if (a == QLatin1String("--demo")) {
            demo = true;
        } else if (a == QLatin1String("--source")) {
            if (!value(source)) return false;
            if (source != QLatin1String("eutils") && source != QLatin1String("unigene")) {
                error = QStringLiteral("--source takes eutils|unigene, not '%1'").arg(source);
                return false;
            }
        } else if (a == QLatin1String("--eutils-server")) {
            if (!value(settings.EutilsBase)) return false;
            settings.EutilsBase = quill::Settings::ServerAddress(settings.EutilsBase);
        } else if (a == QLatin1String("--ncbi-server")) {
            if (!value(settings.NcbiServerBase)) return false;
            settings.NcbiServerBase = quill::Settings::ServerAddress(settings.NcbiServerBase);
            ncbiServer = true;
        } else if (a == QLatin1String("--igtc-server")) {
            if (!value(settings.IgtcServerBase)) return false;
            settings.IgtcServerBase = quill::Settings::ServerAddress(settings.IgtcServerBase);
        } else if (a == QLatin1String("--print-to-pdf")) {
            if (!value(settings.PrintToPdfDir)) return false;
            if (!QDir().mkpath(settings.PrintToPdfDir)) {
                error = QStringLiteral("cannot create the folder ") + settings.PrintToPdfDir;
                return false;
            }
        } else {
            error = QStringLiteral("unknown option ") + a;
            return false;
        }
    }
    const bool archive = source == QLatin1String("unigene") || (source.isEmpty() && ncbiServer);
    settings.Source = archive ? quill::Settings::SequenceSource::UniGene
                              : quill::Settings::SequenceSource::Eutils;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Help needs no display: answered before the window system is touched.
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h") {
            QTextStream out(stdout);
            out << kUsage << '\n' << kHelp;
            return 0;
        }
    }
    QApplication app(argc, argv);
    // Kept values (the criteria window's expression tables) live in
    // ~/.config/Quillfish/Quillfish.conf.
    QApplication::setOrganizationName(QStringLiteral("Quillfish"));
    QApplication::setApplicationName(QStringLiteral("Quillfish"));
    QApplication::setApplicationVersion(quill::QuillVersion());
    // The program ends when every window is unloaded, not when the last one hides.
    QApplication::setQuitOnLastWindowClosed(false);

    quill::ui::AppContext ctx;
    bool demo = false;
    QString error;
    if (!ParseOptions(QApplication::arguments(), ctx.settings, demo, error)) {
        PrintError(QStringLiteral("quillfish: ") + error);
        PrintError(QString::fromLatin1(kUsage));
        return 2;
    }
    // The demo serves both sources' sets, since Search Options may switch.
    std::unique_ptr<quill::PageServer> demoServer, eutilsDemoServer;
    if (demo) {
        demoServer = quill::StartDemoServer(ctx.settings, &error);
        if (demoServer) eutilsDemoServer = quill::StartEutilsDemoServer(ctx.settings, &error);
        if (!demoServer || !eutilsDemoServer) {
            PrintError(QStringLiteral("quillfish: ") + error);
            return 1;
        }
    }
    quill::ui::WindowManager windows(ctx);
    ctx.windows = &windows;
    quill::ui::RegisterAppWindows(windows);
    QObject::connect(&windows, &quill::ui::WindowManager::AllUnloaded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    windows.Show(quill::ui::win::Splash);

    const int status = QApplication::exec();
    quill::ui::SheetViewer::CloseAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
