#pragma once
// The printed report of a command's run, written as a PDF file: the options
// --report-pdf FILE and --title TEXT, and one call that prints the report
// onto a PDF printer. The layout is the one the windows print, through the
// same printer layer and the same PDF output.
//
// In a command:
//   ReportPdfOptions pdf;
//   if (!TakeReportPdfOptions(args, &pdf, /*titleRequired=*/true, &error)) ... usage error
//   ... run ...
//   if (pdf.Wanted()) status = WriteReportPdf(pdf, prefix, [&](Printer& p, const QString& title) {
//       return PrintSomeReport(p, ..., title, Now());
//   });
//
// main() makes the GUI application object (offscreen) when NeedsGuiApplication
// says that a PDF is asked for; fonts cannot be measured without it.

#include <QString>
#include <QStringList>
#include <functional>

namespace quill {
class Printer;
}

namespace quill::cli {

struct ReportPdfOptions {
    QString path;   // --report-pdf FILE; empty: no PDF
    QString title;  // --title TEXT
    bool Wanted() const { return !path.isEmpty(); }
};

// The usage lines of the two options, for a command's --help.
extern const char* const kReportPdfUsage;

// Takes --report-pdf FILE and --title TEXT out of args. False with a message
// in error when a value is missing, an option is given twice, --title comes
// without --report-pdf, or titleRequired and --report-pdf comes without
// --title.
bool TakeReportPdfOptions(QStringList& args, ReportPdfOptions* options, bool titleRequired,
                          QString* error);

// Prints the report (print gets the PDF printer and the title; it prints the
// lines and ends the document, returning what EndDoc returned) and writes
// the PDF. Returns 0 when the file was written, else 1 after a message on
// stderr starting with prefix; then no file (and no partial file) is left.
int WriteReportPdf(const ReportPdfOptions& options, const QString& prefix,
                   const std::function<bool(Printer&, const QString& title)>& print);

// True when the command line asks for a PDF report.
bool NeedsGuiApplication(const QStringList& args);

}  // namespace quill::cli
