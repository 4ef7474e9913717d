#include "cli/reportpdf.h"

#include "cli/commands.h"
#include "modules/backendmodules.h"
#include "printing/printer.h"

namespace quill::cli {

const char* const kReportPdfUsage =
    "  --report-pdf FILE  also write the printed report of the run as a PDF file\n"
    "  --title TEXT       the title printed at the top of that report\n";

namespace {

const QString kPdfOption = QStringLiteral("--report-pdf");
const QString kTitleOption = QStringLiteral("--title");

// Takes "--name value" once; false with a message when the value is missing
// or the option is repeated.
bool TakeOnce(QStringList& args, const QString& name, QString* value, bool* given, QString* error) {
    QString err;
    *given = TakeValue(args, name, value, &err);
    if (!err.isEmpty()) {
        *error = err;
        return false;
    }
    QString again;
    if (*given && TakeValue(args, name, &again, &err)) {
        *error = name + QStringLiteral(" given twice");
        return false;
    }
    if (!err.isEmpty()) {
        *error = err;
        return false;
    }
    return true;
}

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

bool TakeReportPdfOptions(QStringList& args, ReportPdfOptions* options, bool titleRequired,
                          QString* error) {
    bool havePdf = false;
    bool haveTitle = false;
    if (!TakeOnce(args, kPdfOption, &options->path, &havePdf, error)) return false;
    if (!TakeOnce(args, kTitleOption, &options->title, &haveTitle, error)) return false;
    if (havePdf && options->path.isEmpty()) {
        *error = kPdfOption + QStringLiteral(" needs a file name");
        return false;
    }
    if (haveTitle && !havePdf) {
        *error = kTitleOption + QStringLiteral(" is only used with ") + kPdfOption;
        return false;
    }
    if (havePdf && titleRequired && !haveTitle) {
        *error = kPdfOption + QStringLiteral(" needs --title TEXT");
        return false;
    }
    return true;
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
    return args.contains(kPdfOption);
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
