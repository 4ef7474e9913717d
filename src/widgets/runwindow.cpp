#include "widgets/runwindow.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "web/webpageloader.h"
#include "widgets/appcontext.h"
#include "widgets/navigator.h"
#include "widgets/platform.h"
#include "widgets/runstatusline.h"

namespace quill::ui {

namespace {

const QString kAdvancedCaption = QStringLiteral("Click for Advanced Search");
const QString kSimpleCaption = QStringLiteral("Click for Simple Search");

}  // namespace

void CentreOver(QWidget* dialog, const QWidget* window) {
    dialog->adjustSize();
    const QPoint centre = window->mapToGlobal(window->rect().center());
    dialog->move(centre - QPoint(dialog->width() / 2, dialog->height() / 2));
}

RunWindow::RunWindow(QWidget* window, const Controls& controls, AppContext& ctx, Setup setup)
    : window_(window), c_(controls), ctx_(ctx), setup_(std::move(setup)) {
    QFont title = c_.lblTitle->font();
    title.setPointSizeF(title.pointSizeF() * 1.6);
    title.setBold(true);
    c_.lblTitle->setFont(title);
    c_.fraSearch->setFixedWidth(430);

    // The term list editor fills the lower part of the search frame; its
    // Cancel button sits in the progress row, outside the frames that a run
    // disables.
    editor_ = new TermListEditor(c_.editorHost);
    c_.editorHostLayout->addWidget(editor_);
    editor_->Configure(setup_.variant, &ctx_.module);
    if (QPushButton* cancel = editor_->CancelButton()) {
        c_.cancelHostLayout->addWidget(cancel);
        cancel->setAutoDefault(false);
    }

    loader_ = std::make_unique<WebPageLoader>(ctx_.module, ctx_.settings,
                                              [this](const QString& text) { PageProblem(text); });
    status_ = new RunStatusLine(c_.lblStatus);
    status_->Watch(*loader_);

    QObject::connect(c_.chkSearch, &QCheckBox::clicked, window_, [this] { SwitchSearchMode(); });
    QObject::connect(c_.cmdMenu, &QPushButton::clicked, window_, [this] { BackToMenu(); });

    // Load: simple mode, idle state.
    c_.txtSearch->setEnabled(true);
    editor_->SetSimpleMode(true);
    c_.chkSearch->setChecked(false);
    c_.fraSearch->setFixedHeight(kSimpleFrameHeight);
    c_.chkSearch->setText(kAdvancedCaption);
    c_.lblLoading->setText(QString());
    c_.pgrBar->setValue(0);
    c_.pgrBar->hide();
    if (QPushButton* cancel = editor_->CancelButton()) cancel->hide();
    c_.lblStatus->hide();
    c_.fraResults->setEnabled(false);
}

RunWindow::~RunWindow() = default;

bool RunWindow::Advanced() const {
    return c_.chkSearch->isChecked();
}

void RunWindow::SwitchSearchMode() {
    const bool toAdvanced = c_.chkSearch->text() == kAdvancedCaption;
    c_.txtSearch->setEnabled(!toAdvanced);
    editor_->SetSimpleMode(!toAdvanced);
    c_.fraSearch->setFixedHeight(toAdvanced ? kAdvancedFrameHeight : kSimpleFrameHeight);
    c_.chkSearch->setText(toAdvanced ? kSimpleCaption : kAdvancedCaption);
}

bool RunWindow::TakeTerms(QString (*adjust)(const QString&)) {
    if (!Advanced()) {
        const QString text = c_.txtSearch->text();
        if (text.isEmpty()) {
            Platform::Message(window_, QStringLiteral("Search box is empty"),
                              QStringLiteral("Search empty"), Icon::Exclamation);
            return false;
        }
        editor_->ClearTerms();
        editor_->AddTerm(adjust ? adjust(text) : text);
        return true;
    }
    if (editor_->Count() == 0) {
        Platform::Message(window_, QStringLiteral("Listbox is empty"),
                          QStringLiteral("Listbox empty"), Icon::Exclamation);
        return false;
    }
    return true;
}

void RunWindow::EnterRunning() {
    running_ = true;
    c_.pgrBar->setValue(0);
    c_.pgrBar->show();
    c_.lblLoading->setText(QStringLiteral("Searching..."));
    c_.fraSearch->setEnabled(false);
    c_.cmdMenu->setEnabled(false);
    if (QPushButton* cancel = editor_->CancelButton()) {
        cancel->show();
        cancel->setEnabled(true);
    }
    status_->SetRunLine(QString());
    c_.lblStatus->show();
    if (setup_.fitHeight) setup_.fitHeight(true);
}

void RunWindow::LeaveRunning() {
    c_.pgrBar->hide();
    c_.fraSearch->setEnabled(true);
    c_.cmdMenu->setEnabled(true);
    if (QPushButton* cancel = editor_->CancelButton()) cancel->hide();
    status_->SetRunLine(QString());
    c_.lblStatus->hide();
    if (setup_.fitHeight) setup_.fitHeight(false);
    running_ = false;
    // The next term can be typed at once: the term box in simple mode, the
    // Add box of the list in advanced mode.
    QLineEdit* box = Advanced() ? editor_->AddBox() : c_.txtSearch;
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
}

void RunWindow::EndComplete() {
    c_.lblLoading->setText(QStringLiteral("Search complete"));
    c_.fraResults->setEnabled(true);
    LeaveRunning();
}

void RunWindow::EndCanceled() {
    c_.lblLoading->setText(QStringLiteral("Search canceled"));
    LeaveRunning();
}

void RunWindow::SetStatusLine(const QString& text) {
    status_->SetRunLine(text);
}

void RunWindow::PageProblem(const QString& text) {
    status_->ShowProblem(text);
}

void RunWindow::AddProgress(int units) {
    c_.pgrBar->setValue(qBound(0, c_.pgrBar->value() + units, 1000));
}

void RunWindow::Close(QCloseEvent* event) {
    if (leaving_) {
        event->accept();
        return;
    }
    if (running_) {
        // A run is waiting inside this window: closing it now would pull the
        // ground from under the run. Offer to cancel instead.
        event->ignore();
        if (QPushButton* cancel = editor_->CancelButton()) cancel->click();
        return;
    }
    // The close box leads back to the menu like the back button.
    if (ctx_.windows && ctx_.windows->IsRegistered(win::Menu)) {
        event->ignore();
        QTimer::singleShot(0, window_, [this] { BackToMenu(); });
        return;
    }
    event->accept();
}

void RunWindow::BackToMenu() {
    if (running_) return;
    leaving_ = true;
    if (!ctx_.windows) {
        editor_->CloseActiveWorkbook();
        window_->close();
        return;
    }
    ctx_.windows->ReturnToMenu(setup_.name, editor_, setup_.alsoUnload);
}

void RunWindow::LeaveFor(const QString& other) {
    leaving_ = true;
    ctx_.windows->Show(other);
    ctx_.windows->Unload(setup_.name);
}

}  // namespace quill::ui
