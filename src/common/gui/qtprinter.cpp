#include "common/gui/qtprinter.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>

#include "common/gui/platform.h"

namespace quill::ui {

namespace {

bool g_noPrinter = false;
PrinterDouble* g_double = nullptr;

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

QFont MakeFont(const PrintFont& f, double scale = 1) {
    QFont font(f.name);
    font.setPointSizeF(f.size * scale);
    font.setBold(f.bold);
    font.setUnderline(f.underline);
    return font;
}

QFontMetricsF Metrics(const PrintFont& f) {
    return QFontMetricsF(MakeFont(f, kMetricScale), &MetricDevice());
}

// The page of PDF output: Letter where the locale measures in inches, else
// A4; half-inch margins stand for a printer's unprintable edge.
QPageLayout PdfLayout() {
    const QPageSize size(QLocale().measurementSystem() == QLocale::ImperialUSSystem
                             ? QPageSize::Letter
                             : QPageSize::A4);
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(36, 36, 36, 36), QPageLayout::Point);
}

bool HaveSystemPrinter() {
    return !g_noPrinter && !QPrinterInfo::defaultPrinter().isNull();
}

QString NextNumberedPdf(const QString& dir, QString* error) {
    QDir d(dir);
    if (!d.mkpath(QStringLiteral("."))) {
        *error = dir + QStringLiteral(": the folder cannot be created");
        return QString();
    }
    for (int n = 1; n < 100000; ++n) {
        const QString path =
            d.filePath(QStringLiteral("print-%1.pdf").arg(n, 3, 10, QLatin1Char('0')));
        if (!QFileInfo::exists(path)) return path;
    }
    *error = dir + QStringLiteral(": no free file name");
    return QString();
}

}  // namespace

QtPrinter::QtPrinter(QWidget* parent, const Settings& settings)
    : QtPrinter(parent, settings, QString()) {}

QtPrinter::QtPrinter(QWidget* parent, const Settings& settings, const QString& pdfFile)
    : parent_(parent), settings_(settings), pdfFile_(pdfFile) {
    QRectF area = PdfLayout().paintRect(QPageLayout::Point);
    if (pdfFile_.isEmpty() && settings_.PrintToPdfDir.isEmpty() && HaveSystemPrinter()) {
        QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
        const QRectF printable = printer.pageLayout().paintRect(QPageLayout::Point);
        if (printable.width() > 0 && printable.height() > 0) area = printable;
    }
    pageWidthPts_ = area.width();
    pageHeightPts_ = area.height();
}

std::unique_ptr<QtPrinter> QtPrinter::ForPdfFile(const QString& path, QWidget* parent) {
    return std::unique_ptr<QtPrinter>(new QtPrinter(parent, Settings(), path));
}

QtPrinter::~QtPrinter() = default;

void QtPrinter::SetNoPrinterForTesting(bool noPrinter) {
    g_noPrinter = noPrinter;
}

double QtPrinter::TextWidthPoints(const PrintFont& font, const QString& line) const {
    return Metrics(font).horizontalAdvance(line) / kMetricScale;
}

double QtPrinter::LineHeightPoints(const PrintFont& font) const {
    return Metrics(font).lineSpacing() / kMetricScale;
}

double QtPrinter::AverageCharWidthPoints(const PrintFont& font) const {
    return Metrics(font).averageCharWidth() / kMetricScale;
}

