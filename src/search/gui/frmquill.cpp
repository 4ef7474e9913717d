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
#include "widgets/runwindow.h"
#include "widgets/termlisteditor.h"

namespace quill::ui {

namespace {

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

    ui_->txtcDNA->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ui_->txtSummary->setTabStopDistance(
        4 * ui_->txtSummary->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    ui_->txtSummary->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    ui_->lblStatus->setFixedHeight(kRunHeight - kIdleHeight);

    // Shared with the expression-profile window: the term list editor, the
    // page loader, the status line, the mode switch, the run states and the
    // back button (which unloads the options window too). A run adds the
    // status line to the height the window has, which the user may change.
    run_ = std::make_unique<RunWindow>(
        this, RunWindow::ControlsOf(*ui_), ctx_,
        RunWindow::Setup{.name = win::Quill,
                         .variant = TermListEditor::Variant::Quill,
                         .alsoUnload = {win::Options},
                         .fitHeight = [this](bool running) {
                             if (running) {
                                 idleHeight_ = height();
                                 SetWindowHeight(idleHeight_ + ui_->lblStatus->height() +
                                                 layout()->spacing());
                             } else {
                                 SetWindowHeight(idleHeight_);
                             }
                         }});
    run_->Editor()->SetAccessionModeQuery([this] {
        const FrmOptions* options = Options();
        return options && options->AccessionMode();
    });

    optionsReader_ = std::make_unique<OptionsReader>(*this);
    engine_ =
        std::make_unique<SearchEngine>(ctx_.module, ctx_.settings, run_->Loader(), *optionsReader_,
                                       static_cast<Chooser&>(*this), static_cast<RunView&>(*this));

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
    ui_->txtSearch->installEventFilter(this);
    connect(ui_->txtSearch, &QLineEdit::returnPressed, this, &FrmQuill::ClickDefaultButton);

    // Load: simple mode, idle state (the shared controls are set already).
    ui_->optSummary->setChecked(true);
    ShowResultView();
    SetWindowHeight(kIdleHeight);

    // The options window is loaded with this one, hidden, with its policy
    // defaults selected.
    FrmOptions* options = nullptr;
    if (ctx_.windows && ctx_.windows->IsRegistered(win::Options))
        options = qobject_cast<FrmOptions*>(ctx_.windows->Load(win::Options));
    if (!options) {
        ownOptions_ = std::make_unique<FrmOptions>(&ctx_);
        options = ownOptions_.get();
    }
    options->SelectDefaults();
    connect(options, &FrmOptions::AccessionModeClicked, this, &FrmQuill::SetAccessionMode);
    connect(options, &FrmOptions::SourceChanged, this, &FrmQuill::ShowSource);
    ShowSource();

    // The buttons follow the accession switch as the options window keeps it
    // (it survives this window when the user went on to IGTC processing).
    SetAccessionMode(options->AccessionMode());
}

FrmQuill::~FrmQuill() {
    // The editor's Cancel button lives in this window's progress row; it goes
    // with the editor.
    engine_.reset();
    run_.reset();
}

bool FrmQuill::IsRunning() const {
    return run_->IsRunning();
}

TermListEditor* FrmQuill::Editor() const {
    return run_->Editor();
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

bool FrmQuill::eventFilter(QObject* watched, QEvent* event) {
    // Entering the one-term box selects its whole text, so typing replaces it.
    if (watched == ui_->txtSearch && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, ui_->txtSearch, [box = ui_->txtSearch] { box->selectAll(); });
    return QWidget::eventFilter(watched, event);
}

void FrmQuill::ClickDefaultButton() {
    if (run_->IsRunning()) return;
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
    run_->Close(event);
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

void FrmQuill::ShowSource() {
    const FrmOptions* options = Options();
    const bool archive = options && options->Source() == Settings::SequenceSource::UniGene;
    ui_->lblSource->setText(archive
                                ? QStringLiteral("Looks terms up on the UniGene archive pages")
                                : QStringLiteral("Looks terms up at today's NCBI (E-utilities)"));
}

void FrmQuill::ShowOptions() {
    FrmOptions* options = Options();
    if (!options) return;
    CentreOver(options, this);
    options->exec();
}

bool FrmQuill::PrepareTerms(int limit, bool slashesToSpaces) {
    TermListEditor* editor = run_->Editor();
    // In simple mode the list is emptied and the box's text selected before
    // the box is checked.
    if (!run_->Advanced()) {
        editor->ClearTerms();
        ui_->txtSearch->setFocus();
        ui_->txtSearch->selectAll();
    }
    ui_->pgrBar->setValue(0);
    if (QPushButton* cancel = editor->CancelButton()) cancel->hide();

    if (!run_->TakeTerms(slashesToSpaces ? &SlashesToSpaces : nullptr)) return false;
    // A simple-mode search is one term; a long list asks first.
    if (editor->Count() > limit) {
        const QString question = QStringLiteral("Searching for less than ") + Num(limit) +
                                 QStringLiteral(" terms is recommended.  Do you want to continue?");
        if (!Platform::AskYesNo(this, question, QStringLiteral("Continue?"), Icon::Exclamation))
            return false;
    }
    return true;
}

void FrmQuill::SearchUniGene() {
    if (run_->IsRunning()) return;
    engine_->BeginUniGeneRun();
    if (!PrepareTerms(40, false)) return;
    engine_->RunUniGene(run_->Editor()->Terms());
}

void FrmQuill::SearchAccession() {
    if (run_->IsRunning()) return;
    engine_->BeginAccessionRun();
    if (!PrepareTerms(100, true)) return;
    engine_->RunAccession(run_->Editor()->Terms());
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
    // Unlike the expression-profile window, the results frame is disabled for
    // the run, and the run starts with the cancel flag down.
    ui_->fraResults->setEnabled(false);
    ctx_.module.CancelSearch = false;
    run_->EnterRunning();
}

void FrmQuill::SetStatusLine(const QString& text) {
    run_->SetStatusLine(text);
}

void FrmQuill::PageProblem(const QString& text) {
    run_->PageProblem(text);
}

void FrmQuill::AddProgress(int units) {
    run_->AddProgress(units);
}

void FrmQuill::EndCanceled() {
    run_->EndCanceled();
}

void FrmQuill::EndComplete(const QString& summary, const QString& cdna) {
    SetBoxText(ui_->txtSummary, summary);
    SetBoxText(ui_->txtcDNA, cdna);
    ui_->optSummary->setChecked(true);
    ShowResultView();
    run_->EndComplete();
}

int FrmQuill::Choose(const ChoiceTable& table) {
    ChoiceDialog dialog(table, this);
    CentreOver(&dialog, this);
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
    run_->Editor()->CloseActiveWorkbook();
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
    run_->LeaveFor(win::Igtc);
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
