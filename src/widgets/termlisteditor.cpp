#include "widgets/termlisteditor.h"

#include <QListWidget>
#include <QSet>
#include <QShortcut>
#include <QStyledItemDelegate>

#include "sheets/gui/spreadsheetapp.h"
#include "sheets/spreadsheet.h"
#include "text/textrules.h"
#include "ui_termlisteditor.h"
#include "web/module1.h"
#include "widgets/platform.h"

namespace quill::ui {

namespace {

// Draws an empty entry (Cut can leave one) as a grey placeholder, so that it
// is seen and can be selected; the entry itself stays empty.
class EmptyEntryDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!option->text.isEmpty()) return;
        option->text = QStringLiteral("(empty entry)");
        option->font.setItalic(true);
        option->palette.setColor(QPalette::Text, option->palette.color(QPalette::PlaceholderText));
    }
};

}  // namespace

struct TermListEditor::Impl {
    Ui::TermListEditorForm ui;
    Variant variant = Variant::Quill;
    Module1* module = nullptr;
    std::function<bool()> accessionMode;
    std::unique_ptr<SpreadsheetApp> app;  // SpreadsheetApp of the window
};

TermListEditor::TermListEditor(QWidget* parent) : QWidget(parent), d(std::make_unique<Impl>()) {
    d->ui.setupUi(this);
    setObjectName(QStringLiteral("TermListEditor"));
    d->ui.cmdCancel->hide();
    auto& ui = d->ui;

    connect(ui.cmdAdd, &QPushButton::clicked, this, [this] {
        const QString text = d->ui.txtAdd->text();
        if (!text.isEmpty()) d->ui.lstSearch->addItem(text);
        if (d->variant == Variant::Quill) {
            d->ui.txtAdd->setFocus();
            d->ui.txtAdd->setSelection(0, int(text.size()));
        }
    });

    // Enter in the Add box adds, as the button does. Outside the search
    // window (whose Add selects the text, so that typing replaces it) the box
    // is then emptied for the next term.
    connect(ui.txtAdd, &QLineEdit::returnPressed, this, [this] {
        d->ui.cmdAdd->click();
        if (d->variant != Variant::Quill) d->ui.txtAdd->clear();
    });

    connect(ui.cmdDelete, &QPushButton::clicked, this, [this] {
        QListWidget* list = d->ui.lstSearch;
        const QList<QListWidgetItem*> selected = list->selectedItems();
        if (selected.isEmpty()) return;
        delete list->takeItem(list->row(selected.first()));
    });

    // The Delete key in the list deletes the selected entry, as the button does.
    auto* deleteKey = new QShortcut(QKeySequence::Delete, ui.lstSearch);
    deleteKey->setContext(Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, ui.cmdDelete, &QPushButton::click);
    ui.lstSearch->setItemDelegate(new EmptyEntryDelegate(ui.lstSearch));

    connect(ui.cmdClear, &QPushButton::clicked, this, [this] {
        if (Platform::AskYesNo(this, QStringLiteral("Are you sure you want to clear the listbox?"),
                               QStringLiteral("Clear?"), Icon::Question))
            d->ui.lstSearch->clear();
    });

    connect(ui.cmdCut, &QPushButton::clicked, this, [this] {
        const QString answer = Platform::Input(
            this, QStringLiteral("Cut all entries in listbox up to what character (i.e. ; or -)?"),
            QStringLiteral("Cut"), QString());
        if (answer.isEmpty()) return;
        QListWidget* list = d->ui.lstSearch;
        const int n = list->count();
        for (int i = 0; i < n; ++i) {
            QListWidgetItem* item = list->item(i);
            const int p = InStr(item->text(), answer);
            if (p > 0) item->setText(item->text().left(p - 1));
        }
    });

    connect(ui.cmdCancel, &QPushButton::clicked, this, [this] {
        if (Platform::AskYesNo(this, QStringLiteral("Are you sure you want to cancel the search?"),
                               QStringLiteral("Cancel?"), Icon::Question) &&
            d->module)
            d->module->CancelSearch = true;
    });

    connect(ui.cmdOpen, &QPushButton::clicked, this, [this] {
        const QString path = Platform::OpenFileName(this, SpreadsheetOpenFilter());
        if (path.isEmpty()) return;
        std::unique_ptr<SpreadsheetApp> app = SpreadsheetApp::Create();
        QString error;
        if (!app || !app->OpenWorkbook(path, &error)) {
            // The window keeps the spreadsheet it had.
            Platform::Message(this, error, QStringLiteral("Open Excel Spreadsheet"),
                              Icon::Exclamation);
            return;
        }
        d->app = std::move(app);
    });

    connect(ui.cmdImport, &QPushButton::clicked, this, [this] { Import(); });
}

