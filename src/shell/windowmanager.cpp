#include "shell/windowmanager.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QEvent>

namespace quill::ui {

WindowManager::WindowManager(AppContext& ctx, QObject* parent) : QObject(parent), ctx_(ctx) {
    if (!ctx_.windows) ctx_.windows = this;
}

WindowManager::~WindowManager() {
    for (const QPointer<QWidget>& w : loaded_) {
        if (w) {
            w->removeEventFilter(this);
            delete w.data();
        }
    }
    if (ctx_.windows == this) ctx_.windows = nullptr;
}

void WindowManager::Register(const QString& name, Factory factory) {
    factories_.insert(name, std::move(factory));
}

QWidget* WindowManager::Load(const QString& name) {
    if (QWidget* w = Window(name)) return w;
    const auto it = factories_.constFind(name);
    if (it == factories_.cend() || !*it) return nullptr;
    QWidget* w = (*it)(ctx_);
    if (!w) return nullptr;
    if (w->objectName().isEmpty()) w->setObjectName(name);
    w->installEventFilter(this);
    loaded_.insert(name, w);
    order_.removeAll(name);
    order_.append(name);
    // A window destroyed by someone else is no longer loaded.
    connect(w, &QObject::destroyed, this, [this, name, w] {
        const auto cur = loaded_.constFind(name);
        if (cur != loaded_.cend() && (cur->isNull() || cur->data() == w)) {
            loaded_.remove(name);
            order_.removeAll(name);
        }
    });
    return w;
}

QWidget* WindowManager::Show(const QString& name) {
    QWidget* w = Load(name);
    if (!w) return nullptr;
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}

void WindowManager::Hide(const QString& name) {
    if (QWidget* w = Window(name)) w->hide();
}

void WindowManager::Unload(const QString& name) {
    QPointer<QWidget> w = loaded_.take(name);
    order_.removeAll(name);
    if (w) {
        w->removeEventFilter(this);
        w->hide();
        w->deleteLater();
    }
    if (order_.isEmpty() && !unloadingAll_) emit AllUnloaded();
}

void WindowManager::UnloadAll() {
    unloadingAll_ = true;
    const QStringList names = order_;
    for (const QString& name : names) Unload(name);
    unloadingAll_ = false;
    emit AllUnloaded();
}

bool WindowManager::IsLoaded(const QString& name) const {
    return Window(name) != nullptr;
}

QWidget* WindowManager::Window(const QString& name) const {
    const auto it = loaded_.constFind(name);
    return it == loaded_.cend() ? nullptr : it->data();
}

void WindowManager::SetCloseAction(const QString& name, std::function<void()> action) {
    if (action)
        closeActions_.insert(name, std::move(action));
    else
        closeActions_.remove(name);
}

bool WindowManager::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close && !unloadingAll_) {
        for (auto it = loaded_.cbegin(); it != loaded_.cend(); ++it) {
            if (it->data() != watched) continue;
            const QString name = it.key();
            const bool handled = closeActions_.contains(name) || name == win::Menu ||
                                 name == win::Splash || name == win::Quill || name == win::Igtc ||
                                 name == win::Hits || name == win::Unique || name == win::About;
            if (!handled) break;
            event->ignore();
            CloseRequested(name);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowManager::CloseRequested(const QString& name) {
    if (const auto it = closeActions_.constFind(name); it != closeActions_.cend()) {
        const std::function<void()> action = *it;  // the action may unload the window
        action();
        return;
    }
    if (name == win::Menu || name == win::Splash) {
        UnloadAll();
        return;
    }
    QWidget* w = Window(name);
    if (!w) return;
    for (const char* button : {"cmdMenu", "cmdClose", "cmdOK"}) {
        auto* b = w->findChild<QAbstractButton*>(QString::fromLatin1(button));
        if (!b) continue;
        if (b->isEnabled()) {
            b->click();
            return;
        }
        // A disabled back button (a run under way) keeps the window open; the
        // close box then offers to cancel the run, as the Cancel button does.
        auto* cancel = w->findChild<QAbstractButton*>(QStringLiteral("cmdCancel"));
        if (cancel && cancel->isVisible() && cancel->isEnabled()) cancel->click();
        return;
    }
    // A window without a back button is unloaded and the menu shown, so the
    // program never stays without a visible window.
    Unload(name);
    Show(win::Menu);
}

}  // namespace quill::ui
