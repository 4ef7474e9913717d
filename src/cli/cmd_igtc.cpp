#include <QFile>
#include <cstdio>

#include "cli/commands.h"
#include "cli/reportpdf.h"
#include "text/quotedfile.h"
#include "text/textrules.h"
#include "igtc/blastreports.h"
#include "igtc/igtcparser.h"
#include "igtc/igtcreport.h"

namespace quill::cli {

namespace {

const char* kIgtcUsage =
    "Usage: quillfish-cli igtc --min-score TEXT [--save FILE]\n"
    "         [--report-pdf FILE [--title TEXT]] [INPUT]\n"
    "\n"
    "Reads a BLAST report from INPUT (or standard input): the IGTC site's text,\n"
    "or BLAST+ text (-outfmt 0), XML (-outfmt 5) or tabular (-outfmt 6 or 7).\n"
    "Keeps the queries whose best score is at least the minimum score and prints\n"
    "the hit list; standard error names the form read and counts the queries\n"
    "without hits and those that could not be read. Input that is not valid\n"
    "UTF-8 is read as Windows-1252.\n"
    "  --min-score TEXT  the minimum score as typed (read by its leading number)\n"
    "  --save FILE       also write the hit list file (quoted lines)\n"
    "  --report-pdf FILE also write the printed hit report as a PDF file\n"
    "  --title TEXT      its title (empty when not given)\n";

}  // namespace

int RunIgtc(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        Out(QString::fromLatin1(kIgtcUsage));
        return 0;
    }
    QString error;
    QString minimumText;
    const bool haveMinimum = TakeValue(args, QStringLiteral("--min-score"), &minimumText, &error);
    QString savePath;
    const bool save = TakeValue(args, QStringLiteral("--save"), &savePath, &error);
    ReportPdfOptions pdf;
    if (error.isEmpty()) TakeReportPdfOptions(args, &pdf, false, &error);
    if (!error.isEmpty() || !haveMinimum) {
        Err(QStringLiteral("quillfish-cli igtc: ") +
            (error.isEmpty() ? QStringLiteral("--min-score is required") : error) +
            QLatin1Char('\n') + QString::fromLatin1(kIgtcUsage));
        return 2;
    }
    if (save && savePath.isEmpty()) {
        Err(QStringLiteral("quillfish-cli igtc: --save needs a file name"));
        return 2;
    }
    for (const QString& a : args) {
        if (a.startsWith(QLatin1String("--"))) {
            Err(QStringLiteral("quillfish-cli igtc: unknown option '%1'\n").arg(a) +
                QString::fromLatin1(kIgtcUsage));
            return 2;
        }
    }
    if (args.size() > 1) {
        Err(QStringLiteral("quillfish-cli igtc: only one INPUT file may be given\n") +
            QString::fromLatin1(kIgtcUsage));
        return 2;
    }

    // A file is read a piece at a time where it can be (large pastes are
    // neither held whole nor copied); standard input and pipes whole.
    QByteArray text;
    QFile file;
    bool inPieces = false;
    if (args.isEmpty() || args.first() == QLatin1String("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            Err(QStringLiteral("quillfish-cli igtc: cannot read standard input"));
            return 1;
        }
        text = in.readAll();
    } else {
        file.setFileName(args.first());
        if (!file.open(QIODevice::ReadOnly)) {
            Err(QStringLiteral("quillfish-cli igtc: %1: %2").arg(args.first(), file.errorString()));
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
            WriteQuotedItems(savePath, IgtcSaveItems(minimumText, result.output, Now()));
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
