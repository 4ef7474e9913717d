#include "printing/pdf/pdfprinter.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "text/quotedfile.h"

namespace quill {

namespace {

// Metrics are taken at 16 times the size on a 72-dpi device, where one pixel
// is one point, so that hinting at small sizes does not round them.
constexpr double kMetricScale = 16.0;

const QImage& MetricDevice() {
    static const QImage image = [] {
        QImage im(1, 1, QImage::Format_RGB32);
        const int dpm = qRound(72 / 0.0254);
        im.setDotsPerMeterX(dpm);
        im.setDotsPerMeterY(dpm);
        return im;
    }();
    return image;
}

QFontMetricsF Metrics(const PrintFont& f) {
    return QFontMetricsF(PrintQFont(f, kMetricScale), &MetricDevice());
}

}  // namespace

QFont PrintQFont(const PrintFont& f, double scale) {
    QFont font(f.name);
    font.setPointSizeF(f.size * scale);
    font.setBold(f.bold);
    font.setUnderline(f.underline);
    return font;
}

double PrintTextWidthPoints(const PrintFont& font, const QString& line) {
    return Metrics(font).horizontalAdvance(line) / kMetricScale;
}

double PrintLineHeightPoints(const PrintFont& font) {
    return Metrics(font).lineSpacing() / kMetricScale;
}

double PrintAverageCharWidthPoints(const PrintFont& font) {
    return Metrics(font).averageCharWidth() / kMetricScale;
}

QPageLayout PdfPageLayout() {
    const QPageSize size(QLocale().measurementSystem() == QLocale::ImperialUSSystem
                             ? QPageSize::Letter
                             : QPageSize::A4);
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(36, 36, 36, 36), QPageLayout::Point);
}

bool RenderPrintout(QPagedPaintDevice* device, const PrintedPages& printout, QString* error) {
    QPainter painter;
    if (!painter.begin(device)) {
        *error = QStringLiteral("the output could not be started");
        return false;
    }
    const double sx = device->width() / printout.scaleWidth;
    const double sy = device->height() / printout.scaleHeight;
    int page = 1;
    for (const PrintedPiece& piece : printout.pieces) {
        while (page < piece.page) {
            if (!device->newPage()) {
                painter.end();
                *error = QStringLiteral("a new page could not be started");
                return false;
            }
            ++page;
        }
        painter.setFont(PrintQFont(piece.font));
        const double ascent = painter.fontMetrics().ascent();
        painter.drawText(QPointF((piece.x - printout.scaleLeft) * sx,
                                 (piece.y - printout.scaleTop) * sy + ascent),
                         piece.text);
    }
    // Pages that hold only empty lines are still part of the document.
    while (page < printout.pageCount) {
        device->newPage();
        ++page;
    }
    if (!painter.end()) {
        *error = QStringLiteral("the output could not be finished");
        return false;
    }
    return true;
}

bool RenderPrintout(QPagedPaintDevice* device, const Printer& printout, QString* error) {
    return RenderPrintout(device, PrintedPagesOf(printout), error);
}

bool WritePrintoutPdf(const QString& path, const PrintedPages& printout, QString* error) {
    // The document is made in memory and written as a whole, so that every
    // failure of the write is seen and a failed write leaves the old file.
    QByteArray document;
    {
        QBuffer buffer(&document);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(1200);
        writer.setTitle(QStringLiteral("Quillfish"));
        writer.setCreator(QStringLiteral("Quillfish"));
        writer.setPageLayout(PdfPageLayout());
        QString why;
        if (!RenderPrintout(&writer, printout, &why)) {
            *error = path + QStringLiteral(": ") + why;
            return false;
        }
    }
    const WriteResult written = WriteFileAtomically(path, document);
    if (!written.ok) *error = written.error;
    return written.ok;
}

bool WritePrintoutPdf(const QString& path, const Printer& printout, QString* error) {
    return WritePrintoutPdf(path, PrintedPagesOf(printout), error);
}

PdfPrinter::PdfPrinter(const QString& path) : path_(path) {
    const QRectF area = PdfPageLayout().paintRect(QPageLayout::Point);
    pageWidthPts_ = area.width();
    pageHeightPts_ = area.height();
}

PdfPrinter::~PdfPrinter() = default;

double PdfPrinter::TextWidthPoints(const PrintFont& font, const QString& line) const {
    return PrintTextWidthPoints(font, line);
}

double PdfPrinter::LineHeightPoints(const PrintFont& font) const {
    return PrintLineHeightPoints(font);
}

double PdfPrinter::AverageCharWidthPoints(const PrintFont& font) const {
    return PrintAverageCharWidthPoints(font);
}

bool PdfPrinter::Output(QString* error) {
    return WritePrintoutPdf(path_, *this, error);
}

}  // namespace quill
