// quillfish-cli screen: the expression-profile screening run on the command
// line, over the same engine as the window.

#include <algorithm>
#include <cstdio>

#include "cli/commands.h"
#include "cli/reportpdf.h"
#include "web/module1.h"
#include "text/quotedfile.h"
#include "sheets/termfile.h"
#include "text/textrules.h"
#include "web/webpageloader.h"
#include "profile/screening.h"
#include "profile/screeningengine.h"

namespace quill::cli {

namespace {

const char* kScreenUsage =
    "Usage: quillfish-cli screen [--ncbi-server URL | --demo] [--mouse-tissues LIST]\n"
    "         [--human-tissues LIST] [--abundance PCT] [--tpm MIN] [--no-abundance]\n"
    "         [--no-tpm] [--terms FILE] [--save FILE] [--report-pdf FILE --title TEXT]\n"
    "         TERM...\n"
    "\n"
    "Screens each hit name's UniGene EST expression profile against the tissues of\n"
    "interest and prints the screening report. Each TERM (or line of FILE, or cell\n"
    "of a spreadsheet FILE, shortened as the window's import does) is one hit name.\n"
    "  --mouse-tissues LIST  comma-separated mouse tissues (default: female genital,testis)\n"
    "  --human-tissues LIST  comma-separated human tissues (default: ovary,testis)\n"
    "  --abundance PCT       EST abundance percentage, 0 to 100 (default 50)\n"
    "  --tpm MIN             TPM minimum, 0 or more (default 100)\n"
    "  --no-abundance        switch the EST abundance test off\n"
    "  --no-tpm              switch the TPM test off\n"
    "  --save FILE           also write the report file\n"
    "  --report-pdf FILE     also write the printed report as a PDF file\n"
    "  --title TEXT          the printed report's title (needed with --report-pdf)\n"
    "  --max-page-mb N       the largest page read, in MB (default 16)\n"
    "Ctrl-C cancels the run.\n"
    "Exit status: 0 done; 1 a file could not be written; 2 usage error; 4 the NCBI\n"
    "server refused the pages of some hit names (an HTTP error status, or a page over\n"
    "the size limit): they are listed under \"Could not be looked up (NCBI error)\";\n"
    "130 canceled.\n";

// Status lines and the progress bar on stderr.
struct CliScreenView : ScreeningView {
    TerminalProgress term;
    QString report;

    void EnterRunning() override { Err(QStringLiteral("Searching...")); }
    void SetStatusLine(const QString& text) override {
        if (!text.isEmpty()) term.Line(text);
    }
    void AddProgress(int units) override { term.Add(units); }
    void EndCanceled() override {
        term.Clear();
        Err(QStringLiteral("Search canceled"));
    }
    void EndComplete(const QString& text) override {
        term.Clear();
        report = text;
        Err(QStringLiteral("Search complete"));
    }
};

// A comma-separated tissue list, in the order of the criteria window's list;
// nullopt with a message naming the unknown name and the valid ones.
std::optional<QStringList> TissueList(const QString& option, const QString& text,
                                      const QStringList& valid, QString* error) {
    QList<int> picked;
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QString name = part.trimmed();
        if (name.isEmpty()) continue;
        const int k = static_cast<int>(valid.indexOf(name));
        if (k < 0) {
            *error = QStringLiteral("%1: unknown tissue '%2'; valid names: %3")
                         .arg(option, name, valid.join(QStringLiteral(", ")));
            return std::nullopt;
        }
        if (!picked.contains(k)) picked << k;
    }
    if (picked.isEmpty()) {
        *error = QStringLiteral("%1 names no tissue; valid names: %2")
                     .arg(option, valid.join(QStringLiteral(", ")));
        return std::nullopt;
    }
    std::sort(picked.begin(), picked.end());
    QStringList out;
    for (int k : picked) out << valid.at(k);
    return out;
}

QStringList Defaults(const QStringList& valid, const QList<int>& selected) {
    QStringList out;
    for (int k : selected) out << valid.at(k);
    return out;
}

}  // namespace

