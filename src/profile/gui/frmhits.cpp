#include "profile/gui/frmhits.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "printing/gui/qtprinter.h"
#include "profile/gui/frmhitsoptions.h"
#include "text/quotedfile.h"
#include "text/textrules.h"
#include "ui_frmhits.h"
#include "web/webpageloader.h"
#include "widgets/appcontext.h"
#include "widgets/navigator.h"
#include "widgets/platform.h"
#include "widgets/runstatusline.h"
#include "widgets/termlisteditor.h"

namespace quill::ui {

namespace {

const QString kAdvancedCaption = QStringLiteral("Click for Advanced Search");
const QString kSimpleCaption = QStringLiteral("Click for Simple Search");

}  // namespace

// Reads the criteria window as it stands; its defaults when it is not loaded.
class FrmHits::CriteriaReader : public CriteriaSource {
  public:
    explicit CriteriaReader(const FrmHits& owner) : owner_(owner) {}
    ScreeningCriteria Criteria() const override {
        const FrmHitsOptions* options = owner_.Options();
        return options ? options->Criteria() : ScreeningCriteria();
    }
    TissueSelection Tissues() const override {
        const FrmHitsOptions* options = owner_.Options();
        return options ? options->Tissues() : TissueSelection();
    }

  private:
    const FrmHits& owner_;
};

FrmHits::FrmHits(AppContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui_(std::make_unique<Ui::frmHits>()) {
    ui_->setupUi(this);
    QFont title = ui_->lblTitle->font();
    title.setPointSizeF(title.pointSizeF() * 1.6);
    title.setBold(true);
    ui_->lblTitle->setFont(title);
    ui_->fraSearch->setFixedWidth(430);
    ui_->txtResults->setTabStopDistance(
        4 * ui_->txtResults->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    // The report is what Save writes: it can be read, selected and copied,
    // not edited, and Tab moves on to the next control.
    ui_->txtResults->setReadOnly(true);
    ui_->txtResults->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                             Qt::TextSelectableByKeyboard);
    ui_->txtResults->setTabChangesFocus(true);
    ui_->lblStatus->setFixedHeight(kRunHeight - kIdleHeight);

    editor_ = new TermListEditor(ui_->editorHost);
    ui_->editorHostLayout->addWidget(editor_);
    editor_->Configure(TermListEditor::Variant::Hits, &ctx_.module);
    if (QPushButton* cancel = editor_->CancelButton()) {
        ui_->cancelHostLayout->addWidget(cancel);
        cancel->setAutoDefault(false);
    }

    criteria_ = std::make_unique<CriteriaReader>(*this);
    loader_ = std::make_unique<WebPageLoader>(ctx_.module, ctx_.settings,
                                              [this](const QString& text) { PageProblem(text); });
    engine_ = std::make_unique<ScreeningEngine>(ctx_.module, ctx_.settings, *loader_, *criteria_,
                                                static_cast<ScreeningView&>(*this));
    status_ = new RunStatusLine(ui_->lblStatus);
    status_->Watch(*loader_);

    connect(ui_->chkSearch, &QCheckBox::clicked, this, &FrmHits::chkSearch_Click);
    connect(ui_->cmdOptions, &QPushButton::clicked, this, &FrmHits::cmdOptions_Click);
    connect(ui_->cmdSearch, &QPushButton::clicked, this, &FrmHits::ScreeningRun);
    connect(ui_->cmdPrint, &QPushButton::clicked, this, &FrmHits::cmdPrint_Click);
    connect(ui_->cmdSave, &QPushButton::clicked, this, &FrmHits::cmdSave_Click);
    connect(ui_->cmdMenu, &QPushButton::clicked, this, &FrmHits::cmdMenu_Click);
    connect(ui_->txtSearch, &QLineEdit::returnPressed, this, [this] {
        if (!running_) ui_->cmdSearch->click();
    });

    // Load: simple mode, idle state.
    ui_->txtSearch->setEnabled(true);
    editor_->SetSimpleMode(true);
    ui_->fraSearch->setFixedHeight(kSimpleFrameHeight);
    ui_->chkSearch->setChecked(false);
    ui_->chkSearch->setText(kAdvancedCaption);
    ui_->lblLoading->setText(QString());
    ui_->pgrBar->setValue(0);
    ui_->pgrBar->hide();
    if (QPushButton* cancel = editor_->CancelButton()) cancel->hide();
    ui_->lblStatus->hide();
    ui_->fraResults->setEnabled(false);
    SetWindowHeight(kIdleHeight);

    // The criteria window is loaded hidden; when it is loaded already it
    // keeps its settings.
    if (ctx_.windows && ctx_.windows->IsRegistered(win::HitsOptions))
        ctx_.windows->Load(win::HitsOptions);
    if (!Options()) ownOptions_ = std::make_unique<FrmHitsOptions>();
}

FrmHits::~FrmHits() {
    engine_.reset();
    loader_.reset();
}

FrmHitsOptions* FrmHits::Options() const {
    if (ownOptions_) return ownOptions_.get();
    if (ctx_.windows) return ctx_.windows->As<FrmHitsOptions>(win::HitsOptions);
    return nullptr;
}

QString FrmHits::ResultsText() const {
    QString text = ui_->txtResults->toPlainText();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), kCrLf);
    return text;
}

