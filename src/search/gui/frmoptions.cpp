#include "search/gui/frmoptions.h"

#include <QFont>
#include <QSettings>

#include "ui_frmoptions.h"
#include "widgets/appcontext.h"

namespace quill::ui {

namespace {

const QString kEmailKey = QStringLiteral("eutils/email");
const QString kApiKeyKey = QStringLiteral("eutils/apiKey");

std::unique_ptr<QSettings> UserSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Quillfish"), QStringLiteral("Quillfish"));
}

}  // namespace

FrmOptions::FrmOptions(AppContext* ctx, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::frmOptions>()),
      ctx_(ctx),
      environmentKey_(Settings::ApiKeyFromEnvironment()) {
    ui_->setupUi(this);
    QFont title = ui_->Label1->font();
    title.setPointSizeF(title.pointSizeF() * 1.4);
    title.setBold(true);
    ui_->Label1->setFont(title);
    setModal(true);

    // OK only hides the window; the choices stay in force.
    connect(ui_->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->chkAccession, &QCheckBox::clicked, this, &FrmOptions::AccessionModeClicked);

    const std::unique_ptr<QSettings> kept = UserSettings();
    QString email = kept->value(kEmailKey).toString();
    if (email.isEmpty() && ctx_) email = ctx_->settings.EutilsEmail;
    ui_->txtEmail->setText(email);
    ui_->txtApiKey->setText(kept->value(kApiKeyKey).toString());
    if (!environmentKey_.isEmpty())
        ui_->txtApiKey->setPlaceholderText(QStringLiteral("the key of NCBI_API_KEY"));
    if (ctx_ && ctx_->settings.Source == Settings::SequenceSource::UniGene)
        ui_->optSourceUniGene->setChecked(true);
    Apply();

    connect(ui_->optSourceEutils, &QRadioButton::toggled, this, [this] {
        Apply();
        emit SourceChanged();
    });
    connect(ui_->txtEmail, &QLineEdit::textEdited, this, [this] {
        emailEdited_ = true;
        Apply();
    });
    connect(ui_->txtApiKey, &QLineEdit::textEdited, this, [this] {
        keyEdited_ = true;
        Apply();
    });
}

FrmOptions::~FrmOptions() {
    Keep();
}

SearchPolicy FrmOptions::Policy() const {
    SearchPolicy p;
    p.species =
        ui_->optHs->isChecked() ? SearchPolicy::Species::Human : SearchPolicy::Species::Mouse;
    p.optAuto = ui_->optAuto->isChecked();
    p.optAutoOne = ui_->optAutoOne->isChecked();
    p.optESTPrompt = ui_->optESTPrompt->isChecked();
    p.optESTSkip = ui_->optESTSkip->isChecked();
    p.optAutoOneEST = ui_->optAutoOneEST->isChecked();
    return p;
}

bool FrmOptions::AccessionMode() const {
    return ui_->chkAccession->isChecked();
}

Settings::SequenceSource FrmOptions::Source() const {
    return ui_->optSourceUniGene->isChecked() ? Settings::SequenceSource::UniGene
                                              : Settings::SequenceSource::Eutils;
}

QString FrmOptions::Email() const {
    return ui_->txtEmail->text().trimmed();
}

QString FrmOptions::ApiKey() const {
    const QString typed = ui_->txtApiKey->text().trimmed();
    return typed.isEmpty() ? environmentKey_ : typed;
}

void FrmOptions::SelectDefaults() {
    ui_->optAuto->setChecked(true);
    ui_->optESTPrompt->setChecked(true);
    ui_->optAutoOne->setChecked(true);
    ui_->optAutoOneEST->setChecked(true);
}

QString FrmOptions::UserSettingsFile() {
    return UserSettings()->fileName();
}

void FrmOptions::Apply() {
    if (!ctx_) return;
    ctx_->settings.Source = Source();
    ctx_->settings.EutilsEmail = Email();
    ctx_->settings.EutilsApiKey = ApiKey();
}

// Only what the user typed is kept: neither the command line's address nor
// the environment's key go into the file.
void FrmOptions::Keep() {
    if (!emailEdited_ && !keyEdited_) return;
    const std::unique_ptr<QSettings> kept = UserSettings();
    if (emailEdited_) kept->setValue(kEmailKey, Email());
    if (keyEdited_) kept->setValue(kApiKeyKey, ui_->txtApiKey->text().trimmed());
    emailEdited_ = keyEdited_ = false;
}

void FrmOptions::hideEvent(QHideEvent* event) {
    Keep();
    QDialog::hideEvent(event);
}

QWidget* CreateFrmOptions(AppContext& ctx) {
    return new FrmOptions(&ctx);
}

}  // namespace quill::ui
