#pragma once
// PDF output of the printer layer, on Qt Gui alone (QPdfWriter and QPainter,
// no widgets): the font metrics of printed text, the page of PDF output, the
// drawing of a printout onto a paged device, and PdfPrinter, which writes a
// printout into a PDF file. The windows' printer (printing/gui/qtprinter.h)
// uses the same metrics and drawing, so a report laid out for the printer,
// for a PDF from a window, or for a PDF from the command line is the same.
//
// Needs a QGuiApplication (the command line makes one on the offscreen
// platform when a PDF is asked for).

#include <QPageLayout>
#include <QString>

#include "printing/printer.h"

class QFont;
class QPagedPaintDevice;

namespace quill {

// The QFont of a printed piece, scale times its size.
QFont PrintQFont(const PrintFont& font, double scale = 1);

// Metrics of a font in points, as every real output measures them.
double PrintTextWidthPoints(const PrintFont& font, const QString& line);
double PrintLineHeightPoints(const PrintFont& font);
double PrintAverageCharWidthPoints(const PrintFont& font);

// The page of PDF output: Letter where the locale measures in inches, else
// A4, with half-inch margins standing for a printer's unprintable edge.
QPageLayout PdfPageLayout();

// Draws the printed pieces of a printout onto a paged device, page by page,
// its user coordinate system mapped onto the device's printable area.
bool RenderPrintout(QPagedPaintDevice* device, const PrintedPages& printout, QString* error);
bool RenderPrintout(QPagedPaintDevice* device, const Printer& printout, QString* error);

// Writes a printout into a PDF file as WriteFileAtomically writes it: a
// failed write leaves no partial file and an existing file as it was. error
// names the path and the reason.
bool WritePrintoutPdf(const QString& path, const PrintedPages& printout, QString* error);
bool WritePrintoutPdf(const QString& path, const Printer& printout, QString* error);

// A printer whose EndDoc writes the document into a PDF file. Shows nothing:
// a failure is reported by EndDoc and Error().
class PdfPrinter : public Printer {
  public:
    explicit PdfPrinter(const QString& path);
    ~PdfPrinter() override;

  protected:
    double TextWidthPoints(const PrintFont& font, const QString& line) const override;
    double LineHeightPoints(const PrintFont& font) const override;
    double AverageCharWidthPoints(const PrintFont& font) const override;
    double PageWidthPoints() const override { return pageWidthPts_; }
    double PageHeightPoints() const override { return pageHeightPts_; }
    bool Output(QString* error) override;

  private:
    QString path_;
    double pageWidthPts_;
    double pageHeightPts_;
};

}  // namespace quill