void FrmHits::SetWindowHeight(int height) {
    setFixedHeight(height);
    resize(width(), height);
}

void FrmHits::closeEvent(QCloseEvent* event) {
    if (leaving_) {
        event->accept();
        return;
    }
    if (running_) {
        // Closing now would pull the window from under the run that waits in
        // it: offer to cancel instead.
        event->ignore();
        if (QPushButton* cancel = editor_->CancelButton()) cancel->click();
        return;
    }
    if (ctx_.windows && ctx_.windows->IsRegistered(win::Menu)) {
        event->ignore();
        QTimer::singleShot(0, this, &FrmHits::cmdMenu_Click);
        return;
    }
    event->accept();
}

void FrmHits::chkSearch_Click() {
    const bool toAdvanced = ui_->chkSearch->text() == kAdvancedCaption;
    ui_->txtSearch->setEnabled(!toAdvanced);
    editor_->SetSimpleMode(!toAdvanced);
    ui_->fraSearch->setFixedHeight(toAdvanced ? kAdvancedFrameHeight : kSimpleFrameHeight);
    ui_->chkSearch->setText(toAdvanced ? kSimpleCaption : kAdvancedCaption);
}

void FrmHits::cmdOptions_Click() {
    FrmHitsOptions* options = Options();
    if (!options) return;
    if (!options->isVisible()) {
        options->adjustSize();
        const QPoint centre = mapToGlobal(rect().center());
        options->move(centre - QPoint(options->width() / 2, options->height() / 2));
    }
    options->show();
    options->raise();
    options->activateWindow();
}

void FrmHits::ScreeningRun() {
    if (running_) return;
    if (!ui_->chkSearch->isChecked()) {
        const QString text = ui_->txtSearch->text();
        if (text.isEmpty()) {
            Platform::Message(this, QStringLiteral("Search box is empty"),
                              QStringLiteral("Search empty"), Icon::Exclamation);
            return;
        }
        editor_->ClearTerms();
        editor_->AddTerm(text);
    } else if (editor_->Count() == 0) {
        Platform::Message(this, QStringLiteral("Listbox is empty"), QStringLiteral("Listbox empty"),
                          Icon::Exclamation);
        return;
    }
    // The thresholds as the criteria window's OK would check them, whether
    // or not the user pressed OK.
    const ScreeningCriteria criteria = criteria_->Criteria();
    if (const std::optional<QString> problem =
            CriteriaProblem(criteria.txtAbundance, criteria.txtTissue)) {
        Platform::Message(this, *problem, kInvalidValueTitle, Icon::Exclamation);
        return;
    }
    if (const std::optional<QString> problem = TissueSelectionProblem(criteria_->Tissues())) {
        Platform::Message(this,
                          *problem + QStringLiteral(". Select at least one tissue of each "
                                                    "species under Search Options."),
                          QStringLiteral("No tissue selected"), Icon::Exclamation);
        return;
    }
    engine_->Run(editor_->Terms());
}

