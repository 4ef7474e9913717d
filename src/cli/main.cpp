// quillfish-cli: the engines of Quillfish without windows.

#include <QCoreApplication>
#include <QStringList>

#include "cli/commands.h"

namespace {

const char* kUsage =
    "Usage: quillfish-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  search     look gene names or cluster ids up in UniGene and print their sequences\n"
    "  accession  look GenBank accession numbers up in Entrez nucleotide\n"
    "  igtc       keep the queries of a pasted IGTC BLAST result that reach a minimum score\n"
    "  screen     sort hit names by their EST expression profiles in chosen tissues\n"
    "  get        print the markup of one web page as the search engine reads it\n"
    "  serve      serve a folder of sample pages (the demo NCBI/IGTC site)\n"
    "\n"
    "Server options (search, accession, get): --ncbi-server URL, --igtc-server URL,\n"
    "--demo (use the bundled sample pages on a loopback page server).\n"
    "Run 'quillfish-cli COMMAND --help' for the options of a command.\n";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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
    using namespace quill::cli;
    if (command == QLatin1String("search")) return RunSearch(args);
    if (command == QLatin1String("accession")) return RunAccession(args);
    if (command == QLatin1String("igtc")) return RunIgtc(args);
    if (command == QLatin1String("screen")) return RunScreen(args);
    if (command == QLatin1String("get")) return RunGet(args);
    if (command == QLatin1String("serve")) return RunServe(args);
    Err(QStringLiteral("quillfish-cli: unknown command '%1'\n").arg(command) +
        QString::fromLatin1(kUsage));
    return 2;
}
