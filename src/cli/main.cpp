// quillfish-cli: the engines of Quillfish without windows.

#include <QCoreApplication>
#include <QStringList>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/reportpdf.h"
#include "text/version.h"

namespace {

const char* kCommands =
    "Commands:\n"
    "  search     look gene names or cluster ids up in UniGene and print their sequences\n"
    "  accession  look GenBank accession numbers up in Entrez nucleotide\n"
    "  igtc       keep the queries of a pasted IGTC BLAST result that reach a minimum score\n"
    "  screen     sort hit names by their EST expression profiles in chosen tissues\n"
    "  unique     reduce a list of IGTC hits to the unique hit names\n"
    "  get        print the markup of one web page as the search engine reads it\n"
    "  serve      serve a folder of sample pages (the demo NCBI/IGTC site)\n"
    "\n"
    "Server options (search, accession, screen, get): --ncbi-server URL, --igtc-server URL,\n"
    "--demo (use the bundled sample pages on a loopback page server), --max-page-mb N.\n"
    "Report options (search, accession, igtc, screen, unique): --report-pdf FILE, --title TEXT\n"
    "(write the printed report of the run as a PDF file).\n"
    "Run 'quillfish-cli COMMAND --help' for the options of a command.\n";

using Command = int (*)(const QStringList& args);

const std::pair<const char*, Command> kRunners[] = {
    {"search", quill::cli::RunSearch}, {"accession", quill::cli::RunAccession},
    {"igtc", quill::cli::RunIgtc},     {"screen", quill::cli::RunScreen},
    {"unique", quill::cli::RunUnique}, {"get", quill::cli::RunGet},
    {"serve", quill::cli::RunServe},
};

// Runs the command that the first argument names.
int RunCommand(const QStringList& args) {
    using namespace quill::cli;
    CommandLine line({}, QStringLiteral("COMMAND [ARGUMENTS]"), QString::fromLatin1(kCommands));
    line.StopAtFirstArgument();
    if (const std::optional<int> end = line.Parse(args)) return *end;
    const QStringList rest = line.Positional();
    if (rest.isEmpty()) return line.UsageError(QStringLiteral("which command?"));
    for (const auto& [name, run] : kRunners)
        if (rest.first() == QLatin1String(name)) return run(rest.mid(1));
    return line.UsageError(QStringLiteral("unknown command '%1'").arg(rest.first()));
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
    QCoreApplication::setApplicationVersion(quill::QuillVersion());
    const int status = RunCommand(app.arguments().mid(1));
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