void FrmHits::EnterRunning() {
    running_ = true;
    ui_->fraSearch->setEnabled(false);
    ui_->cmdMenu->setEnabled(false);
    SetWindowHeight(kRunHeight);
    status_->SetRunLine(QString());
    ui_->lblStatus->show();
    ui_->lblLoading->setText(QStringLiteral("Searching..."));
    ui_->pgrBar->setValue(0);
    ui_->pgrBar->show();
    if (QPushButton* cancel = editor_->CancelButton()) {
        cancel->show();
        cancel->setEnabled(true);
    }
}

void FrmHits::SetStatusLine(const QString& text) {
    status_->SetRunLine(text);
}

void FrmHits::PageProblem(const QString& text) {
    status_->ShowProblem(text);
}

void FrmHits::AddProgress(int units) {
    ui_->pgrBar->setValue(qBound(0, ui_->pgrBar->value() + units, 1000));
}

void FrmHits::LeaveRunning() {
    ui_->pgrBar->hide();
    if (QPushButton* cancel = editor_->CancelButton()) cancel->hide();
    ui_->fraSearch->setEnabled(true);
    ui_->cmdMenu->setEnabled(true);
    SetWindowHeight(kIdleHeight);
    status_->SetRunLine(QString());
    ui_->lblStatus->hide();
    running_ = false;
    // The next hit name can be typed at once: into the term box in simple
    // mode, the Add box of the list in advanced mode.
    QLineEdit* box = ui_->chkSearch->isChecked() ? editor_->AddBox() : ui_->txtSearch;
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
}

void FrmHits::EndCanceled() {
    ui_->lblLoading->setText(QStringLiteral("Search canceled"));
    LeaveRunning();
}

void FrmHits::EndComplete(const QString& report) {
    QString shown = report;
    shown.replace(kCrLf, QStringLiteral("\n"));
    ui_->txtResults->setPlainText(shown);
    ui_->lblLoading->setText(QStringLiteral("Search complete"));
    ui_->fraResults->setEnabled(true);
    LeaveRunning();
}

void FrmHits::cmdPrint_Click() {
    const QString title =
        Platform::Input(this, QStringLiteral("Enter title:"), QStringLiteral("Title"));
    if (title.isEmpty()) return;
    // The printer shows its own messages when the printout cannot be made.
    const std::unique_ptr<Printer> printer = OpenPrinter(this, ctx_.settings);
    PrintScreeningReport(*printer, title, engine_->Results(), criteria_->Criteria(), Now());
}

void FrmHits::cmdSave_Click() {
    const QString path = Platform::SaveFileName(this, QStringLiteral("Text Files (*.txt)|*.txt"));
    if (path.isEmpty()) return;
    const WriteResult written = WriteQuotedItems(path, {ResultsText()});
    if (!written.ok)
        Platform::Message(this,
                          QStringLiteral("The report could not be saved to ") + path +
                              QStringLiteral(".\n\n") + written.error,
                          QStringLiteral("Save"), Icon::Exclamation);
}

void FrmHits::cmdMenu_Click() {
    if (running_) return;
    leaving_ = true;
    if (!ctx_.windows) {
        editor_->CloseActiveWorkbook();
        close();
        return;
    }
    ctx_.windows->ReturnToMenu(win::Hits, editor_);
}

QWidget* CreateFrmHits(AppContext& ctx) {
    return new FrmHits(ctx);
}

}  // namespace quill::ui
