#pragma once
// Finding and driving a window's controls by objectName, for the GUI tests.

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace quill::test {

// The control called name inside w; a missing control ends the test run.
template <class T = QWidget>
T* Find(const QWidget* w, const char* name) {
    T* found = w ? w->findChild<T*>(QLatin1String(name)) : nullptr;
    if (!found) qFatal("control %s not found", name);
    return found;
}
// Caption or text of a label, button or one-line box.
inline QString Text(const QWidget* w, const char* name) {
    return Find(w, name)->property("text").toString();
}
inline bool Visible(const QWidget* w, const char* name) {
    return Find(w, name)->isVisible();
}
inline bool Enabled(const QWidget* w, const char* name) {
    return Find(w, name)->isEnabled();
}
inline bool Checked(const QWidget* w, const char* name) {
    return Find<QAbstractButton>(w, name)->isChecked();
}
inline void Click(const QWidget* w, const char* name) {
    Find<QAbstractButton>(w, name)->click();
}
inline void SetText(const QWidget* w, const char* name, const QString& text) {
    if (auto* box = qobject_cast<QPlainTextEdit*>(Find(w, name)))
        box->setPlainText(text);
    else
        Find<QLineEdit>(w, name)->setText(text);
}

// Runs fn on the next modal window once it is on screen (inside the exec()
// that shows it).
inline void WhenModal(std::function<void(QWidget*)> fn) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        QWidget* dlg = QApplication::activeModalWidget();
        if (!dlg || !dlg->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        fn(dlg);
    });
    timer->start();
}

}  // namespace quill::test
