// quillfish-cli search / accession: the search window's two runs on the
// command line, over the same engine.

#include <cstdio>

#include "cli/commands.h"
#include "cli/reportpdf.h"
#include "web/module1.h"
#include "text/quotedfile.h"
#include "sheets/termfile.h"
#include "text/textrules.h"
#include "web/webpageloader.h"
#include "search/fasta.h"
#include "search/searchengine.h"
#include "search/searchreport.h"

namespace quill::cli {

// Shared by the search and accession commands.
int RunSearchCommand(const QStringList& argsIn, bool accession);

namespace {

const char* kSearchUsage =
    "Usage: quillfish-cli search [--ncbi-server URL | --demo] [--species mouse|human]\n"
    "         [--mrna auto|prompt] [--single-mrna auto|prompt] [--est prompt|skip]\n"
    "         [--single-est auto|prompt] [--pick first|cancel] [--terms FILE]\n"
    "         [--save FILE] [--fasta FILE] [--report-pdf FILE --title TEXT] TERM...\n"
    "\n"
    "Looks each gene name or UniGene cluster id up in UniGene and prints the summary\n"
    "and the cDNA text. Each TERM (or line of FILE) is one search term.\n"
    "  --species      mouse (default) or human\n"
    "  --mrna         auto: take the last NM/XM mRNA without asking (default)\n"
    "  --single-mrna  auto: take a single mRNA without asking (default)\n"
    "  --est          prompt: choose an EST when there is no mRNA (default); skip\n"
    "  --single-est   auto: take a single EST without asking (default)\n"
    "  --pick         answer every choice: first row, or cancel the run; without it\n"
    "                 the rows are listed and the choice is read from the input\n"
    "  --save FILE    write the results file (summary and cDNA text)\n"
    "  --fasta FILE   write the sequences as plain FASTA, 60 letters a line\n"
    "  --report-pdf FILE  also write the printed summary report as a PDF file\n"
    "  --title TEXT       its title (required with --report-pdf)\n"
    "  --max-page-mb N    the largest page read, in MB (default 16)\n"
    "Ctrl-C cancels the run.\n"
    "Exit status: 0 done; 1 a file could not be written; 2 usage error; 4 the NCBI\n"
    "server refused the pages of some terms (an HTTP error status, or a page over\n"
    "the size limit): they are listed under \"Could not be looked up (NCBI error)\";\n"
    "130 canceled.\n";

const char* kAccessionUsage =
    "Usage: quillfish-cli accession [--ncbi-server URL | --demo] [--pick first|cancel]\n"
    "         [--terms FILE] [--save FILE] [--fasta FILE] [--report-pdf FILE --title TEXT]\n"
    "         ACC...\n"
    "\n"
    "Looks each GenBank accession number up in Entrez nucleotide and prints the\n"
    "summary and the cDNA text. --report-pdf writes the printed summary report as a\n"
    "PDF file, titled by --title; --max-page-mb N sets the largest page read (in MB,\n"
    "default 16). Ctrl-C cancels the run.\n"
    "Exit status: 0 done; 1 a file could not be written; 2 usage error; 4 the NCBI\n"
    "server refused the pages of some accession numbers: they are listed under\n"
    "\"Could not be looked up (NCBI error)\"; 130 canceled.\n";

// Options as the options window holds them.
struct CliOptions : SearchOptions {
    SearchPolicy policy;
    SearchPolicy Current() const override { return policy; }
};

// The choice dialogs: a fixed answer, or the rows listed on stderr and a
// number read from the input.
struct CliChooser : Chooser {
    QString pick;  // "first", "cancel" or "" (ask)
    Module1* module = nullptr;

