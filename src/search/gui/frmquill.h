#pragma once
// The sequence search window: one term or a term list, the UniGene run and
// the accession run over the search engine, the two result views, saving and
// handing the FASTA text on to IGTC. The window is the engine's view, its
// chooser (the choice dialogs) and, through frmOptions, its options.

#include <QPointer>
#include <QWidget>
#include <memory>

#include "search/searchtypes.h"

namespace Ui {
class frmQuill;
}

class QPlainTextEdit;

namespace quill {
class SearchEngine;
}

namespace quill::ui {

struct AppContext;
class FrmOptions;
class RunWindow;
class TermListEditor;

class FrmQuill : public QWidget, private Chooser, private RunView {
    Q_OBJECT
  public:
    // Runs the load handler: simple mode, idle state, UniGene-mode buttons,
    // and frmOptions loaded (hidden) with its policy defaults selected.
    explicit FrmQuill(AppContext& ctx, QWidget* parent = nullptr);
    ~FrmQuill() override;

    // Idle and running heights of the design; the status line is only seen
    // while running. The window starts at the idle height (less on a small
    // screen) and may be made taller; a run adds the status line's height.
    static constexpr int kIdleHeight = 650;
    static constexpr int kRunHeight = 674;

    bool IsRunning() const;
    bool AccessionMode() const { return accessionMode_; }
    TermListEditor* Editor() const;
    SearchEngine& Engine() { return *engine_; }
    FrmOptions* Options() const;

    // A result text as the box holds it, lines ending with CR LF.
    static QString BoxText(const QPlainTextEdit* box);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Controls' operations.
    void ClickDefaultButton();
    void SetAccessionMode(bool on);
    void ShowOptions();
    // lblSource names the source the options window has chosen.
    void ShowSource();
    void SearchUniGene();
    void SearchAccession();
    void ShowResultView();
    void Save();
    void OpenIgtc();
    void ProcessIgtc();
    // The print buttons: the summary report of the run (after a confirmation
    // and a title), or the cDNA text as it stands, as the visible view says.
    void cmdPrint_Click();
    void cmdPrintAccession_Click();
    void PrintResults(bool accession);

    // Run steps 2 and 4 shared by both runs; false when the input check
    // stopped the run. limit is the list size above which the user is asked.
    bool PrepareTerms(int limit, bool slashesToSpaces);

    // RunView
    void EnterRunning() override;
    void SetStatusLine(const QString& text) override;
    void AddProgress(int units) override;
    void EndCanceled() override;
    void EndComplete(const QString& summary, const QString& cdna) override;
    void PageProblem(const QString& text) override;

    // Chooser
    int Choose(const ChoiceTable& table) override;

    void SetWindowHeight(int height);

    class OptionsReader;

    AppContext& ctx_;
    std::unique_ptr<Ui::frmQuill> ui_;
    std::unique_ptr<RunWindow> run_;          // the editor, loader and run states
    std::unique_ptr<FrmOptions> ownOptions_;  // only without a window manager
    std::unique_ptr<OptionsReader> optionsReader_;
    std::unique_ptr<SearchEngine> engine_;
    int idleHeight_ = kIdleHeight;
    bool accessionMode_ = false;
};

// Window factory (load handler) for the window manager.
QWidget* CreateFrmQuill(AppContext& ctx);

}  // namespace quill::ui
