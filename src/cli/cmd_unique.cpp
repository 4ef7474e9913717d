// quillfish-cli unique: the unique hit finder on a list of IGTC hit entries.

#include <QFile>

#include "cli/commands.h"
#include "cli/reportpdf.h"
#include "text/quotedfile.h"
#include "sheets/termfile.h"
#include "text/textrules.h"
#include "unique/uniquehits.h"

namespace quill::cli {

namespace {

const char* kUniqueUsage =
    "Usage: quillfish-cli unique [--save FILE] [--report-pdf FILE [--title TEXT]] [INPUT]\n"
    "\n"
    "Reduces a list of IGTC hits to the unique hit names, in order of first\n"
    "appearance, and prints the report. INPUT (or standard input), known by its\n"
    "content whatever its name, is a hit list saved by this program (its heading\n"
    "lines are skipped), a spreadsheet (.xls, .xlsx, .ods) or CSV file whose cells\n"
    "of the first sheet are the entries, row by row (repeated cells are kept), or\n"
    "text with one hit entry per line. The name of an entry \"NAME | more\" is the\n"
    "text before the first \"|\" that follows a blank; any other entry is its own\n"
    "name.\n"
    "  --save FILE       also write the unique hits file (quoted lines)\n"
    "  --report-pdf FILE also write the printed report as a PDF file\n"
    "  --title TEXT      its title (empty when not given)\n";

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

int RunUnique(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        Out(QString::fromLatin1(kUniqueUsage));
        return 0;
    }
    auto usageError = [](const QString& text) {
        Err(kPrefix + text + QLatin1Char('\n') + QString::fromLatin1(kUniqueUsage));
        return 2;
    };
    QString error;
    QString savePath;
    const bool save = TakeValue(args, QStringLiteral("--save"), &savePath, &error);
    ReportPdfOptions pdf;
    if (error.isEmpty()) TakeReportPdfOptions(args, &pdf, false, &error);
    if (!error.isEmpty()) return usageError(error);
    if (save && savePath.isEmpty()) return usageError(QStringLiteral("--save needs a file name"));
    for (const QString& a : args) {
        if (a.startsWith(QLatin1String("--")))
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
    }
    if (args.size() > 1) return usageError(QStringLiteral("only one INPUT file may be given"));

    const bool fromStdin = args.isEmpty() || args.first() == QLatin1String("-");
    const TermFileResult file =
        fromStdin ? ReadStandardInput() : ReadTermFile(args.first(), UniqueImportRule());
    if (!file.ok) {
        Err(kPrefix + file.error);
        return 1;
    }
    const UniqueHits hits = FindUniqueHits(file.terms);

    const QString report = UniqueReportText(hits.keys, Now());
    Out(report);
    int status = 0;
    if (save) {
        const WriteResult w = WriteQuotedItems(savePath, UniqueSaveItems(report));
        if (!w.ok) {
            Err(kPrefix + QStringLiteral("the unique hits were not saved: ") + w.error);
            status = 1;
        }
    }
    if (pdf.Wanted() && WriteReportPdf(pdf, kPrefix, [&](Printer& printer, const QString& title) {
                            return PrintUniqueReport(printer, title, hits.keys, Now());
                        }) != 0)
        status = 1;
    return status;
}

}  // namespace quill::cli
