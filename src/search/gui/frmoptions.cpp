#include "search/gui/frmoptions.h"

#include <QFont>

#include "ui_frmoptions.h"
#include "widgets/appcontext.h"

namespace quill::ui {

FrmOptions::FrmOptions(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::frmOptions>()) {
    ui_->setupUi(this);
    QFont title = ui_->Label1->font();
    title.setPointSizeF(title.pointSizeF() * 1.4);
    title.setBold(true);
    ui_->Label1->setFont(title);
    setModal(true);

    // OK only hides the window; the choices stay in force.
    connect(ui_->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->chkAccession, &QCheckBox::clicked, this, &FrmOptions::AccessionModeClicked);
}

FrmOptions::~FrmOptions() = default;

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

void FrmOptions::SelectDefaults() {
    ui_->optAuto->setChecked(true);
    ui_->optESTPrompt->setChecked(true);
    ui_->optAutoOne->setChecked(true);
    ui_->optAutoOneEST->setChecked(true);
}

QWidget* CreateFrmOptions(AppContext&) {
    return new FrmOptions();
}

}  // namespace quill::ui
