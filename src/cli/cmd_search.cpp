// quillfish-cli search / accession: the search window's two runs on the
// command line, over the same engine.

#include <cstdio>

#include "cli/commands.h"
#include "cli/reportpdf.h"
#include "search/fasta.h"
#include "search/searchengine.h"
#include "search/searchreport.h"
#include "sheets/termfile.h"
#include "text/quotedfile.h"
#include "text/textrules.h"
#include "web/module1.h"
#include "web/webpageloader.h"

namespace quill::cli {

// Shared by the search and accession commands.
int RunSearchCommand(const QStringList& argsIn, bool accession);

namespace {

const char* kSearchDescription =
    "Looks each gene symbol or UniGene cluster id up at NCBI and prints the summary\n"
    "and the cDNA text. Each TERM (or line of FILE) is one search term. Terms are\n"
    "looked up through NCBI's E-utilities (today's Gene and Nucleotide), or with\n"
    "--source unigene on the UniGene archive pages; --demo uses the bundled replies\n"
    "or pages of the source. Ctrl-C cancels the run.\n"
    "Exit status: 0 done; 1 a file could not be written; 2 usage error; 4 the NCBI\n"
    "server refused the pages of some terms (an HTTP error status, a service error,\n"
    "or a page over the size limit): they are listed under \"Could not be looked up\n"
    "(NCBI error)\"; 130 canceled.\n";

const char* kAccessionDescription =
    "Looks each GenBank accession number up in NCBI's Nucleotide database (through\n"
    "the E-utilities, or with --source unigene on the archive pages) and prints the\n"
    "summary and the cDNA text. Ctrl-C cancels the run.\n"
    "Exit status: 0 done; 1 a file could not be written; 2 usage error; 4 the NCBI\n"
    "server refused the pages of some accession numbers: they are listed under\n"
    "\"Could not be looked up (NCBI error)\"; 130 canceled.\n";

// The options window's choices (search only).
const Option kPolicyOptions[] = {
    {QStringLiteral("species"),
     {},
     QStringLiteral("the species searched (default mouse)"),
     {QStringLiteral("mouse"), QStringLiteral("human")}},
    {QStringLiteral("mrna"),
     {},
     QStringLiteral("auto: take the best NM/XM mRNA without asking (default)"),
     {QStringLiteral("auto"), QStringLiteral("prompt")}},
    {QStringLiteral("single-mrna"),
     {},
     QStringLiteral("auto: take a single mRNA without asking (default)"),
     {QStringLiteral("auto"), QStringLiteral("prompt")}},
    {QStringLiteral("est"),
     {},
     QStringLiteral("prompt: choose an EST when there is no mRNA (default); skip"),
     {QStringLiteral("prompt"), QStringLiteral("skip")}},
    {QStringLiteral("single-est"),
     {},
     QStringLiteral("auto: take a single EST without asking (default)"),
     {QStringLiteral("auto"), QStringLiteral("prompt")}},
};

const Option kPickOption{QStringLiteral("pick"),
                         {},
                         QStringLiteral("answer every choice: first row, or cancel the run; "
                                        "without it the rows are listed and the choice is read "
                                        "from the input"),
                         {QStringLiteral("first"), QStringLiteral("cancel")}};
const Option kFastaOption{QStringLiteral("fasta"), QStringLiteral("FILE"),
                          QStringLiteral("write the sequences as plain FASTA, 60 letters a line")};

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

// The run's end and its result texts.
struct CliView : TerminalRunView<RunView> {
    bool complete = false;
    QString summary, cdna;

    void EndComplete(const QString& s, const QString& c) override {
        Completed();
        complete = true;
        summary = s;
        cdna = c;
    }
};

}  // namespace

int RunSearchCommand(const QStringList& args, bool accession) {
    CommandLine line(accession ? QStringLiteral("accession") : QStringLiteral("search"),
                     accession ? QStringLiteral("ACC...") : QStringLiteral("TERM..."),
                     QString::fromLatin1(accession ? kAccessionDescription : kSearchDescription));
    if (!accession)
        for (const Option& option : kPolicyOptions) line.Add(option);
    line.Add(kPickOption);
    line.Add(kFastaOption);
    TermsCommand command;
    command.sequenceSource = true;
    if (const std::optional<int> end = ParseTermsCommand(line, args, &command)) return *end;
    const QString prefix = line.Prefix();
    const ReportPdfOptions& pdf = command.pdf;
    CliOptions options;
    if (!accession) {
        const auto chosen = [&line](const char* name, const char* value) {
            return line.Value(QString::fromLatin1(name)) == QLatin1String(value);
        };
        SearchPolicy& policy = options.policy;
        if (chosen("species", "human")) policy.species = SearchPolicy::Species::Human;
        if (chosen("mrna", "prompt")) policy.optAuto = false;
        if (chosen("single-mrna", "prompt")) policy.optAutoOne = false;
        if (chosen("est", "skip")) {
            policy.optESTPrompt = false;
            policy.optESTSkip = true;
        }
        if (chosen("single-est", "prompt")) policy.optAutoOneEST = false;
    }
    const QString& termsFile = command.termsFile;
    const QString& savePath = command.savePath;
    const QString fastaPath = line.Value(kFastaOption.name);

    // The term list: the TERMs, then the file's terms.
    QStringList terms = line.Positional();
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
    if (terms.isEmpty() || (terms.size() == 1 && terms.first().isEmpty()))
        return line.UsageError(QStringLiteral("which terms? Search box is empty"));
    // One typed accession number: "/" between numbers becomes a blank.
    if (accession && terms.size() == 1 && termsFile.isEmpty()) terms[0] = SlashesToSpaces(terms[0]);
    const int limit = accession ? 100 : 40;
    if (terms.size() > limit)
        Err(prefix + QStringLiteral("warning: searching for less than %1 terms is recommended "
                                    "(%2 terms); going on.")
                         .arg(limit)
                         .arg(terms.size()));

    Module1 module;
    CliView view;
    CliChooser chooser;
    chooser.pick = line.Value(kPickOption.name);
    chooser.module = &module;
    WebPageLoader loader(module, command.settings,
                         [&view](const QString& problem) { view.PageProblem(problem); });
    ShowWaits(loader, view.term);
    CtrlCCancels guarded(module, loader);

    SearchEngine engine(module, command.settings, guarded, options, chooser, view);
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
