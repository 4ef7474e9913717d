#pragma once
// The printer layer on real output: the system's default printer, or a PDF
// file. Layout and page breaks come from quill::Printer with real font
// metrics ("Times New Roman" is found through the system's font matching).
//
// Where the printout goes, at EndDoc:
// - a printer made with ForPdfFile writes that PDF file;
// - else, when Settings::PrintToPdfDir is set, the next numbered file
//   print-001.pdf, print-002.pdf, ... in that folder (created if missing);
// - else the default printer.
// When there is no printer, or printing or writing fails, the printer says so
// and offers to save the printout as a PDF file instead (through
// quill::ui::Platform). EndDoc is true only when the printout was printed or
// written; the messages have then been shown, so callers need not repeat them.
// PDF files are written atomically: a failed write leaves no partial file.

#include <QString>
#include <functional>
#include <memory>

#include "printing/printer.h"
#include "web/settings.h"

class QListWidget;
class QWidget;

namespace quill::ui {

class QtPrinter : public quill::Printer {
  public:
    // Prints on the default printer (or into PrintToPdfDir, see above);
    // parent owns the dialogs.
    QtPrinter(QWidget* parent, const Settings& settings);
    // Writes the printout into this PDF file.
    static std::unique_ptr<QtPrinter> ForPdfFile(const QString& path, QWidget* parent = nullptr);
    ~QtPrinter() override;

    // The PDF file written by the last successful EndDoc (empty when the
    // printout went to a printer).
    QString WrittenPdf() const { return writtenPdf_; }

    // Tests: behave as if the system had no printer.
    static void SetNoPrinterForTesting(bool noPrinter);

  protected:
    double TextWidthPoints(const PrintFont& font, const QString& line) const override;
    double LineHeightPoints(const PrintFont& font) const override;
    double AverageCharWidthPoints(const PrintFont& font) const override;
    double PageWidthPoints() const override { return pageWidthPts_; }
    double PageHeightPoints() const override { return pageHeightPts_; }
    bool Output(QString* error) override;

  private:
    QtPrinter(QWidget* parent, const Settings& settings, const QString& pdfFile);
    bool WritePdf(const QString& path, QString* error);
    bool OfferPdf(const QString& problem, QString* error);

    QWidget* parent_;
    Settings settings_;
    QString pdfFile_;
    QString writtenPdf_;
    double pageWidthPts_ = 540;
    double pageHeightPts_ = 720;
};

// What a test sees of the documents printed while it is installed.
struct PrintedDocument {
    QList<PrintedPiece> pieces;
    QStringList lines;  // the pieces' texts joined per printed line
    int pages = 0;
    int lineCount = 0;
    bool printed = false;  // what EndDoc reported
};

// Installed by a test: OpenPrinter then gives RecordingPrinters whose
// documents are collected here instead of printed. At most one at a time.
class PrinterDouble {
  public:
    PrinterDouble();
    ~PrinterDouble();
    PrinterDouble(const PrinterDouble&) = delete;
    PrinterDouble& operator=(const PrinterDouble&) = delete;

    QList<PrintedDocument> documents;
    // When set, every document's output fails with this reason.
    QString failWith;
};

// The printer a window prints a report on: a QtPrinter for the default
// printer, or a recording one while a PrinterDouble is installed.
std::unique_ptr<quill::Printer> OpenPrinter(QWidget* parent, const Settings& settings);

// Printing a window's hit list: asks "Ok to print hits?", then the title of
// the search; unless the user says No, hands the printer, the title and the
// list's entries (in list order) to print. The printer shows its own
// messages when the printout cannot be made.
using HitListPrint =
    std::function<void(quill::Printer&, const QString& title, const QStringList& entries)>;
void PrintHitList(QWidget* parent, const Settings& settings, const QListWidget& list,
                  const HitListPrint& print);

}  // namespace quill::ui
