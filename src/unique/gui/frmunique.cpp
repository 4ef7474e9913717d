#include "unique/gui/frmunique.h"

#include <QFont>
#include <QListWidget>
#include <QPushButton>

#include "printing/gui/qtprinter.h"
#include "text/quotedfile.h"
#include "text/textrules.h"
#include "ui_frmunique.h"
#include "unique/uniquehits.h"
#include "widgets/appcontext.h"
#include "widgets/navigator.h"
#include "widgets/platform.h"
#include "widgets/termlisteditor.h"

namespace quill::ui {

FrmUnique::FrmUnique(AppContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), ui_(std::make_unique<Ui::frmUnique>()) {
    ui_->setupUi(this);
    QFont title = ui_->Label1->font();
    title.setPointSizeF(title.pointSizeF() * 1.4);
    title.setBold(true);
    ui_->Label1->setFont(title);
    ui_->lstStuff->hide();

    editor_ = new TermListEditor(ui_->editorHost);
    ui_->editorHostLayout->addWidget(editor_);
    editor_->Configure(TermListEditor::Variant::Unique, &ctx_.module);
    editor_->SetSimpleMode(false);

    connect(ui_->cmdFind, &QPushButton::clicked, this, &FrmUnique::cmdFind_Click);
    connect(ui_->cmdPrint, &QPushButton::clicked, this, &FrmUnique::cmdPrint_Click);
    connect(ui_->cmdSave, &QPushButton::clicked, this, &FrmUnique::cmdSave_Click);
    connect(ui_->cmdMenu, &QPushButton::clicked, this, &FrmUnique::cmdMenu_Click);
}

FrmUnique::~FrmUnique() = default;

QString FrmUnique::ResultText() const {
    QString text = ui_->txtResults->toPlainText();
    text.replace(QLatin1Char('\n'), kCrLf);
    return text;
}

void FrmUnique::cmdFind_Click() {
    ui_->lstStuff->clear();
    const UniqueHits hits = FindUniqueHits(editor_->Terms());
    ui_->lstStuff->addItems(hits.keys);
    ui_->fraResults->setEnabled(true);
    QString report = UniqueReportText(hits.keys, Now());
    report.replace(kCrLf, QStringLiteral("\n"));
    ui_->txtResults->setPlainText(report);
}

void FrmUnique::cmdPrint_Click() {
    PrintHitList(this, ctx_.settings, *ui_->lstStuff,
                 [](Printer& printer, const QString& title, const QStringList& keys) {
                     PrintUniqueReport(printer, title, keys, Now());
                 });
}

void FrmUnique::cmdSave_Click() {
    const QString path =
        Platform::SaveFileName(this, QStringLiteral("Excel Worksheet (*.xls)|*.xls"));
    if (path.isEmpty()) return;
    const WriteResult written = WriteQuotedItems(path, UniqueSaveItems(ResultText()));
    if (!written.ok)
        Platform::Message(this,
                          QStringLiteral("The unique hits were not saved.\n\n") + written.error,
                          QStringLiteral("Save"), Icon::Exclamation);
}

void FrmUnique::cmdMenu_Click() {
    Navigator* windows = ctx_.windows;
    if (!windows) {
        close();
        return;
    }
    windows->ReturnToMenu(win::Unique, editor_);
}

QWidget* CreateFrmUnique(AppContext& ctx) {
    return new FrmUnique(ctx);
}

}  // namespace quill::ui
