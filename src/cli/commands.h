#pragma once
// The subcommands of quillfish-cli. Each takes the arguments after its name
// and returns the process exit status (0 ok, 1 failure, 2 usage, 4 a server
// refused pages of some terms, 130 canceled).

#include <signal.h>

#include <QStringList>
#include <QTimer>
#include <memory>

#include "cli/commandline.h"
#include "cli/reportpdf.h"
#include "pageserver/pageserver.h"
#include "web/module1.h"
#include "web/pageloader.h"
#include "web/settings.h"

namespace quill {
class WebPageLoader;
}

namespace quill::cli {

int RunGet(const QStringList& args);
int RunServe(const QStringList& args);
int RunSearch(const QStringList& args);
int RunAccession(const QStringList& args);
int RunIgtc(const QStringList& args);
int RunUnique(const QStringList& args);
int RunScreen(const QStringList& args);

// Exit status of a completed run in which the server refused the pages of
// some terms (they are listed as "Could not be looked up (NCBI error)").
inline constexpr int kExitServerError = 4;

// The options several commands take, each declared here once. A command
// adds those it takes to its CommandLine (see commandline.h).
inline const Option kSaveOption{QStringLiteral("save"), QStringLiteral("FILE"),
                                QStringLiteral("also write the results to FILE as the window "
                                               "saves them (quoted text)")};
inline const Option kTermsOption{QStringLiteral("terms"), QStringLiteral("FILE"),
                                 QStringLiteral("also take the terms of FILE: its lines, or the "
                                                "cells of a spreadsheet")};

// The page servers: --ncbi-server URL, --igtc-server URL, --max-page-mb N and
// --demo.
void AddServerOptions(CommandLine& line);
// Applies them to settings. --demo (unless startDemo is false: the source
// options start the demo) starts the bundled page server, held in
// demoServer, and points both addresses at it. False after a message on
// stderr: a usage error, or the demo server did not start (the run ends with
// status 2 either way).
bool ApplyServerOptions(const CommandLine& line, Settings& settings,
                        std::unique_ptr<PageServer>& demoServer, bool startDemo = true);

// The sequence source of search and accession: --source eutils|unigene
// (eutils, the default; --ncbi-server alone means unigene), --eutils-server
// URL, --email ADDR, --api-key-file FILE (else the NCBI_API_KEY environment
// variable), --unigene-map FILE, --record DIR and --replay DIR (a page server
// on DIR, which means eutils). Options of one source do not go with the
// other's: a usage error.
void AddSourceOptions(CommandLine& line);
// Applies them and --demo (the bundled set of the source) to settings; the
// server of --demo or --replay is held in server. False after a message on
// stderr (the run ends with status 2).
bool ApplySourceOptions(const CommandLine& line, Settings& settings,
                        std::unique_ptr<PageServer>& server);

// The command line of a run over terms looked up on the servers (search,
// accession, screen).
struct TermsCommand {
    // Set before parsing: the command looks terms up at the sequence source
    // (search, accession) and takes the source options.
    bool sequenceSource = false;
    Settings settings;
    std::unique_ptr<PageServer> demoServer;  // --demo, or --replay
    QString termsFile;                       // --terms FILE; empty: none
    QString savePath;                        // --save FILE; empty: nothing saved
    ReportPdfOptions pdf;                    // its title is required
};
// Adds the server options, --terms FILE, --save FILE, --report-pdf FILE and
// --title TEXT to the command's own options, parses args into command and
// applies the server options. nullopt when the run goes on, else the exit
// status (see CommandLine::Parse).
std::optional<int> ParseTermsCommand(CommandLine& line, const QStringList& args,
                                     TermsCommand* command);

// The command line of a command that reads one INPUT and may save its
// result and print it as a PDF (igtc, unique).
struct InputCommand {
    QString input;     // the INPUT file; empty: standard input (so is "-")
    QString savePath;  // --save FILE; empty: nothing saved
    ReportPdfOptions pdf;
};
// Adds --save FILE, --report-pdf FILE and --title TEXT to the command's own
// options, parses args into command, and checks that --save names a file and
// that one INPUT at most is given. nullopt when the run goes on, else the
// exit status.
std::optional<int> ParseInputCommand(CommandLine& line, const QStringList& args,
                                     InputCommand* command);

// Prints to stderr.
void Err(const QString& text);
// Prints to stdout, unchanged (no line end added).
void Out(const QString& text);
// The same for text already in UTF-8.
void OutUtf8(const QByteArray& bytes);
// The errno of the first write to stdout that failed, 0 when none did.
int OutError();

// Ctrl-C acts as a run's Cancel button from construction until Finish(): it
// raises the run's cancel flag, seen by the page wait under way (checked
// every 50 ms, also in the pauses between tries and requests) or by the next
// one. Page loads and raw fetches go through this loader. SIGINT
// does not restart system calls meanwhile, so a pending terminal read ends.
class CtrlCCancels : public PageLoader {
  public:
    CtrlCCancels(Module1& module, PageLoader& inner);
    ~CtrlCCancels() override;
    // The previous SIGINT handling again.
    void Finish();
    static bool Interrupted();

    int NavigateAndWait(const QString& address) override;
    int FetchRaw(const QString& address, const RawFetch& how, RawReply* reply) override;
    QString Markup() const override { return inner_.Markup(); }
    Failure LastFailure() const override { return inner_.LastFailure(); }

  private:
    Module1& module_;
    PageLoader& inner_;
    QTimer watch_;
    struct sigaction previous_ {};
    bool active_ = true;
};

// A run's status lines and progress bar (0 to 1000) on stderr. The bar is
// drawn only when stderr is a terminal; status lines always show.
struct TerminalProgress {
    bool terminal = false;  // stderr is a terminal
    bool bar = false;       // the bar is drawn (on a terminal only)
    int progress = 0;
    int waitShown = -1;  // seconds of the last waiting line written, -1: none

    TerminalProgress();
    void Draw() const;
    void Clear() const;
    void Line(const QString& text) const;  // a line above the bar
    void Add(int units);
    // "Waiting for the NCBI server … N s" while a page has not come: on a
    // terminal one line overwritten in place of the bar, else a line now and
    // then every 10 s of the wait. Settled() puts the bar back.
    void Waiting(int seconds);
    void Settled();
};

// Shows the page waits of loader on progress.
void ShowWaits(WebPageLoader& loader, TerminalProgress& progress);

// The status lines and the progress bar of a search or screening run on
// stderr (View: the engine's view of a run).
template <class View>
struct TerminalRunView : View {
    TerminalProgress term;

    void EnterRunning() override { Err(QStringLiteral("Searching...")); }
    void SetStatusLine(const QString& text) override {
        if (!text.isEmpty()) term.Line(text);
    }
    void AddProgress(int units) override { term.Add(units); }
    void EndCanceled() override {
        term.Clear();
        Err(QStringLiteral("Search canceled"));
    }
    void PageProblem(const QString& text) override { term.Line(text); }

  protected:
    // Tells the end of a completed run.
    void Completed() const {
        term.Clear();
        Err(QStringLiteral("Search complete"));
    }
};

}  // namespace quill::cli
