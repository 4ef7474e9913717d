#include "widgets/runstatusline.h"

#include <QEvent>
#include <QLabel>

#include "web/webpageloader.h"

namespace quill::ui {

RunStatusLine::RunStatusLine(QLabel* label, QString server)
    : QObject(label), label_(label), server_(std::move(server)) {
    // The label takes the width the window gives it; its text never asks for more.
    QSizePolicy policy = label_->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    label_->setSizePolicy(policy);
    label_->setWordWrap(false);
    label_->installEventFilter(this);
}

void RunStatusLine::Watch(WebPageLoader& loader) {
    loader.SetWaitWatcher({[this](int seconds) { ShowWaiting(seconds); }, [this] { Settled(); }});
}

void RunStatusLine::SetRunLine(const QString& text) {
    runLine_ = text;
    Show(text);
}

void RunStatusLine::ShowProblem(const QString& text) {
    Show(text);
}

void RunStatusLine::ShowWaiting(int seconds) {
    Show(WaitingText(server_, seconds));
}

void RunStatusLine::Settled() {
    Show(runLine_);
}

void RunStatusLine::Show(const QString& text) {
    shown_ = text;
    Elide();
}

void RunStatusLine::Elide() {
    const int width = label_->contentsRect().width();
    const QString elided = label_->fontMetrics().elidedText(shown_, Qt::ElideRight, width);
    label_->setText(elided);
    label_->setToolTip(elided == shown_ ? QString() : shown_);
}

bool RunStatusLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == label_ && event->type() == QEvent::Resize) Elide();
    return QObject::eventFilter(watched, event);
}

}  // namespace quill::ui
