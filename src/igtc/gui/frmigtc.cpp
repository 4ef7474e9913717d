#include "igtc/gui/frmigtc.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QTimer>

#include "igtc/blastreports.h"
#include "igtc/igtcparser.h"
#include "igtc/igtcreport.h"
#include "printing/gui/qtprinter.h"
#include "text/quotedfile.h"
#include "text/textrules.h"
#include "ui_frmigtc.h"
#include "widgets/appcontext.h"
#include "widgets/navigator.h"
#include "widgets/platform.h"

namespace quill::ui {

FrmIGTC::FrmIGTC(AppContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui_(std::make_unique<Ui::frmIGTC>()) {
    ui_->setupUi(this);
    QFont title = ui_->Label1->font();
    title.setPointSizeF(title.pointSizeF() * 1.4);
    title.setBold(true);
    ui_->Label1->setFont(title);
    ui_->txtInput->installEventFilter(this);
    // Reports are laid out in columns: show them in a fixed-pitch font. Tab
    // moves on to the next control; pasted tabs stay in the text.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ui_->txtInput->setFont(fixed);
    ui_->txtOutput->setFont(fixed);
    ui_->txtInput->setTabChangesFocus(true);
    connect(ui_->txtCutoff, &QLineEdit::returnPressed, this, &FrmIGTC::cmdProcess_Click);

    connect(ui_->cmdProcess, &QPushButton::clicked, this, &FrmIGTC::cmdProcess_Click);
    connect(ui_->cmdClear, &QPushButton::clicked, this, &FrmIGTC::cmdClear_Click);
    connect(ui_->cmdSave, &QPushButton::clicked, this, &FrmIGTC::cmdSave_Click);
    connect(ui_->cmdPrint, &QPushButton::clicked, this, &FrmIGTC::cmdPrint_Click);
    connect(ui_->cmdOpenIGTC, &QPushButton::clicked, this, &FrmIGTC::cmdOpenIGTC_Click);
    connect(ui_->cmdClose, &QPushButton::clicked, this, &FrmIGTC::cmdClose_Click);
}

FrmIGTC::~FrmIGTC() = default;

bool FrmIGTC::eventFilter(QObject* watched, QEvent* event) {
    // Entering the input box selects all of it, so that a new paste replaces
    // the old result. The selection is made once more after the event that
    // gave the focus, since a mouse click would otherwise place the cursor.
    if (watched == ui_->txtInput && event->type() == QEvent::FocusIn) {
        ui_->txtInput->selectAll();
        QTimer::singleShot(0, ui_->txtInput, &QPlainTextEdit::selectAll);
    }
    return QWidget::eventFilter(watched, event);
}

void FrmIGTC::cmdProcess_Click() {
    // The input is checked before anything changes: a refused processing
    // leaves the list, the output text and the minimum of the last result
    // together, so that Save and Print still describe one result.
    const QString text = ui_->txtInput->toPlainText();
    if (text.isEmpty()) {
        Platform::Message(this, kNoTextMessage, kNoTextTitle, Icon::None);
        return;
    }
    const MinimumScore minimum = ReadMinimumScore(ui_->txtCutoff->text());
    if (minimum.status == MinimumScore::Status::Zero) {
        Platform::Message(this, kZeroMinimumMessage, kMinimumTitle, Icon::None);
        return;
    }
    if (minimum.status == MinimumScore::Status::OutOfRange) {
        Platform::Message(this, kMinimumRangeMessage, kMinimumTitle, Icon::None);
        return;
    }

    ui_->cmdProcess->setText(QStringLiteral("Processing"));
    ui_->cmdProcess->setEnabled(false);
    ui_->cmdProcess->repaint();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const IgtcResult result = ReadBlastReport(text, minimum.value);
    QApplication::restoreOverrideCursor();
    ui_->cmdProcess->setText(QStringLiteral("&Process"));
    ui_->cmdProcess->setEnabled(true);
    if (result.format == BlastFormat::None) {
        Platform::Message(this, kNotBlastMessage, kNotBlastTitle, Icon::Exclamation);
        return;
    }

    ui_->lstResults->clear();
    outputText_ = result.output;
    QString shown = result.output;
    shown.replace(kCrLf, QStringLiteral("\n"));
    ui_->txtOutput->setPlainText(shown);
    ui_->lstResults->addItems(result.names);
    ui_->lblReading->setText(ReadingSummary(result));

    ui_->cmdSave->setEnabled(true);
    ui_->cmdPrint->setEnabled(true);
    ui_->txtCutoff1->setText(ui_->txtCutoff->text());
}

void FrmIGTC::cmdClear_Click() {
    ui_->txtInput->clear();
}

void FrmIGTC::cmdSave_Click() {
    const QString path =
        Platform::SaveFileName(this, QStringLiteral("Excel Worksheet (*.xls)|*.xls"));
    if (path.isEmpty()) return;
    const WriteResult written =
        WriteQuotedItems(path, IgtcSaveItems(ui_->txtCutoff1->text(), outputText_, Now()));
    if (!written.ok)
        Platform::Message(this, QStringLiteral("The hit list was not saved.\n\n") + written.error,
                          QStringLiteral("Save Hits"), Icon::Exclamation);
}

void FrmIGTC::cmdPrint_Click() {
    const QString cutoff = ui_->txtCutoff1->text();
    PrintHitList(this, ctx_.settings, *ui_->lstResults,
                 [&](Printer& printer, const QString& title, const QStringList& names) {
                     PrintIgtcReport(printer, title, cutoff, names, Now());
                 });
}

void FrmIGTC::cmdOpenIGTC_Click() {
    Platform::OpenUrlOrShow(this, ctx_.settings.IgtcBlastPage(), QStringLiteral("Open IGTC"));
}

void FrmIGTC::cmdClose_Click() {
    Navigator* windows = ctx_.windows;
    if (!windows) {
        close();
        return;
    }
    windows->ReturnToMenu(win::Igtc);
}

QWidget* CreateFrmIGTC(AppContext& ctx) {
    return new FrmIGTC(ctx);
}

}  // namespace quill::ui
