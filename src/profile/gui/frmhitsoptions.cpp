#include "profile/gui/frmhitsoptions.h"

#include <QFont>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>

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
    list->addItems(entries);
    for (int k : selected) list->item(k)->setSelected(true);
}

QStringList SelectedInOrder(const QListWidget* list) {
    QStringList out;
    for (int k = 0; k < list->count(); ++k)
        if (list->item(k)->isSelected()) out << list->item(k)->text();
    return out;
}

}  // namespace

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
