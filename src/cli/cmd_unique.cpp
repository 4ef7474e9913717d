// quillfish-cli unique: the unique hit finder on a list of IGTC hit entries.

#include <QFile>

#include "cli/commands.h"
#include "cli/reportpdf.h"
#include "sheets/termfile.h"
#include "text/quotedfile.h"
#include "text/textrules.h"
#include "unique/uniquehits.h"

namespace quill::cli {

namespace {

const char* kUniqueDescription =
    "Reduces a list of IGTC hits to the unique hit names, in order of first\n"
    "appearance, and prints the report. INPUT (or standard input), known by its\n"
    "content whatever its name, is a hit list saved by this program (its heading\n"
    "lines are skipped), a spreadsheet (.xls, .xlsx, .ods) or CSV file whose cells\n"
    "of the first sheet are the entries, row by row (repeated cells are kept), or\n"
    "text with one hit entry per line. The name of an entry \"NAME | more\" is the\n"
    "text before the first \"|\" that follows a blank; any other entry is its own\n"
    "name.\n";

const QString kPrefix = QStringLiteral("quillfish-cli unique: ");

// Standard input is read as a file is: its content tells what it is. Text
// is read where it is; only a spreadsheet goes through a temporary file.
TermFileResult ReadStandardInput() {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) {
        TermFileResult r;
        r.error = QStringLiteral("cannot read standard input");
        return r;
    }
    return ReadTermBytes(QStringLiteral("standard input"), in.readAll(), UniqueImportRule());
}

}  // namespace

int RunUnique(const QStringList& args) {
    CommandLine line(QStringLiteral("unique"), QStringLiteral("[INPUT]"),
                     QString::fromLatin1(kUniqueDescription));
    InputCommand command;
    if (const std::optional<int> end = ParseInputCommand(line, args, &command)) return *end;

    const bool fromStdin = command.input.isEmpty();
    const TermFileResult file =
        fromStdin ? ReadStandardInput() : ReadTermFile(command.input, UniqueImportRule());
    if (!file.ok) {
        Err(kPrefix + file.error);
        return 1;
    }
    const UniqueHits hits = FindUniqueHits(file.terms);

    const QString report = UniqueReportText(hits.keys, Now());
    Out(report);
    int status = 0;
    if (!command.savePath.isEmpty()) {
        const WriteResult w = WriteQuotedItems(command.savePath, UniqueSaveItems(report));
        if (!w.ok) {
            Err(kPrefix + QStringLiteral("the unique hits were not saved: ") + w.error);
            status = 1;
        }
    }
    if (command.pdf.Wanted() &&
        WriteReportPdf(command.pdf, kPrefix, [&](Printer& printer, const QString& title) {
            return PrintUniqueReport(printer, title, hits.keys, Now());
        }) != 0)
        status = 1;
    return status;
}

}  // namespace quill::cli