    int Choose(const ChoiceTable& table) override {
        if (pick == QLatin1String("first")) return 0;
        if (pick == QLatin1String("cancel")) return -1;
        QString list = table.prompt + QLatin1Char('\n');
        for (qsizetype i = 0; i < table.rows.size(); ++i) {
            list += QStringLiteral("  %1) %2  %3\n")
                        .arg(i + 1)
                        .arg(table.rows[i].accession, table.rows[i].description);
        }
        Err(list.chopped(1));
        for (;;) {
            Err(QStringLiteral("Choose 1-%1 (Enter takes 1, c cancels the search): ")
                    .arg(table.rows.size()));
            char buf[64];
            if (!std::fgets(buf, sizeof buf, stdin) || CtrlCCancels::Interrupted()) {
                if (!CtrlCCancels::Interrupted())
                    Err(QStringLiteral("No choice given; the search is canceled."));
                return -1;
            }
            const QString answer = QString::fromLocal8Bit(buf).trimmed();
            if (answer.isEmpty()) return 0;
            if (answer.compare(QLatin1String("c"), Qt::CaseInsensitive) == 0) return -1;
            bool ok = false;
            const int n = answer.toInt(&ok);
            if (ok && n >= 1 && n <= table.rows.size()) return n - 1;
        }
    }
};

// Status lines and the progress bar on stderr.
struct CliView : RunView {
    TerminalProgress term;
    bool complete = false;
    QString summary, cdna;

