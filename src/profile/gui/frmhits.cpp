#include "profile/gui/frmhits.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "printing/gui/qtprinter.h"
#include "profile/gui/frmhitsoptions.h"
#include "text/quotedfile.h"
#include "text/textrules.h"
#include "ui_frmhits.h"
#include "web/webpageloader.h"
#include "widgets/appcontext.h"
#include "widgets/navigator.h"
#include "widgets/platform.h"
#include "widgets/runwindow.h"
#include "widgets/termlisteditor.h"

namespace quill::ui {

namespace {

// Without tables and without a server for the archive's pages.
const QString kNoProfilesMessage = QStringLiteral(
    "There are no expression profiles to screen on. Choose a mouse or human expression "
    "table under Search Options (Expression tables).\n\nThe EST profile pages were retired "
    "from NCBI in 2019; they are read only from a server given with --ncbi-server, or from "
    "the sample pages when the program is started with --demo.");

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
    ScreeningTables Tables() const override {
        const FrmHitsOptions* options = owner_.Options();
        return options ? options->Tables() : ScreeningTables();
    }

  private:
    const FrmHits& owner_;
};

FrmHits::FrmHits(AppContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui_(std::make_unique<Ui::frmHits>()) {
    ui_->setupUi(this);
    ui_->txtResults->setTabStopDistance(
        4 * ui_->txtResults->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    // The report is what Save writes: it can be read, selected and copied,
    // not edited, and Tab moves on to the next control.
    ui_->txtResults->setReadOnly(true);
    ui_->txtResults->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                             Qt::TextSelectableByKeyboard);
    ui_->txtResults->setTabChangesFocus(true);
    ui_->lblStatus->setFixedHeight(kRunHeight - kIdleHeight);

    // Shared with the search window: the term list editor, the page loader,
    // the status line, the mode switch, the run states and the back button
    // (the criteria window stays loaded). The window has fixed heights.
    run_ = std::make_unique<RunWindow>(
        this, RunWindow::ControlsOf(*ui_), ctx_,
        RunWindow::Setup{.name = win::Hits,
                         .variant = TermListEditor::Variant::Hits,
                         .alsoUnload = {},
                         .fitHeight = [this](bool running) {
                             SetWindowHeight(running ? kRunHeight : kIdleHeight);
                         }});

    criteria_ = std::make_unique<CriteriaReader>(*this);
    engine_ = std::make_unique<ScreeningEngine>(ctx_.module, ctx_.settings, run_->Loader(),
                                                *criteria_, static_cast<ScreeningView&>(*this));

    connect(ui_->cmdOptions, &QPushButton::clicked, this, &FrmHits::cmdOptions_Click);
    connect(ui_->cmdSearch, &QPushButton::clicked, this, &FrmHits::ScreeningRun);
    connect(ui_->cmdPrint, &QPushButton::clicked, this, &FrmHits::cmdPrint_Click);
    connect(ui_->cmdSave, &QPushButton::clicked, this, &FrmHits::cmdSave_Click);
    connect(ui_->txtSearch, &QLineEdit::returnPressed, this, [this] {
        if (!run_->IsRunning()) ui_->cmdSearch->click();
    });

    // Load: simple mode, idle state (the shared controls are set already).
    SetWindowHeight(kIdleHeight);

    // The criteria window is loaded hidden; when it is loaded already it
    // keeps its settings.
    if (ctx_.windows && ctx_.windows->IsRegistered(win::HitsOptions))
        ctx_.windows->Load(win::HitsOptions);
    if (!Options()) ownOptions_ = std::make_unique<FrmHitsOptions>();
}

FrmHits::~FrmHits() {
    engine_.reset();
    run_.reset();
}

bool FrmHits::IsRunning() const {
    return run_->IsRunning();
}

TermListEditor* FrmHits::Editor() const {
    return run_->Editor();
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
    run_->Close(event);
}

void FrmHits::cmdOptions_Click() {
    FrmHitsOptions* options = Options();
    if (!options) return;
    if (!options->isVisible()) CentreOver(options, this);
    options->show();
    options->raise();
    options->activateWindow();
}

void FrmHits::ScreeningRun() {
    if (run_->IsRunning() || !run_->TakeTerms()) return;
    // The thresholds as the criteria window's OK would check them, whether
    // or not the user pressed OK.
    const ScreeningCriteria criteria = criteria_->Criteria();
    if (const std::optional<QString> problem =
            CriteriaProblem(criteria.txtAbundance, criteria.txtTissue)) {
        Platform::Message(this, *problem, kInvalidValueTitle, Icon::Exclamation);
        return;
    }
    // The tables the criteria window names, read; a table that cannot be
    // read stops the run.
    if (FrmHitsOptions* options = Options()) {
        if (const std::optional<QString> problem = options->ReadTables()) {
            Platform::Message(this, *problem, QStringLiteral("Expression table"),
                              Icon::Exclamation);
            return;
        }
    }
    const ScreeningTables tables = criteria_->Tables();
    if (!tables.Any() && !HasArchiveServer(ctx_.settings)) {
        Platform::Message(this, kNoProfilesMessage, QStringLiteral("No expression profiles"),
                          Icon::Exclamation);
        return;
    }
    if (const std::optional<QString> problem = RunTissueProblem(criteria_->Tissues(), tables)) {
        Platform::Message(this,
                          *problem + QStringLiteral(". Select at least one tissue of each "
                                                    "species under Search Options."),
                          QStringLiteral("No tissue selected"), Icon::Exclamation);
        return;
    }
    engine_->Run(run_->Editor()->Terms());
}

void FrmHits::EnterRunning() {
    run_->EnterRunning();
}

void FrmHits::SetStatusLine(const QString& text) {
    run_->SetStatusLine(text);
}

void FrmHits::PageProblem(const QString& text) {
    run_->PageProblem(text);
}

void FrmHits::AddProgress(int units) {
    run_->AddProgress(units);
}

void FrmHits::EndCanceled() {
    run_->EndCanceled();
}

void FrmHits::EndComplete(const QString& report) {
    QString shown = report;
    shown.replace(kCrLf, QStringLiteral("\n"));
    ui_->txtResults->setPlainText(shown);
    run_->EndComplete();
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

QWidget* CreateFrmHits(AppContext& ctx) {
    return new FrmHits(ctx);
}

}  // namespace quill::ui
