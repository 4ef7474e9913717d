#include "search/gui/frmquill.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "printing/gui/qtprinter.h"
#include "search/gui/choicedialog.h"
#include "search/gui/frmoptions.h"
#include "search/searchengine.h"
#include "search/searchreport.h"
#include "text/quotedfile.h"
#include "text/textrules.h"
#include "ui_frmquill.h"
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

// Puts a report text (CR LF lines) into a result box.
void SetBoxText(QPlainTextEdit* box, QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box->setPlainText(text);
}

}  // namespace

// Reads the options window's buttons for every term; the defaults when the
// options window is not loaded.
class FrmQuill::OptionsReader : public SearchOptions {
  public:
    explicit OptionsReader(const FrmQuill& owner) : owner_(owner) {}
    SearchPolicy Current() const override {
        const FrmOptions* options = owner_.Options();
        return options ? options->Policy() : SearchPolicy();
    }

  private:
    const FrmQuill& owner_;
};

FrmQuill::FrmQuill(AppContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui_(std::make_unique<Ui::frmQuill>()) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose, false);

    QFont title = ui_->lblTitle->font();
    title.setPointSizeF(title.pointSizeF() * 1.6);
    title.setBold(true);
    ui_->lblTitle->setFont(title);
    ui_->fraSearch->setFixedWidth(430);
    ui_->txtcDNA->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ui_->txtSummary->setTabStopDistance(
        4 * ui_->txtSummary->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    ui_->txtSummary->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    ui_->lblStatus->setFixedHeight(kRunHeight - kIdleHeight);
    status_ = new RunStatusLine(ui_->lblStatus);

    // The term list editor fills the lower part of the search frame; its
    // Cancel button sits in the progress row, outside the frames that a run
    // disables.
    editor_ = new TermListEditor(ui_->editorHost);
    ui_->editorHostLayout->addWidget(editor_);
    editor_->Configure(TermListEditor::Variant::Quill, &ctx_.module);
    editor_->SetAccessionModeQuery([this] {
        const FrmOptions* options = Options();
        return options && options->AccessionMode();
    });
    if (QPushButton* cancel = editor_->CancelButton()) {
        ui_->cancelHostLayout->addWidget(cancel);
        cancel->setAutoDefault(false);
    }

    optionsReader_ = std::make_unique<OptionsReader>(*this);
    loader_ = std::make_unique<WebPageLoader>(ctx_.module, ctx_.settings,
                                              [this](const QString& text) { PageProblem(text); });
    engine_ =
        std::make_unique<SearchEngine>(ctx_.module, ctx_.settings, *loader_, *optionsReader_,
                                       static_cast<Chooser&>(*this), static_cast<RunView&>(*this));
    status_->Watch(*loader_);

    connect(ui_->chkSearch, &QCheckBox::clicked, this, &FrmQuill::SwitchSearchMode);
    connect(ui_->cmdSearch, &QPushButton::clicked, this, &FrmQuill::SearchUniGene);
    connect(ui_->cmdSearchAccession, &QPushButton::clicked, this, &FrmQuill::SearchAccession);
    connect(ui_->cmdSearchOptions, &QPushButton::clicked, this, &FrmQuill::ShowOptions);
    connect(ui_->optSummary, &QRadioButton::toggled, this, &FrmQuill::ShowResultView);
    connect(ui_->optDNA, &QRadioButton::toggled, this, &FrmQuill::ShowResultView);
    connect(ui_->cmdSave, &QPushButton::clicked, this, &FrmQuill::Save);
    connect(ui_->cmdPrint, &QPushButton::clicked, this, &FrmQuill::cmdPrint_Click);
    connect(ui_->cmdPrintAccession, &QPushButton::clicked, this,
            &FrmQuill::cmdPrintAccession_Click);
    connect(ui_->cmdOpenIGTC, &QPushButton::clicked, this, &FrmQuill::OpenIgtc);
    connect(ui_->cmdProcessIGTC, &QPushButton::clicked, this, &FrmQuill::ProcessIgtc);
    connect(ui_->cmdMenu, &QPushButton::clicked, this, &FrmQuill::BackToMenu);
    ui_->txtSearch->installEventFilter(this);
    connect(ui_->txtSearch, &QLineEdit::returnPressed, this, &FrmQuill::ClickDefaultButton);

    // Load: simple mode, idle state.
    ui_->txtSearch->setEnabled(true);
    editor_->SetSimpleMode(true);
    ui_->chkSearch->setChecked(false);
    ui_->fraSearch->setFixedHeight(kSimpleFrameHeight);
    ui_->lblLoading->setText(QString());
    ui_->chkSearch->setText(kAdvancedCaption);
    ui_->pgrBar->setValue(0);
    ui_->pgrBar->hide();
    if (QPushButton* cancel = editor_->CancelButton()) cancel->hide();
    ui_->lblStatus->hide();
    ui_->fraResults->setEnabled(false);
    ui_->optSummary->setChecked(true);
    ShowResultView();
    SetWindowHeight(kIdleHeight);

    // The options window is loaded with this one, hidden, with its policy
    // defaults selected.
    FrmOptions* options = nullptr;
    if (ctx_.windows && ctx_.windows->IsRegistered(win::Options))
        options = qobject_cast<FrmOptions*>(ctx_.windows->Load(win::Options));
    if (!options) {
        ownOptions_ = std::make_unique<FrmOptions>();
        options = ownOptions_.get();
    }
    options->SelectDefaults();
    connect(options, &FrmOptions::AccessionModeClicked, this, &FrmQuill::SetAccessionMode);

    // The buttons follow the accession switch as the options window keeps it
    // (it survives this window when the user went on to IGTC processing).
    SetAccessionMode(options->AccessionMode());
}

