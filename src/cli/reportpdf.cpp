#include "cli/reportpdf.h"

#include "cli/commandline.h"
#include "cli/commands.h"
#include "modules/backendmodules.h"
#include "printing/printer.h"

namespace quill::cli {

namespace {

const QString kPdfOption = QStringLiteral("report-pdf");
const QString kTitleOption = QStringLiteral("title");

// The PDF output module, once MakeApplication has loaded it.
const PdfModule* gPdf = nullptr;

// A printer whose EndDoc writes the document into a PDF file, measuring and
// writing through the PDF output module (as PdfPrinter does in the windows).
class ModulePdfPrinter : public Printer {
  public:
    ModulePdfPrinter(const PdfModule& pdf, const QString& path) : pdf_(pdf), path_(path) {
        pdf_.pageSizePoints(&pageWidthPts_, &pageHeightPts_);
    }

  protected:
    double TextWidthPoints(const PrintFont& font, const QString& line) const override {
        return pdf_.textWidthPoints(font, line);
    }
    double LineHeightPoints(const PrintFont& font) const override {
        return pdf_.lineHeightPoints(font);
    }
    double AverageCharWidthPoints(const PrintFont& font) const override {
        return pdf_.averageCharWidthPoints(font);
    }
    double PageWidthPoints() const override { return pageWidthPts_; }
    double PageHeightPoints() const override { return pageHeightPts_; }
    bool Output(QString* error) override {
        return pdf_.writePdf(path_, PrintedPagesOf(*this), error);
    }

  private:
    const PdfModule& pdf_;
    QString path_;
    double pageWidthPts_ = 0;
    double pageHeightPts_ = 0;
};

}  // namespace

void ReportPdfOptions::AddTo(CommandLine& line) const {
    line.Add({kPdfOption, QStringLiteral("FILE"),
              QStringLiteral("also write the printed report of the run as a PDF file")});
    line.Add({kTitleOption, QStringLiteral("TEXT"),
              QStringLiteral("the title printed at the top of that report") +
                  (titleRequired ? QStringLiteral(" (needed with --report-pdf)")
                                 : QStringLiteral(" (empty when not given)"))});
}

bool ReportPdfOptions::Read(const CommandLine& line) {
    const bool havePdf = line.IsSet(kPdfOption);
    const bool haveTitle = line.IsSet(kTitleOption);
    path = line.Value(kPdfOption);
    title = line.Value(kTitleOption);
    QString error;
    if (havePdf && path.isEmpty())
        error = QStringLiteral("--report-pdf needs a file name");
    else if (haveTitle && !havePdf)
        error = QStringLiteral("--title is only used with --report-pdf");
    else if (havePdf && titleRequired && !haveTitle)
        error = QStringLiteral("--report-pdf needs --title TEXT");
    if (error.isEmpty()) return true;
    line.UsageError(error);
    return false;
}

int WriteReportPdf(const ReportPdfOptions& options, const QString& prefix,
                   const std::function<bool(Printer&, const QString& title)>& print) {
    if (!gPdf) {
        Err(prefix + QStringLiteral("cannot write the PDF report: no GUI application"));
        return 1;
    }
    ModulePdfPrinter printer(*gPdf, options.path);
    const bool written = print(printer, options.title);
    if (!written || !printer.Ended()) {
        const QString why =
            printer.Ended() ? printer.Error() : QStringLiteral("the report was not finished");
        Err(prefix + QStringLiteral("the PDF report was not written: ") + why);
        return 1;
    }
    return 0;
}

bool NeedsGuiApplication(const QStringList& args) {
    // --report-pdf FILE, --report-pdf=FILE or one dash, before any "--".
    for (const QString& arg : args) {
        if (arg == QLatin1String("--")) break;
        const QString name = arg.section(QLatin1Char('='), 0, 0);
        if (name == QStringLiteral("--") + kPdfOption || name == QStringLiteral("-") + kPdfOption)
            return true;
    }
    return false;
}

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv, const QStringList& args,
                                                  QString* error) {
    if (!NeedsGuiApplication(args)) return std::make_unique<QCoreApplication>(argc, argv);
    gPdf = LoadPdfModule(error);
    if (!gPdf) return nullptr;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::unique_ptr<QCoreApplication>(gPdf->makeApplication(argc, argv));
}

}  // namespace quill::cli
