#include "profile/gui/frmhitsoptions.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>

#include "ui_frmhitsoptions.h"
#include "widgets/appcontext.h"
#include "widgets/platform.h"

namespace quill::ui {

namespace {

// A small picture of the body-site table of an expression profile, with the
// three columns the screening reads.
QPixmap SampleProfilePicture() {
    const QStringList rows[] = {{"Body Site", "TPM", "Gene EST / Total"},
                                {"brain", "91", "88 / 961104"},
                                {"eye", "8", "2 / 229411"},
                                {"female genital", "157", "31 / 196781"},
                                {"testis", "1042", "212 / 203368"}};
    const int widths[] = {96, 44, 110};
    const int rowHeight = 17;
    QPixmap picture(252, rowHeight * 5 + 2);
    picture.fill(Qt::white);
    QPainter p(&picture);
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
    for (int r = 0; r < 5; ++r) {
        const int y = 1 + r * rowHeight;
        if (r == 0) p.fillRect(1, y, 250, rowHeight, QColor(0x33, 0x66, 0x99));
        p.setPen(r == 0 ? Qt::white : (r == 4 ? QColor(0x99, 0, 0) : Qt::black));
        font.setBold(r == 0);
        p.setFont(font);
        int x = 1;
        for (int c = 0; c < 3; ++c) {
            const Qt::Alignment align =
                (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter;
            p.drawText(QRect(x + 3, y, widths[c] - 6, rowHeight), align, rows[r][c]);
            x += widths[c];
        }
        p.setPen(QColor(0xcc, 0xcc, 0xcc));
        p.drawLine(1, y + rowHeight - 1, 250, y + rowHeight - 1);
    }
    p.setPen(Qt::gray);
    p.drawRect(0, 0, picture.width() - 1, picture.height() - 1);
    return picture;
}

void Fill(QListWidget* list, const QStringList& entries, const QList<int>& selected) {
    list->clear();
    list->addItems(entries);
    for (int k : selected) list->item(k)->setSelected(true);
}

const QString kTableFilter =
    QStringLiteral("Expression tables|*.tsv;*.gct;*.txt;*.gz;*.zip|All files|*");

QStringList SelectedInOrder(const QListWidget* list) {
    QStringList out;
    for (int k = 0; k < list->count(); ++k)
        if (list->item(k)->isSelected()) out << list->item(k)->text();
    return out;
}

}  // namespace

const QString FrmHitsOptions::kMouseTableKey = QStringLiteral("ExpressionTables/mouse");
const QString FrmHitsOptions::kHumanTableKey = QStringLiteral("ExpressionTables/human");

// One species' file field, its list and the table read.
struct FrmHitsOptions::TableField {
    TableField(QLineEdit* edit, QListWidget* list, QLabel* heading, const QStringList& tissues,
               const QList<int>& selection, const QString& key)
        : edit(edit),
          list(list),
          heading(heading),
          headingText(heading->text()),
          archiveTissues(tissues),
          archiveSelection(selection),
          key(key) {}

    QLineEdit* edit;
    QListWidget* list;
    QLabel* heading;
    QString headingText;  // the list's heading without a table
    const QStringList& archiveTissues;
    const QList<int>& archiveSelection;
    QString key;
    QString path;  // the file last read or tried ("" for none)
    std::shared_ptr<const ExpressionTable> table;
    QString error;  // why the file could not be read
};

FrmHitsOptions::FrmHitsOptions(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::frmHitsOptions>()) {
    ui_->setupUi(this);
    setModal(false);
    QFont heading = ui_->Label1->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.2);
    ui_->Label1->setFont(heading);
    ui_->Image1->setPixmap(SampleProfilePicture());

    // The abundance box stands in the gap that the label's caption leaves
    // before its "%".
    const QString caption = ui_->Label3->text();
    const QString before = caption.left(caption.indexOf(QStringLiteral("  ")) + 1);
    const QString gap = caption.mid(before.size(), caption.size() - before.size() - 1);
    const QFontMetrics metrics(ui_->Label3->font());
    ui_->txtAbundance->setParent(ui_->Label3);
    ui_->txtAbundance->setGeometry(metrics.horizontalAdvance(before), 0,
                                   metrics.horizontalAdvance(gap),
                                   ui_->Label3->sizeHint().height());
    ui_->txtAbundance->show();
    ui_->Label3->setMinimumHeight(ui_->txtAbundance->sizeHint().height());
    ui_->txtAbundance->setFixedHeight(ui_->txtAbundance->sizeHint().height());

    connect(ui_->cmdDefault, &QPushButton::clicked, this, &FrmHitsOptions::cmdDefault_Click);
    connect(ui_->cmdOK, &QPushButton::clicked, this, &FrmHitsOptions::cmdOK_Click);