FrmQuill::~FrmQuill() {
    // The editor's Cancel button lives in this window's progress row; it goes
    // with the editor.
    engine_.reset();
    loader_.reset();
}

FrmOptions* FrmQuill::Options() const {
    if (ownOptions_) return ownOptions_.get();
    if (ctx_.windows) return ctx_.windows->As<FrmOptions>(win::Options);
    return nullptr;
}

QString FrmQuill::BoxText(const QPlainTextEdit* box) {
    return WithCrLfLines(box->document()->toRawText());
}

void FrmQuill::SetWindowHeight(int height) {
    // Never taller than the screen's free area (a small screen, or a large
    // scale factor); the layout's minimum keeps every control usable.
    const QScreen* screen = this->screen();
    if (screen) {
        const int frame = qMax(0, frameGeometry().height() - geometry().height());
        height = qMin(height, screen->availableGeometry().height() - frame);
    }
    height = qMax(height, minimumSizeHint().height());
    resize(width(), height);
}

void FrmQuill::FocusTermEntry() {
    // The next term can be typed at once: the term box in simple mode, the
    // Add box of the list in advanced mode.
    QLineEdit* box = ui_->chkSearch->isChecked() ? editor_->AddBox() : ui_->txtSearch;
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
}

bool FrmQuill::eventFilter(QObject* watched, QEvent* event) {
    // Entering the one-term box selects its whole text, so typing replaces it.
    if (watched == ui_->txtSearch && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, ui_->txtSearch, [box = ui_->txtSearch] { box->selectAll(); });
    return QWidget::eventFilter(watched, event);
}

void FrmQuill::ClickDefaultButton() {
    if (running_) return;
    for (QPushButton* button : {ui_->cmdSearch, ui_->cmdSearchAccession}) {
        if (button->isDefault() && button->isVisible() && button->isEnabled()) {
            button->click();
            return;
        }
    }
}

