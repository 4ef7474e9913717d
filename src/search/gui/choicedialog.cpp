#include "search/gui/choicedialog.h"

#include <QListWidget>

#include "ui_choicedialog.h"

namespace quill::ui {

QString ChoiceDialog::NameFor(ChoiceTable::Kind kind) {
    return kind == ChoiceTable::Kind::Est ? QStringLiteral("frmEST")
                                          : QStringLiteral("frmSequence");
}

ChoiceDialog::ChoiceDialog(const ChoiceTable& table, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ChoiceDialog>()), table_(table) {
    ui_->setupUi(this);
    setObjectName(NameFor(table.kind));
    setModal(true);

    ui_->lblPrompt->setTextFormat(Qt::PlainText);
    ui_->lblSequence->setTextFormat(Qt::PlainText);
    ui_->lblPrompt->setText(table_.prompt);
    ui_->lblSequence->clear();
    for (const ChoiceRow& row : table_.rows) ui_->lstSequence->addItem(row.accession);
    if (!table_.rows.isEmpty()) {
        ui_->lstSequence->setCurrentRow(0);
        ShowDescription(0);
    }
    // Nothing to choose from: only Cancel Search is left.
    ui_->cmdChoose->setEnabled(!table_.rows.isEmpty());

    connect(ui_->lstSequence, &QListWidget::currentRowChanged, this,
            &ChoiceDialog::ShowDescription);
    connect(ui_->lstSequence, &QListWidget::itemDoubleClicked, this, &ChoiceDialog::Choose);
    connect(ui_->cmdChoose, &QPushButton::clicked, this, &ChoiceDialog::Choose);
    connect(ui_->cmdCancel, &QPushButton::clicked, this, &ChoiceDialog::reject);
}

ChoiceDialog::~ChoiceDialog() = default;

int ChoiceDialog::Ask() {
    picked_ = -1;
    exec();
    return picked_;
}

void ChoiceDialog::ShowDescription(int row) {
    if (row >= 0 && row < table_.rows.size())
        ui_->lblSequence->setText(table_.rows[row].description);
    else
        ui_->lblSequence->clear();
}

void ChoiceDialog::Choose() {
    const int row = ui_->lstSequence->currentRow();
    if (row < 0 || row >= table_.rows.size()) return;  // no selection: keep waiting
    picked_ = row;
    accept();
}

void ChoiceDialog::reject() {
    picked_ = -1;
    QDialog::reject();
}

}  // namespace quill::ui