    // Load.
    Fill(ui_->lstTissue, MouseTissues(), DefaultMouseSelection());
    Fill(ui_->lstHumanTissue, HumanTissues(), DefaultHumanSelection());
    cmdDefault_Click();

    mouse_ = std::make_unique<TableField>(ui_->txtMouseTable, ui_->lstTissue, ui_->Label6,
                                          MouseTissues(), DefaultMouseSelection(), kMouseTableKey);
    human_ = std::make_unique<TableField>(ui_->txtHumanTable, ui_->lstHumanTissue, ui_->Label8,
                                          HumanTissues(), DefaultHumanSelection(), kHumanTableKey);
    const QSettings kept;
    for (TableField* field : {mouse_.get(), human_.get()}) {
        connect(field->edit, &QLineEdit::editingFinished, this, [this, field] {
            if (field->edit->text().trimmed() != field->path) UseTable(*field, true);
        });
        // The tables chosen before: read now, reported only when a run
        // needs them.
        field->edit->setText(kept.value(field->key).toString());
        if (!field->edit->text().trimmed().isEmpty()) UseTable(*field, false);
    }
    connect(ui_->cmdMouseTable, &QPushButton::clicked, this, [this] { ChooseTable(*mouse_); });
    connect(ui_->cmdHumanTable, &QPushButton::clicked, this, [this] { ChooseTable(*human_); });
}

FrmHitsOptions::~FrmHitsOptions() = default;

ScreeningCriteria FrmHitsOptions::Criteria() const {
    ScreeningCriteria c;
    c.chkAbundance = ui_->chkAbundance->isChecked();
    c.chkTissue = ui_->chkTissue->isChecked();
    c.txtAbundance = ui_->txtAbundance->text();
    c.txtTissue = ui_->txtTissue->text();
    return c;
}

TissueSelection FrmHitsOptions::Tissues() const {
    return {SelectedInOrder(ui_->lstTissue), SelectedInOrder(ui_->lstHumanTissue)};
}

ScreeningTables FrmHitsOptions::Tables() const {
    return {mouse_->table, human_->table};
}

std::optional<QString> FrmHitsOptions::ReadTables() {
    for (TableField* field : {mouse_.get(), human_.get()}) {
        if (field->edit->text().trimmed() != field->path || !field->error.isEmpty())
            UseTable(*field, false);
    }
    for (const TableField* field : {mouse_.get(), human_.get()}) {
        if (!field->error.isEmpty()) return field->error;
    }
    return std::nullopt;
}

void FrmHitsOptions::ChooseTable(TableField& field) {
    const QString path = Platform::OpenFileName(this, kTableFilter);
    if (path.isEmpty()) return;
    field.edit->setText(path);
    UseTable(field, true);
}

void FrmHitsOptions::UseTable(TableField& field, bool tell) {
    const QString path = field.edit->text().trimmed();
    QSettings().setValue(field.key, path);
    const bool hadTable = field.table != nullptr;
    field.path = path;
    field.table.reset();
    field.error.clear();
    if (!path.isEmpty()) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        ExpressionTableResult read = ReadExpressionTable(path);
        QGuiApplication::restoreOverrideCursor();
        if (read.ok)
            field.table = std::make_shared<const ExpressionTable>(std::move(read.table));
        else
            field.error = read.error;
    }
    if (field.table) {
        const QStringList& tissues = field.table->Tissues();
        QList<int> selected;
        for (const QString& t : DefaultTableTissues(tissues))
            selected << static_cast<int>(tissues.indexOf(t));
        Fill(field.list, tissues, selected);
        field.heading->setText(field.headingText + QStringLiteral(" (") + field.table->FileName() +
                               QLatin1Char(')'));
    } else if (hadTable) {
        Fill(field.list, field.archiveTissues, field.archiveSelection);
        field.heading->setText(field.headingText);
    }
    if (tell && !field.error.isEmpty())
        Platform::Message(this, field.error, QStringLiteral("Expression table"), Icon::Exclamation);
}

void FrmHitsOptions::cmdDefault_Click() {
    ui_->txtAbundance->setText(kDefaultAbundance);
    ui_->txtTissue->setText(kDefaultTpm);
}

void FrmHitsOptions::cmdOK_Click() {
    if (const std::optional<QString> problem =
            CriteriaProblem(ui_->txtAbundance->text(), ui_->txtTissue->text())) {
        Platform::Message(this, *problem, kInvalidValueTitle, Icon::Exclamation);
        return;
    }
    hide();
}

QWidget* CreateFrmHitsOptions(AppContext&) {
    return new FrmHitsOptions();
}

}  // namespace quill::ui
