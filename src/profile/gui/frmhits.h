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

namespace quill {
class WebPageLoader;
}

namespace quill::ui {

struct AppContext;
class FrmHitsOptions;
class RunStatusLine;
class TermListEditor;

class FrmHits : public QWidget, private ScreeningView {
    Q_OBJECT
  public:
    // The load handler: simple mode, idle state, frmHitsOptions loaded
    // hidden (or kept as it is when it is loaded already).
    explicit FrmHits(AppContext& ctx, QWidget* parent = nullptr);
    ~FrmHits() override;

    // Window and search-frame heights (pixels; twips / 15).
    static constexpr int kIdleHeight = 629;
    static constexpr int kRunHeight = 650;
    static constexpr int kSimpleFrameHeight = 153;
    static constexpr int kAdvancedFrameHeight = 489;

    bool IsRunning() const { return running_; }
    TermListEditor* Editor() const { return editor_; }
    ScreeningEngine& Engine() { return *engine_; }
    FrmHitsOptions* Options() const;
    // The report box's text, lines ending with CR LF.
    QString ResultsText() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void chkSearch_Click();
    void cmdOptions_Click();
    void ScreeningRun();
    void cmdPrint_Click();
    void cmdSave_Click();
    void cmdMenu_Click();

    // ScreeningView
    void EnterRunning() override;
    void SetStatusLine(const QString& text) override;
    void PageProblem(const QString& text) override;
    void AddProgress(int units) override;
    void EndCanceled() override;
    void EndComplete(const QString& report) override;
    void LeaveRunning();

    void SetWindowHeight(int height);

    class CriteriaReader;

    AppContext& ctx_;
    std::unique_ptr<Ui::frmHits> ui_;
    TermListEditor* editor_ = nullptr;
    RunStatusLine* status_ = nullptr;             // owned by lblStatus
    std::unique_ptr<FrmHitsOptions> ownOptions_;  // only without a window manager
    std::unique_ptr<CriteriaReader> criteria_;
    std::unique_ptr<WebPageLoader> loader_;
    std::unique_ptr<ScreeningEngine> engine_;
    bool running_ = false;
    bool leaving_ = false;
};

// Window factory (load handler) for the window manager.
QWidget* CreateFrmHits(AppContext& ctx);

}  // namespace quill::ui
