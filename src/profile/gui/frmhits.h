#pragma once
// The expression-profile window: one hit name or a list of hit names, the
// screening run over the screening engine, its report, printout and file.
// The window is the engine's view; the criteria come from frmHitsOptions.

#include <QWidget>
#include <memory>

#include "profile/screeningengine.h"

namespace Ui {
class frmHits;
}

class QPlainTextEdit;

namespace quill::ui {

struct AppContext;
class FrmHitsOptions;
class RunWindow;
class TermListEditor;

class FrmHits : public QWidget, private ScreeningView {
    Q_OBJECT
  public:
    // The load handler: simple mode, idle state, frmHitsOptions loaded
    // hidden (or kept as it is when it is loaded already).
    explicit FrmHits(AppContext& ctx, QWidget* parent = nullptr);
    ~FrmHits() override;

    // Window heights (pixels; twips / 15).
    static constexpr int kIdleHeight = 629;
    static constexpr int kRunHeight = 650;

    bool IsRunning() const;
    TermListEditor* Editor() const;
    ScreeningEngine& Engine() { return *engine_; }
    FrmHitsOptions* Options() const;
    // The report box's text, lines ending with CR LF.
    QString ResultsText() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void cmdOptions_Click();
    void ScreeningRun();
    void cmdPrint_Click();
    void cmdSave_Click();

    // ScreeningView
    void EnterRunning() override;
    void SetStatusLine(const QString& text) override;
    void PageProblem(const QString& text) override;
    void AddProgress(int units) override;
    void EndCanceled() override;
    void EndComplete(const QString& report) override;

    void SetWindowHeight(int height);

    class CriteriaReader;

    AppContext& ctx_;
    std::unique_ptr<Ui::frmHits> ui_;
    std::unique_ptr<RunWindow> run_;              // the editor, loader and run states
    std::unique_ptr<FrmHitsOptions> ownOptions_;  // only without a window manager
    std::unique_ptr<CriteriaReader> criteria_;
    std::unique_ptr<ScreeningEngine> engine_;
};

// Window factory (load handler) for the window manager.
QWidget* CreateFrmHits(AppContext& ctx);

}  // namespace quill::ui