TermListEditor::~TermListEditor() = default;

void TermListEditor::Import() {
    // One error trap: any failure ends the import silently, keeping what was added.
    if (!d->app) return;
    const std::optional<QStringList> cells = d->app->ReadSelection();
    if (!cells) return;
    const bool dedupe = d->variant != Variant::Unique;
    const bool accession = d->variant == Variant::Quill && d->accessionMode && d->accessionMode();
    QListWidget* list = d->ui.lstSearch;
    QSet<QString> present;
    if (dedupe)
        for (int i = 0; i < list->count(); ++i) present.insert(list->item(i)->text());
    QStringList added;
    bool duplicate = false;
    for (const QString& cell : *cells) {
        if (cell.isEmpty()) continue;
        QString text = cell;
        if (d->variant == Variant::Hits) {
            const std::optional<QString> name = HitNameFromImport(cell);
            if (!name) {
                list->addItems(added);
                return;
            }
            text = *name;
        } else if (accession) {
            text = SlashesToSpaces(cell);
        }
        if (dedupe) {
            if (present.contains(text)) {
                duplicate = true;
                continue;
            }
            present.insert(text);
        }
        added << text;
    }
    list->addItems(added);
    if (dedupe) {
        if (duplicate)
            Platform::Message(this, QStringLiteral("Duplicate entries were removed."),
                              QStringLiteral("Duplicate"), Icon::None);
    } else {
        d->app->CloseActiveWindow();
    }
}

void TermListEditor::Configure(Variant variant, Module1* module) {
    d->variant = variant;
    d->module = module;
    if (variant == Variant::Unique) {
        delete d->ui.cmdCancel;
        d->ui.cmdCancel = nullptr;
    } else if (d->ui.cmdCancel) {
        d->ui.cmdCancel->hide();
    }
    // The Open dialog's name in each window.
    d->ui.cmdOpen->setProperty("openDialog", variant == Variant::Unique
                                                 ? QStringLiteral("cdlDialogSave")
                                                 : QStringLiteral("cdlDialog"));
}

TermListEditor::Variant TermListEditor::GetVariant() const {
    return d->variant;
}

void TermListEditor::SetAccessionModeQuery(std::function<bool()> query) {
    d->accessionMode = std::move(query);
}

void TermListEditor::SetSimpleMode(bool simple) {
    auto& ui = d->ui;
    const QList<QWidget*> controls = {ui.lblSearchListbox, ui.lblImport, ui.cmdOpen,   ui.cmdImport,
                                      ui.cmdAdd,           ui.cmdDelete, ui.lstSearch, ui.txtAdd,
                                      ui.lblAdd,           ui.cmdClear,  ui.cmdCut};
    for (QWidget* w : controls) w->setVisible(!simple);
}

QStringList TermListEditor::Terms() const {
    QStringList out;
    out.reserve(d->ui.lstSearch->count());
    for (int i = 0; i < d->ui.lstSearch->count(); ++i) out << d->ui.lstSearch->item(i)->text();
    return out;
}

int TermListEditor::Count() const {
    return d->ui.lstSearch->count();
}

void TermListEditor::SetTerms(const QStringList& terms) {
    d->ui.lstSearch->clear();
    d->ui.lstSearch->addItems(terms);
}

void TermListEditor::AddTerm(const QString& term) {
    d->ui.lstSearch->addItem(term);
}

void TermListEditor::ClearTerms() {
    d->ui.lstSearch->clear();
}

QListWidget* TermListEditor::List() const {
    return d->ui.lstSearch;
}
QLineEdit* TermListEditor::AddBox() const {
    return d->ui.txtAdd;
}
QPushButton* TermListEditor::CancelButton() const {
    return d->ui.cmdCancel;
}

SpreadsheetApp* TermListEditor::Spreadsheet() const {
    return d->app.get();
}

void TermListEditor::CloseActiveWorkbook() {
    if (d->app) d->app->CloseActiveWorkbook();
}

}  // namespace quill::ui
