#pragma once
// Data of a sequence search run and the interfaces the search engine calls:
// options, the chooser behind the choice dialogs, and the run's view.

#include <QList>
#include <QString>
#include <QStringList>

namespace quill {

// A hidden result list: text entries with an optional 32-bit item value.
struct ResultList {
    QStringList text;
    QList<qint32> data;

    void add(const QString& entry, qint32 value = 0) {
        text << entry;
        data << value;
    }
    int count() const { return static_cast<int>(text.size()); }
    void clear() {
        text.clear();
        data.clear();
    }
};

// All result lists and output of the search window's runs.
struct SearchResults {
    ResultList lstModel, lstmRNA, lstEST, lstNotFound, lstIsCluster, lstWatchOut;
    ResultList lstMMs, lstModelM, lstmRNAM, lstESTM;
    // "Could not be looked up (NCBI error)": terms (and clusters of
    // several-cluster terms, "cluster of term") whose pages the server
    // refused, each entry with the server's answer and the address.
    ResultList lstNcbiError, lstNcbiErrorM;
    QStringList CdnaLines;       // element 1 of the run is CdnaLines[0]
    QString OrgCode;             // "Mm" or "Hs"
    QStringList ModelSequences;  // [0] = n as text, [k] = block of model k
    QStringList ModelNames;      // [k-1] = link text of model k
};

// The choices of the options window, read afresh for every term.
struct SearchPolicy {
    enum class Species { Mouse, Human };
    Species species = Species::Mouse;  // optMm / optHs
    bool optAuto = true;               // else optPrompt
    bool optAutoOne = true;            // else optStillPrompt
    bool optESTPrompt = true;          // EST policy: prompt ...
    bool optESTSkip = false;           // ... or skip (neither may be selected)
    bool optAutoOneEST = true;         // else optPromptEST
};

class SearchOptions {
  public:
    virtual ~SearchOptions() = default;
    virtual SearchPolicy Current() const = 0;
};

// One row of a choice table: page address, accession (link text), description.
struct ChoiceRow {
    QString url;
    QString accession;
    QString description;
};

struct ChoiceTable {
    enum class Kind { Mrna, Est };  // frmSequence / frmEST
    Kind kind = Kind::Mrna;
    QString prompt;  // lblPrompt text
    QList<ChoiceRow> rows;
};

// Shown when a choice table needs the user (no automatic rule decided).
class Chooser {
  public:
    virtual ~Chooser() = default;
    // The picked row (0-based), or -1 when the user cancels the search.
    virtual int Choose(const ChoiceTable& table) = 0;
};

// What a run shows while it runs; the window and the command line each
// implement it.
class RunView {
  public:
    virtual ~RunView() = default;
    // Running state: bar shown at 0, "Searching...", frames disabled, Cancel
    // shown, run height, status line "".
    virtual void EnterRunning() = 0;
    virtual void SetStatusLine(const QString& text) = 0;
    // Adds to the progress bar's current value (0..1000).
    virtual void AddProgress(int units) = 0;
    // Canceled end state: bar hidden, "Search canceled", search frame
    // enabled, results frame still disabled, Cancel hidden, idle height.
    virtual void EndCanceled() = 0;
    // Completed end state with the two result texts.
    virtual void EndComplete(const QString& summary, const QString& cdna) = 0;
    // A page could not be loaded (server down, rate limited...); the wait
    // goes on. Shown on the status line.
    virtual void PageProblem(const QString& text) { SetStatusLine(text); }
};

}  // namespace quill
