// quillfish-cli: the engines of Quillfish without windows.

#include <QCoreApplication>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/commands.h"
#include "cli/reportpdf.h"

namespace {

const char* kUsage =
    "Usage: quillfish-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  search     look gene names or cluster ids up in UniGene and print their sequences\n"
    "  accession  look GenBank accession numbers up in Entrez nucleotide\n"
    "  igtc       keep the queries of a pasted IGTC BLAST result that reach a minimum score\n"
    "  screen     sort hit names by their EST expression profiles in chosen tissues\n"
    "  unique     reduce a list of IGTC hits to the unique hit names\n"
    "  get        print the markup of one web page as the search engine reads it\n"
    "  serve      serve a folder of sample pages (the demo NCBI/IGTC site)\n"
    "\n"
    "Server options (search, accession, get): --ncbi-server URL, --igtc-server URL,\n"
    "--demo (use the bundled sample pages on a loopback page server).\n"
    "Report options (search, accession, igtc, screen, unique): --report-pdf FILE, --title TEXT\n"
    "(write the printed report of the run as a PDF file).\n"
    "Run 'quillfish-cli COMMAND --help' for the options of a command.\n";

int RunCommand(const QString& command, const QStringList& args) {
    using namespace quill::cli;
    if (command == QLatin1String("search")) return RunSearch(args);
    if (command == QLatin1String("accession")) return RunAccession(args);
    if (command == QLatin1String("igtc")) return RunIgtc(args);
    if (command == QLatin1String("screen")) return RunScreen(args);
    if (command == QLatin1String("unique")) return RunUnique(args);
    if (command == QLatin1String("get")) return RunGet(args);
    if (command == QLatin1String("serve")) return RunServe(args);
    Err(QStringLiteral("quillfish-cli: unknown command '%1'\n").arg(command) +
        QString::fromLatin1(kUsage));
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList rawArgs;
    for (int i = 1; i < argc; ++i) rawArgs << QString::fromLocal8Bit(argv[i]);
    // Fonts are measured and PDF files drawn through Qt Gui, which needs its
    // application object; it is made, on the offscreen platform, only when a
    // PDF report is asked for, and Qt Gui is loaded only then.
    QString error;
    const std::unique_ptr<QCoreApplication> application =
        quill::cli::MakeApplication(argc, argv, rawArgs, &error);
    if (!application) {
        quill::cli::Err(QStringLiteral("quillfish-cli: cannot write PDF reports: ") + error);
        return 1;
    }
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("quillfish-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0.0"));
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() == QLatin1String("--help") ||
        args.first() == QLatin1String("-h")) {
        quill::cli::Out(QString::fromLatin1(kUsage));
        return args.isEmpty() ? 2 : 0;
    }
    if (args.first() == QLatin1String("--version")) {
        quill::cli::Out(QStringLiteral("quillfish-cli 2.0.0\n"));
        return 0;
    }
    const QString command = args.takeFirst();
    const int status = RunCommand(command, args);
    // Results that did not reach standard output (a full disk behind a
    // redirection, a closed pipe) make the run a failure.
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout) || quill::cli::OutError()) {
        const int error = quill::cli::OutError() ? quill::cli::OutError() : errno;
        quill::cli::Err(QStringLiteral("quillfish-cli: cannot write the results: %1")
                            .arg(error ? QString::fromLocal8Bit(std::strerror(error))
                                       : QStringLiteral("write error")));
        return status == 0 ? 1 : status;
    }
    return status;
}
