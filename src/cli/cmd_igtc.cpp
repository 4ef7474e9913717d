#include <QFile>
#include <cstdio>

#include "cli/commands.h"
#include "cli/reportpdf.h"
#include "igtc/blastreports.h"
#include "igtc/igtcparser.h"
#include "igtc/igtcreport.h"
#include "text/quotedfile.h"
#include "text/textrules.h"

namespace quill::cli {

namespace {

const char* kIgtcDescription =
    "Reads a BLAST report from INPUT (or standard input): the IGTC site's text,\n"
    "or BLAST+ text (-outfmt 0), XML (-outfmt 5) or tabular (-outfmt 6 or 7).\n"
    "Keeps the queries whose best score is at least the minimum score and prints\n"
    "the hit list; standard error names the form read and counts the queries\n"
    "without hits and those that could not be read. Input that is not valid\n"
    "UTF-8 is read as Windows-1252.\n";

}  // namespace

int RunIgtc(const QStringList& args) {
    CommandLine line(QStringLiteral("igtc"), QStringLiteral("[INPUT]"),
                     QString::fromLatin1(kIgtcDescription));
    line.Add({QStringLiteral("min-score"),
              QStringLiteral("TEXT"),
              QStringLiteral("the minimum score as typed (read by its leading number)"),
              {},
              /*required=*/true});
    InputCommand command;
    if (const std::optional<int> end = ParseInputCommand(line, args, &command)) return *end;
    const QString minimumText = line.Value(QStringLiteral("min-score"));
    const bool save = !command.savePath.isEmpty();
    const ReportPdfOptions& pdf = command.pdf;

    // A file is read a piece at a time where it can be (large pastes are
    // neither held whole nor copied); standard input and pipes whole.
    QByteArray text;
    QFile file;
    bool inPieces = false;
    if (command.input.isEmpty()) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            Err(QStringLiteral("quillfish-cli igtc: cannot read standard input"));
            return 1;
        }
        text = in.readAll();
    } else {
        file.setFileName(command.input);
        if (!file.open(QIODevice::ReadOnly)) {
            Err(QStringLiteral("quillfish-cli igtc: %1: %2")
                    .arg(command.input, file.errorString()));
            return 1;
        }
        inPieces = !file.isSequential() && file.size() > 0;
        if (!inPieces) text = file.readAll();
    }

    if (!inPieces && text.isEmpty()) {
        Err(kNoTextMessage);
        return 1;
    }
    const MinimumScore minimum = ReadMinimumScore(minimumText);
    if (minimum.status == MinimumScore::Status::Zero) {
        Err(kZeroMinimumMessage);
        return 1;
    }
    if (minimum.status == MinimumScore::Status::OutOfRange) {
        Err(kMinimumRangeMessage);
        return 1;
    }

    // The report's bytes are decoded by the reading (UTF-8, else Windows-1252).
    // The names themselves are needed only for the saved list and the PDF:
    // otherwise the output is built from the report's bytes directly.
    const KeptNames kept = save || pdf.Wanted() ? KeptNames::List : KeptNames::Bytes;
    const IgtcResult result =
        inPieces ? ReadBlastReportFile(file, minimum.value, LineBreaks::AsTextBox, kept)
                 : ReadBlastReport(text, minimum.value, LineBreaks::AsTextBox, kept);
    if (result.format == BlastFormat::None) {
        Err(kNotBlastMessage);
        return 1;
    }
    Err(ReadingSummary(result));
    if (save) {
        const WriteResult w =
            WriteQuotedItems(command.savePath, IgtcSaveItems(minimumText, result.output, Now()));
        if (!w.ok) {
            Err(QStringLiteral("quillfish-cli igtc: the hit list was not saved: ") + w.error);
            return 1;
        }
    }
    OutUtf8(IgtcOutputUtf8(result));
    if (pdf.Wanted())
        return WriteReportPdf(pdf, QStringLiteral("quillfish-cli igtc: "),
                              [&](Printer& printer, const QString& title) {
                                  return PrintIgtcReport(printer, title, minimumText, result.names,
                                                         Now());
                              });
    return 0;
}

}  // namespace quill::cli
