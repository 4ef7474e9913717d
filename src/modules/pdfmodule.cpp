// The PDF output module of the command line: the PDF output of the printer
// layer (printing/pdf) with Qt Gui, loaded when a run asks for a PDF report.
// The command line's printer lays the report out and measures its text
// through this module, and hands it the printed pages to write.

#include <QGuiApplication>
#include <QPageLayout>
#include <QRectF>

#include "modules/backendmodules.h"
#include "printing/pdf/pdfprinter.h"

namespace {

QCoreApplication* MakeApplication(int& argc, char** argv) {
    return new QGuiApplication(argc, argv);
}

void PageSizePoints(double* width, double* height) {
    const QRectF area = quill::PdfPageLayout().paintRect(QPageLayout::Point);
    *width = area.width();
    *height = area.height();
}

bool WritePdf(const QString& path, const quill::PrintedPages& pages, QString* error) {
    return quill::WritePrintoutPdf(path, pages, error);
}

}  // namespace

extern "C" Q_DECL_EXPORT const void* quillfish_module() {
    static const quill::PdfModule table{quill::kModuleVersion,
                                        &MakeApplication,
                                        &quill::PrintTextWidthPoints,
                                        &quill::PrintLineHeightPoints,
                                        &quill::PrintAverageCharWidthPoints,
                                        &PageSizePoints,
                                        &WritePdf};
    return &table;
}
