#pragma once
// The printed report of a command's run, written as a PDF file: the options
// --report-pdf FILE and --title TEXT, and one call that prints the report
// onto a PDF printer. The layout is the one the windows print, through the
// same printer layer and the same PDF output.
//
// In a command:
//   ReportPdfOptions pdf;
//   pdf.titleRequired = true;
//   pdf.AddTo(line);
//   ... line.Parse(args) ...
//   if (!pdf.Read(line)) return kExitUsage;
//   ... run ...
//   if (pdf.Wanted()) status = WriteReportPdf(pdf, prefix, [&](Printer& p, const QString& title) {
//       return PrintSomeReport(p, ..., title, Now());
//   });
//
// The PDF output needs Qt Gui, which the command line loads only for such a
// run: main() makes the application object through MakeApplication, which
// loads the PDF output module (see modules/backendmodules.h) and makes the
// GUI application (offscreen) when a PDF report is asked for; fonts cannot be
// measured without it.

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace quill {
class Printer;
}

namespace quill::cli {

class CommandLine;

struct ReportPdfOptions {
    QString path;                // --report-pdf FILE; empty: no PDF
    QString title;               // --title TEXT
    bool titleRequired = false;  // --report-pdf needs --title
    bool Wanted() const { return !path.isEmpty(); }

    // Adds the two options to a command's line.
    void AddTo(CommandLine& line) const;
    // Takes them from the parsed line. False after a usage error: an empty
    // file name, --title without --report-pdf, or --report-pdf without a
    // required --title.
    bool Read(const CommandLine& line);
};

// Prints the report (print gets the PDF printer and the title; it prints the
// lines and ends the document, returning what EndDoc returned) and writes
// the PDF. Returns 0 when the file was written, else 1 after a message on
// stderr starting with prefix; then no file (and no partial file) is left.
int WriteReportPdf(const ReportPdfOptions& options, const QString& prefix,
                   const std::function<bool(Printer&, const QString& title)>& print);

// True when the command line asks for a PDF report.
bool NeedsGuiApplication(const QStringList& args);

// The application object of a run with these arguments (argc and argv as
// main got them): a QCoreApplication, or the PDF output module's GUI
// application when NeedsGuiApplication. nullptr with a message in *error when
// that module cannot be loaded.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv, const QStringList& args,
                                                  QString* error);

}  // namespace quill::cli