    void EnterRunning() override { Err(QStringLiteral("Searching...")); }
    void SetStatusLine(const QString& text) override {
        if (!text.isEmpty()) term.Line(text);
    }
    void AddProgress(int units) override { term.Add(units); }
    void EndCanceled() override {
        term.Clear();
        Err(QStringLiteral("Search canceled"));
    }
    void EndComplete(const QString& s, const QString& c) override {
        term.Clear();
        complete = true;
        summary = s;
        cdna = c;
        Err(QStringLiteral("Search complete"));
    }
    void PageProblem(const QString& text) override { term.Line(text); }
};

// Takes "--name value" where value must be one of choices.
bool TakeChoice(QStringList& args, const QString& name, const QStringList& choices, QString* value,
                QString* error) {
    QString v;
    if (!TakeValue(args, name, &v, error)) return error->isEmpty();
    if (!choices.contains(v)) {
        *error = QStringLiteral("%1 takes %2, not '%3'").arg(name, choices.join('|'), v);
        return false;
    }
    *value = v;
    return true;
}

}  // namespace

int RunSearchCommand(const QStringList& argsIn, bool accession) {
    const QString name = accession ? QStringLiteral("accession") : QStringLiteral("search");
    const QString usage = QString::fromLatin1(accession ? kAccessionUsage : kSearchUsage);
    const QString prefix = QStringLiteral("quillfish-cli ") + name + QStringLiteral(": ");
    QStringList args = argsIn;
    if (TakeFlag(args, QStringLiteral("--help")) || TakeFlag(args, QStringLiteral("-h"))) {
        Out(usage);
        return 0;
    }
    auto usageError = [&](const QString& text) {
        Err(prefix + text + QLatin1Char('\n') + usage);
        return 2;
    };

    Settings settings;
    std::unique_ptr<PageServer> demoServer;
    CliOptions options;
    QString error, species, mrna, singleMrna, est, singleEst, pick, termsFile, savePath, fastaPath;
    bool ok = true;
    if (!accession) {
        ok = ok &&
             TakeChoice(args, QStringLiteral("--species"), {"mouse", "human"}, &species, &error);
        ok = ok && TakeChoice(args, QStringLiteral("--mrna"), {"auto", "prompt"}, &mrna, &error);
        ok = ok && TakeChoice(args, QStringLiteral("--single-mrna"), {"auto", "prompt"},
                              &singleMrna, &error);
        ok = ok && TakeChoice(args, QStringLiteral("--est"), {"prompt", "skip"}, &est, &error);
        ok = ok && TakeChoice(args, QStringLiteral("--single-est"), {"auto", "prompt"}, &singleEst,
                              &error);
    }
    ok = ok && TakeChoice(args, QStringLiteral("--pick"), {"first", "cancel"}, &pick, &error);
    for (auto [opt, target] : {std::pair{"--terms", &termsFile}, std::pair{"--save", &savePath},
                               std::pair{"--fasta", &fastaPath}}) {
        if (!ok) break;
        TakeValue(args, QString::fromLatin1(opt), target, &error);
        ok = error.isEmpty();
        if (ok && TakeValue(args, QString::fromLatin1(opt), target, &error))
            return usageError(QStringLiteral("%1 given twice").arg(QLatin1String(opt)));
    }
    ReportPdfOptions pdf;
    if (ok && !TakeReportPdfOptions(args, &pdf, true, &error)) ok = false;
    if (ok && !TakeServerOptions(args, settings, demoServer, &error)) ok = false;
    if (!ok) return usageError(error.isEmpty() ? QStringLiteral("bad option") : error);
    for (const QString& a : args) {
        if (a.startsWith(QLatin1String("--")))
            return usageError(QStringLiteral("unknown option '%1'").arg(a));
    }
    if (species == QLatin1String("human")) options.policy.species = SearchPolicy::Species::Human;
    if (mrna == QLatin1String("prompt")) options.policy.optAuto = false;
    if (singleMrna == QLatin1String("prompt")) options.policy.optAutoOne = false;
    if (est == QLatin1String("skip")) {
        options.policy.optESTPrompt = false;
        options.policy.optESTSkip = true;
    }
    if (singleEst == QLatin1String("prompt")) options.policy.optAutoOneEST = false;

    // The term list: the TERMs, then the file's terms.
    QStringList terms = args;
    if (!termsFile.isEmpty()) {
        TermFileRule rule;
        if (accession) rule.transform = SlashesToSpaces;
        const TermFileResult file = ReadTermFile(termsFile, rule);
        if (!file.ok) {
            Err(prefix + file.error);
            return 1;
        }
        if (file.duplicatesRemoved)
            Err(prefix +
                QStringLiteral("note: repeated terms in %1 were taken once").arg(termsFile));
        terms += file.terms;
        if (terms.isEmpty()) {
            Err(QStringLiteral("Listbox is empty"));
            return 2;
        }
    }
    if (terms.isEmpty() || (terms.size() == 1 && terms.first().isEmpty())) {
        Err(QStringLiteral("Search box is empty"));
        return usageError(QStringLiteral("which terms?"));
    }
    // One typed accession number: "/" between numbers becomes a blank.
    if (accession && args.size() == 1 && termsFile.isEmpty()) terms[0] = SlashesToSpaces(terms[0]);
    const int limit = accession ? 100 : 40;
    if (terms.size() > limit)
        Err(prefix + QStringLiteral("warning: searching for less than %1 terms is recommended "
                                    "(%2 terms); going on.")
                         .arg(limit)
                         .arg(terms.size()));

    Module1 module;
    CliView view;
    CliChooser chooser;
    chooser.pick = pick;
    chooser.module = &module;
    WebPageLoader loader(module, settings,
                         [&view](const QString& problem) { view.PageProblem(problem); });
    ShowWaits(loader, view.term);
    CtrlCCancels guarded(module, loader);

    SearchEngine engine(module, settings, guarded, options, chooser, view);
    bool complete;
    if (accession) {
        engine.BeginAccessionRun();
        complete = engine.RunAccession(terms);
    } else {
        engine.BeginUniGeneRun();
        complete = engine.RunUniGene(terms);
    }
    guarded.Finish();
    if (!complete) return 130;

    // The texts as the window's result boxes hold them: CR LF lines, also
    // inside the sequence blocks.
    const QString summary = WithCrLfLines(view.summary);
    const QString cdna = WithCrLfLines(view.cdna);
    Out(summary);
    Out(cdna);
    int status = 0;
    if (!savePath.isEmpty()) {
        const WriteResult w = WriteQuotedItems(savePath, {summary, cdna});
        if (!w.ok) {
            Err(prefix + QStringLiteral("cannot save: ") + w.error);
            status = 1;
        }
    }
    if (!fastaPath.isEmpty()) {
        const WriteResult w =
            WriteFileAtomically(fastaPath, CleanFasta(engine.Results().CdnaLines).toUtf8());
        if (!w.ok) {
            Err(prefix + QStringLiteral("cannot write ") + w.error);
            status = 1;
        }
    }
    if (pdf.Wanted()) {
        const SearchResults& results = engine.Results();
        const int termCount = module.TermCount;
        const int written =
            WriteReportPdf(pdf, prefix, [&](Printer& printer, const QString& title) {
                return accession ? PrintAccessionReport(printer, results, termCount, title, Now())
                                 : PrintSearchReport(printer, results, options.policy, termCount,
                                                     title, Now());
            });
        if (written != 0) status = 1;
    }
    const SearchResults& results = engine.Results();
    if (status == 0 && results.lstNcbiError.count() + results.lstNcbiErrorM.count() != 0)
        status = kExitServerError;
    return status;
}

int RunSearch(const QStringList& args) {
    return RunSearchCommand(args, false);
}

}  // namespace quill::cli