void FrmQuill::keyPressEvent(QKeyEvent* event) {
    // Enter acts on the window's default button, the search button of the
    // current mode. The one-line boxes answer Enter themselves (the term box
    // searches, the Add box adds) and the result texts keep the key.
    QWidget* focus = focusWidget();
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && focus && !qobject_cast<QLineEdit*>(focus) &&
        !qobject_cast<QPlainTextEdit*>(focus)) {
        ClickDefaultButton();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FrmQuill::closeEvent(QCloseEvent* event) {
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
    // The close box leads back to the menu like cmdMenu.
    if (ctx_.windows && ctx_.windows->IsRegistered(win::Menu)) {
        event->ignore();
        QTimer::singleShot(0, this, &FrmQuill::BackToMenu);
        return;
    }
    event->accept();
}

void FrmQuill::SwitchSearchMode() {
    if (ui_->chkSearch->text() == kAdvancedCaption) {
        ui_->txtSearch->setEnabled(false);
        editor_->SetSimpleMode(false);
        ui_->fraSearch->setFixedHeight(kAdvancedFrameHeight);
        ui_->chkSearch->setText(kSimpleCaption);
    } else {
        ui_->txtSearch->setEnabled(true);
        editor_->SetSimpleMode(true);
        ui_->fraSearch->setFixedHeight(kSimpleFrameHeight);
        ui_->chkSearch->setText(kAdvancedCaption);
    }
}

void FrmQuill::SetAccessionMode(bool on) {
    accessionMode_ = on;
    ui_->cmdSearchAccession->setVisible(on);
    ui_->cmdSearchAccession->setEnabled(on);
    ui_->cmdSearchAccession->setDefault(on);
    ui_->cmdPrintAccession->setVisible(on);
    ui_->cmdSearch->setVisible(!on);
    ui_->cmdSearch->setEnabled(!on);
    ui_->cmdSearch->setDefault(!on);
    ui_->cmdPrint->setVisible(!on);
}

void FrmQuill::ShowOptions() {
    FrmOptions* options = Options();
    if (!options) return;
    options->adjustSize();
    const QPoint centre = mapToGlobal(rect().center());
    options->move(centre - QPoint(options->width() / 2, options->height() / 2));
    options->exec();
}

bool FrmQuill::PrepareTerms(int limit, bool slashesToSpaces) {
    const bool simple = !ui_->chkSearch->isChecked();
    if (simple) {
        editor_->ClearTerms();
        ui_->txtSearch->setFocus();
        ui_->txtSearch->selectAll();
    }
    ui_->pgrBar->setValue(0);
    if (QPushButton* cancel = editor_->CancelButton()) cancel->hide();

    if (simple) {
        const QString text = ui_->txtSearch->text();
        if (text.isEmpty()) {
            Platform::Message(this, QStringLiteral("Search box is empty"),
                              QStringLiteral("Search empty"), Icon::Exclamation);
            return false;
        }
        editor_->ClearTerms();
        editor_->AddTerm(slashesToSpaces ? SlashesToSpaces(text) : text);
        return true;
    }
    if (editor_->Count() == 0) {
        Platform::Message(this, QStringLiteral("Listbox is empty"), QStringLiteral("Listbox empty"),
                          Icon::Exclamation);
        return false;
    }
    if (editor_->Count() > limit) {
        const QString question = QStringLiteral("Searching for less than ") + Num(limit) +
                                 QStringLiteral(" terms is recommended.  Do you want to continue?");
        if (!Platform::AskYesNo(this, question, QStringLiteral("Continue?"), Icon::Exclamation))
            return false;
    }
    return true;
}

void FrmQuill::SearchUniGene() {
    if (running_) return;
    engine_->BeginUniGeneRun();
    if (!PrepareTerms(40, false)) return;
    engine_->RunUniGene(editor_->Terms());
}

void FrmQuill::SearchAccession() {
    if (running_) return;
    engine_->BeginAccessionRun();
    if (!PrepareTerms(100, true)) return;
    engine_->RunAccession(editor_->Terms());
}

void FrmQuill::ShowResultView() {
    const bool summary = ui_->optSummary->isChecked();
    const bool dna = ui_->optDNA->isChecked();
    if (summary) {
        ui_->txtcDNA->hide();
        ui_->txtSummary->show();
    } else if (dna) {
        ui_->txtSummary->hide();
        ui_->txtcDNA->show();
    }
}

void FrmQuill::EnterRunning() {
    running_ = true;
    ui_->pgrBar->setValue(0);
    ui_->pgrBar->show();
    ui_->lblLoading->setText(QStringLiteral("Searching..."));
    ui_->fraSearch->setEnabled(false);
    ui_->fraResults->setEnabled(false);
    ui_->cmdMenu->setEnabled(false);
    ctx_.module.CancelSearch = false;
    if (QPushButton* cancel = editor_->CancelButton()) {
        cancel->show();
        cancel->setEnabled(true);
    }
    status_->SetRunLine(QString());
    ui_->lblStatus->show();
    idleHeight_ = height();
    SetWindowHeight(idleHeight_ + ui_->lblStatus->height() + layout()->spacing());
}

void FrmQuill::SetStatusLine(const QString& text) {
    status_->SetRunLine(text);
}

void FrmQuill::PageProblem(const QString& text) {
    status_->ShowProblem(text);
}

void FrmQuill::AddProgress(int units) {
    ui_->pgrBar->setValue(qBound(0, ui_->pgrBar->value() + units, 1000));
}

void FrmQuill::LeaveRunning() {
    ui_->pgrBar->hide();
    ui_->fraSearch->setEnabled(true);
    ui_->cmdMenu->setEnabled(true);
    if (QPushButton* cancel = editor_->CancelButton()) cancel->hide();
    status_->SetRunLine(QString());
    ui_->lblStatus->hide();
    SetWindowHeight(idleHeight_);
    running_ = false;
    FocusTermEntry();
}

void FrmQuill::EndCanceled() {
    ui_->lblLoading->setText(QStringLiteral("Search canceled"));
    LeaveRunning();
}

void FrmQuill::EndComplete(const QString& summary, const QString& cdna) {
    ui_->lblLoading->setText(QStringLiteral("Search complete"));
    SetBoxText(ui_->txtSummary, summary);
    SetBoxText(ui_->txtcDNA, cdna);
    ui_->optSummary->setChecked(true);
    ShowResultView();
    ui_->fraResults->setEnabled(true);
    LeaveRunning();
}

int FrmQuill::Choose(const ChoiceTable& table) {
    ChoiceDialog dialog(table, this);
    dialog.adjustSize();
    const QPoint centre = mapToGlobal(rect().center());
    dialog.move(centre - QPoint(dialog.width() / 2, dialog.height() / 2));
    const int picked = dialog.Ask();
    if (picked < 0) ctx_.module.CancelSearch = true;
    return picked;
}

void FrmQuill::Save() {
    const QString path = Platform::SaveFileName(this, QStringLiteral("Text Files (*.txt)|*.txt"));
    if (path.isEmpty()) return;
    const WriteResult result =
        WriteQuotedItems(path, {BoxText(ui_->txtSummary), BoxText(ui_->txtcDNA)});
    if (!result.ok) {
        Platform::Message(this,
                          QStringLiteral("The results could not be saved to ") + path +
                              QStringLiteral(".\n\n") + result.error,
                          QStringLiteral("Save"), Icon::Exclamation);
    }
}

void FrmQuill::OpenIgtc() {
    editor_->CloseActiveWorkbook();
    const QString cdna = BoxText(ui_->txtcDNA);
    const int p = cdna.indexOf(QLatin1Char('>'));
    if (p >= 0) Platform::SetClipboardText(cdna.mid(p));
    Platform::OpenUrlOrShow(this, ctx_.settings.IgtcBlastPage(), QStringLiteral("Open IGTC"));
}

void FrmQuill::ProcessIgtc() {
    if (!ctx_.windows || !ctx_.windows->IsRegistered(win::Igtc)) {
        Platform::Message(this, QStringLiteral("IGTC processing is not available."),
                          QStringLiteral("Process IGTC"), Icon::Exclamation);
        return;
    }
    leaving_ = true;
    ctx_.windows->Show(win::Igtc);
    ctx_.windows->Unload(win::Quill);
}

void FrmQuill::BackToMenu() {
    if (running_) return;
    editor_->CloseActiveWorkbook();
    leaving_ = true;
    if (!ctx_.windows) {
        close();
        return;
    }
    ctx_.windows->Unload(win::Options);
    ctx_.windows->Unload(win::Quill);
    ctx_.windows->Show(win::Menu);
}

void FrmQuill::cmdPrint_Click() {
    PrintResults(false);
}

void FrmQuill::cmdPrintAccession_Click() {
    PrintResults(true);
}

void FrmQuill::PrintResults(bool accession) {
    // The printer shows its own messages when the printout cannot be made.
    if (ui_->optSummary->isChecked()) {
        if (!Platform::AskYesNo(this, QStringLiteral("Ok to print summary?"),
                                QStringLiteral("Print"), Icon::Question))
            return;
        QString title;
        while (title.isEmpty())
            title = Platform::Input(this, QStringLiteral("Enter title of search:"),
                                    QStringLiteral("Title"));
        const std::unique_ptr<Printer> printer = OpenPrinter(this, ctx_.settings);
        const SearchResults& results = engine_->Results();
        const int termCount = ctx_.module.TermCount;
        if (accession)
            PrintAccessionReport(*printer, results, termCount, title, Now());
        else
            PrintSearchReport(*printer, results, optionsReader_->Current(), termCount, title,
                              Now());
    } else if (ui_->optDNA->isChecked()) {
        if (!Platform::AskYesNo(this, QStringLiteral("Ok to print DNA?"), QStringLiteral("Print"),
                                Icon::Question))
            return;
        const std::unique_ptr<Printer> printer = OpenPrinter(this, ctx_.settings);
        PrintPlainText(*printer, BoxText(ui_->txtcDNA));
    }
}

QWidget* CreateFrmQuill(AppContext& ctx) {
    return new FrmQuill(ctx);
}

}  // namespace quill::ui
