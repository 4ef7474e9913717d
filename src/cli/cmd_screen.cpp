// quillfish-cli screen: the expression-profile screening run on the command
// line, over the same engine as the window.

#include <algorithm>
#include <cstdio>
#include <memory>
#include <tuple>
#include <utility>

#include "cli/commands.h"
#include "cli/reportpdf.h"
#include "profile/expressiontable.h"
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
    "Screens each hit name's expression profile against the tissues of interest and\n"
    "prints the screening report. Each TERM (or line of FILE, or cell of a\n"
    "spreadsheet FILE, shortened as the window's import does) is one hit name.\n"
    "With --mouse-table or --human-table the profiles are the rows of RNA-seq\n"
    "expression tables (Human Protein Atlas consensus, GTEx GCT, Expression Atlas\n"
    "baseline; plain, gzip or zip): a term is looked up in the mouse table, then in\n"
    "the human one, and screened on the decimal values of the table that holds it;\n"
    "the tissue options then take that table's tissue names (default: ovary,\n"
    "testis). Without tables the profiles are the UniGene EST profile pages of the\n"
    "server given with --ncbi-server or --demo (NCBI retired them in 2019).\n"
    "Ctrl-C cancels the run.\n"
    "Exit status: 0 done; 1 a file could not be written or a table could not be\n"
    "read; 2 usage error; 4 the NCBI server refused the pages of some hit names (an\n"
    "HTTP error status, or a page over the size limit): they are listed under \"Could\n"
    "not be looked up (NCBI error)\"; 130 canceled.\n";

const Option kScreenOptions[] = {
    {QStringLiteral("mouse-table"), QStringLiteral("FILE"),
     QStringLiteral("screen the terms it holds on this mouse expression table")},
    {QStringLiteral("human-table"), QStringLiteral("FILE"),
     QStringLiteral("screen the terms it holds on this human expression table")},
    {QStringLiteral("mouse-tissues"), QStringLiteral("LIST"),
     QStringLiteral("comma-separated mouse tissues (default: female genital,testis; with a "
                    "mouse table, its ovary,testis)")},
    {QStringLiteral("human-tissues"), QStringLiteral("LIST"),
     QStringLiteral("comma-separated human tissues (default: ovary,testis; with a human "
                    "table, its ovary,testis)")},
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

// The same for the tissues of an expression table: its names in any letter
// case, taken in the table's order and spelling.
std::optional<QStringList> TableTissueList(const QString& option, const QString& text,
                                           const ExpressionTable& table, QString* error) {
    QStringList names;
    for (const QString& part : text.split(QLatin1Char(','))) {
        if (!part.trimmed().isEmpty()) names << part.trimmed();
    }
    QStringList unknown;
    const QStringList chosen = ChooseTableTissues(table.Tissues(), names, &unknown);
    const QString valid = table.Tissues().join(QStringLiteral(", "));
    if (!unknown.isEmpty()) {
        *error = QStringLiteral("%1: unknown tissue '%2'; %3 has: %4")
                     .arg(option, unknown.first(), table.FileName(), valid);
        return std::nullopt;
    }
    if (chosen.isEmpty()) {
        *error =
            QStringLiteral("%1 names no tissue; %2 has: %3").arg(option, table.FileName(), valid);
        return std::nullopt;
    }
    return chosen;
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

    // Where the profiles come from: the tables given, else the archive's
    // pages on a server given.
    const QString mouseTable = QStringLiteral("mouse-table");
    const QString humanTable = QStringLiteral("human-table");
    for (const QString& option : {mouseTable, humanTable}) {
        if (line.IsSet(option) && line.Value(option).isEmpty())
            return line.UsageError(Dashed(option) + QStringLiteral(" needs a file name"));
    }
    if (!line.IsSet(mouseTable) && !line.IsSet(humanTable) && !HasArchiveServer(command.settings))
        return line.UsageError(
            QStringLiteral("no expression profiles to screen on: give --mouse-table FILE "
                           "and/or --human-table FILE (RNA-seq expression tables), or the "
                           "archive's EST profile pages with --demo or --ncbi-server URL"));
    for (auto [option, target] : {std::pair{&mouseTable, &source.tables.mouse},
                                  std::pair{&humanTable, &source.tables.human}}) {
        if (!line.IsSet(*option)) continue;
        ExpressionTableResult read = ReadExpressionTable(line.Value(*option));
        if (!read.ok) {
            Err(prefix + read.error);
            return 1;
        }
        *target = std::make_shared<const ExpressionTable>(std::move(read.table));
    }

    for (auto [option, valid, table, target] :
         {std::tuple{"mouse-tissues", &MouseTissues(), source.tables.mouse.get(),
                     &source.tissues.mouse},
          std::tuple{"human-tissues", &HumanTissues(), source.tables.human.get(),
                     &source.tissues.human}}) {
        const QString name = QString::fromLatin1(option);
        if (table && !line.IsSet(name)) {
            *target = DefaultTableTissues(table->Tissues());
            if (target->isEmpty())
                return line.UsageError(
                    QStringLiteral("%1 has no tissue named ovary or testis; name the tissues "
                                   "with %2 (it has: %3)")
                        .arg(table->FileName(), Dashed(name),
                             table->Tissues().join(QStringLiteral(", "))));
        }
        if (!line.IsSet(name)) continue;
        QString error;
        const std::optional<QStringList> list =
            table ? TableTissueList(Dashed(name), line.Value(name), *table, &error)
                  : TissueList(Dashed(name), line.Value(name), *valid, &error);
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
    if (end == ScreeningEngine::RunEnd::NoProfiles)
        return line.UsageError(QStringLiteral("no expression profiles to screen on"));
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
