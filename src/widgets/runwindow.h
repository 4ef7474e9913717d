#pragma once
// What the two windows whose runs wait for web pages (frmQuill and frmHits)
// do alike: the search frame in simple or advanced mode, the term list
// editor and its Cancel button, the page loader and the status line, the
// idle and running states of the shared controls, the input check before a
// run, the title-bar close during a run and the way back to the menu. Each
// window hands over its controls of the same names and keeps what is its own
// (its engine, result views, options window and heights).

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "widgets/termlisteditor.h"

class QBoxLayout;
class QCheckBox;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;

namespace quill {
class WebPageLoader;
}

namespace quill::ui {

struct AppContext;
class RunStatusLine;

// Places dialog in the middle of window.
void CentreOver(QWidget* dialog, const QWidget* window);

class RunWindow {
  public:
    // Search-frame heights of the two modes (pixels; twips / 15).
    static constexpr int kSimpleFrameHeight = 153;
    static constexpr int kAdvancedFrameHeight = 489;

    // The controls both windows have, under the same object names.
    struct Controls {
        QLabel* lblTitle = nullptr;
        QGroupBox* fraSearch = nullptr;
        QLineEdit* txtSearch = nullptr;
        QCheckBox* chkSearch = nullptr;
        QWidget* editorHost = nullptr;
        QBoxLayout* editorHostLayout = nullptr;
        QGroupBox* fraResults = nullptr;
        QLabel* lblLoading = nullptr;
        QProgressBar* pgrBar = nullptr;
        QBoxLayout* cancelHostLayout = nullptr;  // where the editor's Cancel button goes
        QPushButton* cmdMenu = nullptr;
        QLabel* lblStatus = nullptr;
    };

    // The controls of a window's form (Ui::frmQuill, Ui::frmHits).
    template <class Form>
    static Controls ControlsOf(Form& ui) {
        return {.lblTitle = ui.lblTitle,
                .fraSearch = ui.fraSearch,
                .txtSearch = ui.txtSearch,
                .chkSearch = ui.chkSearch,
                .editorHost = ui.editorHost,
                .editorHostLayout = ui.editorHostLayout,
                .fraResults = ui.fraResults,
                .lblLoading = ui.lblLoading,
                .pgrBar = ui.pgrBar,
                .cancelHostLayout = ui.cancelHostLayout,
                .cmdMenu = ui.cmdMenu,
                .lblStatus = ui.lblStatus};
    }

    // What differs between the windows.
    struct Setup {
        QString name;  // the window's own name (win::Quill, win::Hits)
        TermListEditor::Variant variant;
        QStringList alsoUnload;  // windows unloaded with it on the way back
        // Sets the window's height for the running or the idle state; called
        // once the status line is shown or hidden.
        std::function<void(bool running)> fitHeight;
    };

    // Builds the shared parts into window (the editor, the loader, the
    // status line), wires the mode switch and the back button, and puts the
    // controls into the load state: simple mode, idle.
    RunWindow(QWidget* window, const Controls& controls, AppContext& ctx, Setup setup);
    ~RunWindow();
    RunWindow(const RunWindow&) = delete;
    RunWindow& operator=(const RunWindow&) = delete;

    TermListEditor* Editor() const { return editor_; }
    WebPageLoader& Loader() { return *loader_; }
    bool IsRunning() const { return running_; }
    // Advanced mode: the term list, not the one-term box.
    bool Advanced() const;

    // The check before a run: in simple mode the box's text (after adjust,
    // when given) becomes the one term of the list; in advanced mode the list
    // must hold a term. False, after telling the user, when there is none.
    bool TakeTerms(QString (*adjust)(const QString&) = nullptr);

    // The shared controls for a run and after it. EndComplete and
    // EndCanceled say how the run ended and go back to idle; EndComplete
    // enables the results frame.
    void EnterRunning();
    void EndComplete();
    void EndCanceled();
    void SetStatusLine(const QString& text);
    void PageProblem(const QString& text);
    void AddProgress(int units);

    // The window's close event: a run going on is offered to be canceled;
    // otherwise the close box leads back to the menu like the back button.
    void Close(QCloseEvent* event);
    // The back button: unloads the window (and alsoUnload) and shows the
    // menu; without a navigator the window just closes.
    void BackToMenu();
    // Shows another window in place of this one, which is unloaded.
    void LeaveFor(const QString& other);

  private:
    void SwitchSearchMode();
    void LeaveRunning();

    QWidget* window_;
    Controls c_;
    AppContext& ctx_;
    Setup setup_;
    TermListEditor* editor_ = nullptr;  // owned by editorHost
    RunStatusLine* status_ = nullptr;   // owned by lblStatus
    std::unique_ptr<WebPageLoader> loader_;
    bool running_ = false;
    bool leaving_ = false;
};

}  // namespace quill::ui
