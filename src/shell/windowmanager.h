#pragma once
// One instance per window: created on first show, hidden keeping its
// contents, unloaded discarding them. The shell's implementation of the
// navigator that the windows are handed.

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "widgets/appcontext.h"
#include "widgets/navigator.h"

namespace quill::ui {

class WindowManager : public QObject, public Navigator {
    Q_OBJECT
  public:
    using Factory = std::function<QWidget*(AppContext&)>;

    explicit WindowManager(AppContext& ctx, QObject* parent = nullptr);
    ~WindowManager() override;

    void Register(const QString& name, Factory factory);
    bool IsRegistered(const QString& name) const override { return factories_.contains(name); }

    // Loads the window (runs its factory, which is its load handler) unless
    // it is loaded; does not show it.
    QWidget* Load(const QString& name) override;
    // Loads if needed, then shows it non-modal.
    QWidget* Show(const QString& name) override;
    void Hide(const QString& name);
    // Destroys the window and its contents; it is no longer loaded. Safe to
    // call from one of the window's own event handlers.
    void Unload(const QString& name) override;
    // Unloads every loaded window, in load order.
    void UnloadAll();

    bool IsLoaded(const QString& name) const;
    QWidget* Window(const QString& name) const override;  // nullptr when not loaded
    QStringList Loaded() const { return order_; }

    // What the title-bar close control of a window does. Without an action
    // of its own, a working window (frmQuill, frmIGTC, frmHits, frmUnique,
    // frmAbout) presses its back button (cmdMenu, cmdClose or cmdOK), and
    // closing frmMenu or frmSplash ends the program like Exit; other windows
    // close as usual.
    void SetCloseAction(const QString& name, std::function<void()> action);

    AppContext& Context() const { return ctx_; }

  signals:
    // Emitted after the last window was unloaded.
    void AllUnloaded();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CloseRequested(const QString& name);

    AppContext& ctx_;
    QHash<QString, std::function<void()>> closeActions_;
    bool unloadingAll_ = false;
    QHash<QString, Factory> factories_;
    QHash<QString, QPointer<QWidget>> loaded_;
    QStringList order_;
};

}  // namespace quill::ui
