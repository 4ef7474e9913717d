// quillfish-cli screen: the expression-profile screening run on the command
// line, over the same engine as the window.

#include <algorithm>
#include <cstdio>

#include "cli/commands.h"
#include "cli/reportpdf.h"
#include "profile/screening.h"
#include "profile/screeningengine.h"
#include "sheets/termfile.h"
#include "text/quotedfile.h"
#include "text/textrules.h"
#include "web/module1.h"
#include "web/webpageloader.h"

namespace quill::cli {

namespace {

const char* kScreenDescription =
    "Screens each hit name's UniGene EST expression profile against the tissues of\n"
    "interest and prints the screening report. Each TERM (or line of FILE, or cell\n"
    "of a spreadsheet FILE, shortened as the window's import does) is one hit name.\n"
    "Ctrl-C cancels the run.\n"
    "Exit status: 0 done; 1 a file could not be written; 2 usage error; 4 the NCBI\n"
    "server refused the pages of some hit names (an HTTP error status, or a page over\n"
    "the size limit): they are listed under \"Could not be looked up (NCBI error)\";\n"
    "130 canceled.\n";

const Option kScreenOptions[] = {
    {QStringLiteral("mouse-tissues"), QStringLiteral("LIST"),
     QStringLiteral("comma-separated mouse tissues (default: female genital,testis)")},
    {QStringLiteral("human-tissues"), QStringLiteral("LIST"),
     QStringLiteral("comma-separated human tissues (default: ovary,testis)")},
    {QStringLiteral("abundance"), QStringLiteral("PCT"),
     QStringLiteral("EST abundance percentage, 0 to 100 (default 50)")},
    {QStringLiteral("tpm"), QStringLiteral("MIN"),
     QStringLiteral("TPM minimum, 0 or more (default 100)")},
    {QStringLiteral("no-abundance"), {}, QStringLiteral("switch the EST abundance test off")},
    {QStringLiteral("no-tpm"), {}, QStringLiteral("switch the TPM test off")},
};

// The run's end and its report.
struct CliScreenView : TerminalRunView<ScreeningView> {
    QString report;

    void EndComplete(const QString& text) override {
        Completed();
        report = text;
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

int RunScreen(const QStringList& args) {
    CommandLine line(QStringLiteral("screen"), QStringLiteral("TERM..."),
                     QString::fromLatin1(kScreenDescription));
    for (const Option& option : kScreenOptions) line.Add(option);
    TermsCommand command;
    if (const std::optional<int> end = ParseTermsCommand(line, args, &command)) return *end;
    const QString prefix = line.Prefix();
    const ReportPdfOptions& pdf = command.pdf;
    FixedCriteria source;
    source.tissues.mouse = Defaults(MouseTissues(), DefaultMouseSelection());
    source.tissues.human = Defaults(HumanTissues(), DefaultHumanSelection());
    for (auto [option, valid, target] :
         {std::tuple{"mouse-tissues", &MouseTissues(), &source.tissues.mouse},
          std::tuple{"human-tissues", &HumanTissues(), &source.tissues.human}}) {
        const QString name = QString::fromLatin1(option);
        if (!line.IsSet(name)) continue;
        QString error;
        const std::optional<QStringList> list =
            TissueList(Dashed(name), line.Value(name), *valid, &error);
        if (!list) return line.UsageError(error);
        *target = *list;
    }
    if (line.IsSet(QStringLiteral("abundance")))
        source.criteria.txtAbundance = line.Value(QStringLiteral("abundance"));
    if (line.IsSet(QStringLiteral("tpm")))
        source.criteria.txtTissue = line.Value(QStringLiteral("tpm"));
    source.criteria.chkAbundance = !line.IsSet(QStringLiteral("no-abundance"));
    source.criteria.chkTissue = !line.IsSet(QStringLiteral("no-tpm"));
    if (const std::optional<QString> problem =
            CriteriaProblem(source.criteria.txtAbundance, source.criteria.txtTissue))
        return line.UsageError(*problem);
    const QString& termsFile = command.termsFile;
    const QString& savePath = command.savePath;

    // The term list: the TERMs, then the file's lines or cells.
    QStringList terms = line.Positional();
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
    if (terms.isEmpty() || (terms.size() == 1 && terms.first().isEmpty()))
        return line.UsageError(termsFile.isEmpty()
                                   ? QStringLiteral("which hit names? Search box is empty")
                                   : QStringLiteral("which hit names? Listbox is empty"));

    Module1 module;
    CliScreenView view;
    WebPageLoader web(module, command.settings,
                      [&view](const QString& problem) { view.PageProblem(problem); });
    ShowWaits(web, view.term);
    CtrlCCancels loader(module, web);  // Ctrl-C acts as the Cancel button

    ScreeningEngine engine(module, command.settings, loader, source, view);
    const ScreeningEngine::RunEnd end = engine.Run(terms);
    loader.Finish();
    if (end == ScreeningEngine::RunEnd::Canceled) return 130;
    if (end == ScreeningEngine::RunEnd::BadCriteria)
        return line.UsageError(QStringLiteral("the thresholds are not valid"));
    if (end != ScreeningEngine::RunEnd::Complete)
        return line.UsageError(QStringLiteral("no tissues"));

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
