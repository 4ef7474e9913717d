#include "sheets/gui/sheetviewer.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QSet>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>

namespace quill::ui {

namespace {
constexpr int kSpareRows = 20;
constexpr int kSpareColumns = 5;
constexpr int kMinRows = 50;
constexpr int kMinColumns = 12;

QList<QPointer<SheetViewer>>& Registry() {
    static QList<QPointer<SheetViewer>> viewers;
    return viewers;
}
}  // namespace

SheetModel::SheetModel(SheetData sheet, QObject* parent)
    : QAbstractTableModel(parent), sheet_(std::move(sheet)) {
    rows_ = qMax(kMinRows, sheet_.rows + kSpareRows);
    columns_ = qMin(16384, qMax(kMinColumns, sheet_.columns + kSpareColumns));
}

int SheetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int SheetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const QString text = sheet_.Cell(index.row(), index.column());
        if (role == Qt::ToolTipRole && text.isEmpty()) return {};
        return text;
    }
    if (role == Qt::TextAlignmentRole) {
        // Numbers stand to the right, as in a spreadsheet.
        bool number = false;
        sheet_.Cell(index.row(), index.column()).toDouble(&number);
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    return {};
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return ColumnName(section);
    return QString::number(section + 1);
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QString SheetModel::ColumnName(int column) {
    QString name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26) name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

SheetViewer::SheetViewer(Workbook book, QWidget* parent)
    : QMainWindow(parent), book_(std::move(book)), tabs_(new QTabWidget(this)) {
    setObjectName(QStringLiteral("frmSheetViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(WorkbookName() + QStringLiteral(" [Read-Only] - Quillfish Sheet Viewer"));
    tabs_->setObjectName(QStringLiteral("tabSheets"));
    tabs_->setTabPosition(QTabWidget::South);
    tabs_->setDocumentMode(true);
    for (int i = 0; i < book_.sheets.size(); ++i) {
        auto* table = new QTableView(tabs_);
        table->setObjectName(QStringLiteral("tblSheet%1").arg(i + 1));
        table->setModel(new SheetModel(book_.sheets[i], table));
        table->setSelectionMode(QAbstractItemView::ExtendedSelection);
        table->setSelectionBehavior(QAbstractItemView::SelectItems);
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setAlternatingRowColors(false);
        table->setWordWrap(false);
        table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
        table->horizontalHeader()->setDefaultSectionSize(90);
        table->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
        // Columns fit their first rows' texts, within limits.
        table->horizontalHeader()->setResizeContentsPrecision(200);
        table->resizeColumnsToContents();
        for (int c = 0; c < table->model()->columnCount(); ++c)
            table->setColumnWidth(c, qBound(70, table->columnWidth(c) + 8, 320));
        // Like a spreadsheet, the first cell starts selected.
        const QModelIndex first = table->model()->index(0, 0);
        table->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
        tabs_->addTab(table, book_.sheets[i].name);
    }
    // Keys move within the cells; the sheet tabs are chosen with the mouse.
    tabs_->tabBar()->setFocusPolicy(Qt::NoFocus);
    connect(tabs_, &QTabWidget::currentChanged, this, [this] {
        if (QTableView* t = ActiveTable()) t->setFocus();
    });
    setCentralWidget(tabs_);
    if (QTableView* t = ActiveTable()) setFocusProxy(t);
    statusBar()->showMessage(QStringLiteral(
        "Select the cells to import (Ctrl adds a range), then press Import Selected Data."));
    resize(760, 480);
    Registry().append(this);
}

SheetViewer::~SheetViewer() {
    Registry().removeAll(QPointer<SheetViewer>());
    Registry().removeAll(this);
}

QString SheetViewer::WorkbookName() const {
    return QFileInfo(book_.path).fileName();
}

QTableView* SheetViewer::Table(int sheet) const {
    return qobject_cast<QTableView*>(tabs_->widget(sheet));
}

QTableView* SheetViewer::ActiveTable() const {
    return qobject_cast<QTableView*>(tabs_->currentWidget());
}

std::optional<QStringList> SheetViewer::SelectedTexts() const {
    QTableView* table = ActiveTable();
    if (!table) return std::nullopt;
    const auto* model = static_cast<const SheetModel*>(table->model());
    QItemSelectionModel* sel = table->selectionModel();
    QStringList out;
    QSet<quint64> seen;
    // The selection model keeps ranges in no useful order and splits a range
    // where a later one overlaps it: ranges are taken from the left, and from
    // the top among ranges that start in one column.
    const QItemSelection selection = sel->selection();
    QList<QItemSelectionRange> ranges(selection.cbegin(), selection.cend());
    std::stable_sort(ranges.begin(), ranges.end(),
                     [](const QItemSelectionRange& a, const QItemSelectionRange& b) {
                         return a.left() != b.left() ? a.left() < b.left() : a.top() < b.top();
                     });
    for (const QItemSelectionRange& range : ranges) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            for (int col = range.left(); col <= range.right(); ++col) {
                const quint64 key = (quint64(row) << 32) | quint64(col);
                if (seen.contains(key)) continue;
                if (!sel->isSelected(model->index(row, col))) continue;
                seen.insert(key);
                out << model->Sheet().Cell(row, col);
            }
        }
    }
    if (seen.isEmpty()) return std::nullopt;
    return out;
}

QList<SheetViewer*> SheetViewer::OpenViewers() {
    QList<SheetViewer*> out;
    for (const QPointer<SheetViewer>& v : Registry())
        if (v) out << v.data();
    return out;
}

void SheetViewer::CloseAll() {
    for (SheetViewer* v : OpenViewers()) delete v;
}

}  // namespace quill::ui