bool QtPrinter::Render(QPagedPaintDevice* device, QString* error) {
    QPainter painter;
    if (!painter.begin(device)) {
        *error = QStringLiteral("the output could not be started");
        return false;
    }
    const double sx = device->width() / ScaleWidth();
    const double sy = device->height() / ScaleHeight();
    int page = 1;
    for (const PrintedPiece& piece : Pieces()) {
        while (page < piece.page) {
            if (!device->newPage()) {
                painter.end();
                *error = QStringLiteral("a new page could not be started");
                return false;
            }
            ++page;
        }
        painter.setFont(MakeFont(piece.font));
        const double ascent = painter.fontMetrics().ascent();
        painter.drawText(
            QPointF((piece.x - ScaleLeft()) * sx, (piece.y - ScaleTop()) * sy + ascent),
            piece.text);
    }
    // Pages that hold only empty lines are still part of the document.
    while (page < PageCount()) {
        device->newPage();
        ++page;
    }
    if (!painter.end()) {
        *error = QStringLiteral("the output could not be finished");
        return false;
    }
    return true;
}

bool QtPrinter::WritePdf(const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(1200);
        writer.setTitle(QStringLiteral("Quillfish"));
        writer.setCreator(QStringLiteral("Quillfish"));
        writer.setPageLayout(PdfLayout());
        QString why;
        if (!Render(&writer, &why)) {
            file.cancelWriting();
            *error = path + QStringLiteral(": ") + why;
            return false;
        }
    }
    if (!file.commit()) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return false;
    }
    writtenPdf_ = path;
    return true;
}

bool QtPrinter::OfferPdf(const QString& problem, QString* error) {
    *error = problem;
    if (!Platform::AskYesNo(
            parent_, problem + QStringLiteral("\n\nSave the printout as a PDF file instead?"),
            QStringLiteral("Print"), Icon::Question))
        return false;
    QString path = Platform::SaveFileName(parent_, QStringLiteral("PDF Document (*.pdf)|*.pdf"));
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
    QString why;
    if (!WritePdf(path, &why)) {
        Platform::Message(parent_, QStringLiteral("The PDF file could not be written:\n") + why,
                          QStringLiteral("Print"), Icon::Exclamation);
        *error = why;
        return false;
    }
    error->clear();
    return true;
}

bool QtPrinter::Output(QString* error) {
    writtenPdf_.clear();
    if (!pdfFile_.isEmpty()) {
        QString why;
        if (WritePdf(pdfFile_, &why)) return true;
        return OfferPdf(QStringLiteral("The printout could not be written:\n") + why, error);
    }
    if (!settings_.PrintToPdfDir.isEmpty()) {
        QString why;
        const QString path = NextNumberedPdf(settings_.PrintToPdfDir, &why);
        if (!path.isEmpty() && WritePdf(path, &why)) return true;
        return OfferPdf(QStringLiteral("The printout could not be written:\n") + why, error);
    }
    if (!HaveSystemPrinter())
        return OfferPdf(QStringLiteral("No printer is available, so nothing was printed."), error);
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Quillfish"));
    QString why;
    if (Render(&printer, &why) && printer.printerState() != QPrinter::Error) return true;
    if (why.isEmpty()) why = QStringLiteral("the printer reported an error");
    return OfferPdf(QStringLiteral("The printer could not print (") + why +
                        QStringLiteral("), so nothing was printed."),
                    error);
}

PrinterDouble::PrinterDouble() {
    g_double = this;
}

PrinterDouble::~PrinterDouble() {
    if (g_double == this) g_double = nullptr;
}

std::unique_ptr<quill::Printer> OpenPrinter(QWidget* parent, const Settings& settings) {
    if (g_double) {
        auto printer = std::make_unique<RecordingPrinter>();
        if (!g_double->failWith.isEmpty()) printer->FailOutputWith(g_double->failWith);
        PrinterDouble* target = g_double;
        printer->onEndDoc = [target](const RecordingPrinter& p) {
            if (g_double != target) return;
            PrintedDocument doc;
            doc.pieces = p.Pieces();
            doc.lines = p.LineTexts();
            doc.pages = p.PageCount();
            doc.lineCount = p.LineCount();
            doc.printed = target->failWith.isEmpty();
            target->documents.append(doc);
        };
        return printer;
    }
    return std::make_unique<QtPrinter>(parent, settings);
}

}  // namespace quill::ui