int RunScreen(const QStringList& argsIn) {
    const QString usage = QString::fromLatin1(kScreenUsage);
    const QString prefix = QStringLiteral("quillfish-cli screen: ");
    QStringList args = argsIn;
    if (TakeFlag(args, QStringLiteral("--help")) || TakeFlag(args, QStringLiteral("-h"))) {
        Out(usage);
        return 0;
    }
    auto usageError = [&](const QString& text) {
        Err(prefix + text + QLatin1Char('\n') + usage);
        return 2;
    };

    FixedCriteria source;
    source.tissues.mouse = Defaults(MouseTissues(), DefaultMouseSelection());
    source.tissues.human = Defaults(HumanTissues(), DefaultHumanSelection());
    QString error, mouse, human, termsFile, savePath;
    const struct {
        const char* name;
        QString* target;
    } values[] = {{"--mouse-tissues", &mouse},
                  {"--human-tissues", &human},
                  {"--abundance", &source.criteria.txtAbundance},
                  {"--tpm", &source.criteria.txtTissue},
                  {"--terms", &termsFile},
                  {"--save", &savePath}};
    bool given[6] = {};
    for (int i = 0; i < 6; ++i) {
        const QString name = QString::fromLatin1(values[i].name);
        given[i] = TakeValue(args, name, values[i].target, &error);
        if (!error.isEmpty()) return usageError(error);
        QString again;
        if (TakeValue(args, name, &again, &error)) return usageError(name + " given twice");
    }
    ReportPdfOptions pdf;
    if (!TakeReportPdfOptions(args, &pdf, /*titleRequired=*/true, &error)) return usageError(error);
    source.criteria.chkAbundance = !TakeFlag(args, QStringLiteral("--no-abundance"));
    source.criteria.chkTissue = !TakeFlag(args, QStringLiteral("--no-tpm"));
    Settings settings;
    std::unique_ptr<PageServer> demoServer;
    if (!TakeServerOptions(args, settings, demoServer, &error)) return usageError(error);
    for (const QString& a : args) {
        if (a.startsWith(QLatin1String("--")))
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
    }
    for (auto [i, option, valid, target] :
         {std::tuple{0, "--mouse-tissues", &MouseTissues(), &source.tissues.mouse},
          std::tuple{1, "--human-tissues", &HumanTissues(), &source.tissues.human}}) {
        if (!given[i]) continue;
        const std::optional<QStringList> list =
            TissueList(QString::fromLatin1(option), *values[i].target, *valid, &error);
        if (!list) return usageError(error);
        *target = *list;
    }
    if (const std::optional<QString> problem =
            CriteriaProblem(source.criteria.txtAbundance, source.criteria.txtTissue))
        return usageError(*problem);

    // The term list: the TERMs, then the file's lines or cells.
    QStringList terms = args;
    if (!termsFile.isEmpty()) {
        const TermFileResult file = ReadTermFile(termsFile, HitsImportRule());
        if (!file.ok) {
            Err(prefix + file.error);
            return 1;
        }
        if (!file.stoppedAt.isEmpty())
            Err(prefix + QStringLiteral("note: the import stopped at the cell '%1'; the terms "
                                        "before it are taken")
                             .arg(file.stoppedAt));
        if (file.duplicatesRemoved) Err(QStringLiteral("Duplicate entries were removed."));
        for (const QString& t : file.terms)
            if (!t.isEmpty()) terms << t;
    }
    if (terms.isEmpty() || (terms.size() == 1 && terms.first().isEmpty())) {
        Err(termsFile.isEmpty() ? QStringLiteral("Search box is empty")
                                : QStringLiteral("Listbox is empty"));
        return usageError(QStringLiteral("which hit names?"));
    }

    Module1 module;
    CliScreenView view;
    WebPageLoader web(module, settings,
                      [&view](const QString& problem) { view.term.Line(problem); });
    ShowWaits(web, view.term);
    CtrlCCancels loader(module, web);  // Ctrl-C acts as the Cancel button

    ScreeningEngine engine(module, settings, loader, source, view);
    const ScreeningEngine::RunEnd end = engine.Run(terms);
    loader.Finish();
    if (end == ScreeningEngine::RunEnd::Canceled) return 130;
    if (end == ScreeningEngine::RunEnd::BadCriteria)
        return usageError(QStringLiteral("the thresholds are not valid"));
    if (end != ScreeningEngine::RunEnd::Complete) return usageError(QStringLiteral("no tissues"));

    // The report as the window's results box holds it.
    Out(view.report);
    int status = 0;
    if (!savePath.isEmpty()) {
        const WriteResult w = WriteQuotedItems(savePath, {view.report});
        if (!w.ok) {
            Err(prefix + QStringLiteral("cannot save: ") + w.error);
            status = 1;
        }
    }
    if (pdf.Wanted() && WriteReportPdf(pdf, prefix, [&](Printer& printer, const QString& title) {
                            return PrintScreeningReport(printer, title, engine.Results(),
                                                        source.criteria, Now());
                        }) != 0)
        status = 1;
    if (status == 0 && !engine.Results().lstNcbiError.isEmpty()) status = kExitServerError;
    return status;
}

}  // namespace quill::cli
