#include "printing/gui/qtprinter.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPrinter>
#include <QPrinterInfo>

#include "printing/pdf/pdfprinter.h"
#include "widgets/platform.h"

namespace quill::ui {

namespace {

bool g_noPrinter = false;
PrinterDouble* g_double = nullptr;

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
    QRectF area = PdfPageLayout().paintRect(QPageLayout::Point);
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
    return PrintTextWidthPoints(font, line);
}

double QtPrinter::LineHeightPoints(const PrintFont& font) const {
    return PrintLineHeightPoints(font);
}

double QtPrinter::AverageCharWidthPoints(const PrintFont& font) const {
    return PrintAverageCharWidthPoints(font);
}

bool QtPrinter::WritePdf(const QString& path, QString* error) {
    if (!WritePrintoutPdf(path, *this, error)) return false;
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
    if (RenderPrintout(&printer, *this, &why) && printer.printerState() != QPrinter::Error)
        return true;
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

void PrintHitList(QWidget* parent, const Settings& settings, const QListWidget& list,
                  const HitListPrint& print) {
    if (!Platform::AskYesNo(parent, QStringLiteral("Ok to print hits?"), QStringLiteral("Print"),
                            Icon::Question))
        return;
    const QString title =
        Platform::Input(parent, QStringLiteral("Enter title of search:"), QStringLiteral("Title"));
    QStringList entries;
    entries.reserve(list.count());
    for (int i = 0; i < list.count(); ++i) entries << list.item(i)->text();
    const std::unique_ptr<quill::Printer> printer = OpenPrinter(parent, settings);
    print(*printer, title, entries);
}

}  // namespace quill::ui
