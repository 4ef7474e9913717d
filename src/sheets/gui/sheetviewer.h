#pragma once
// A read-only window that shows a workbook's sheets as tabs of cells, in
// which the user selects cells (one or several ranges) with mouse and keys.

#include <QAbstractTableModel>
#include <QMainWindow>
#include <QStringList>
#include <optional>

#include "sheets/spreadsheet.h"

class QTabWidget;
class QTableView;

namespace quill::ui {

// One sheet's cells for a table view, with spreadsheet-style headers
// (A, B, ... and 1, 2, ...) and some empty rows and columns beyond the data.
class SheetModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit SheetModel(SheetData sheet, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    const SheetData& Sheet() const { return sheet_; }

    static QString ColumnName(int column);  // 0 -> "A", 26 -> "AA"

  private:
    SheetData sheet_;
    int rows_;
    int columns_;
};

class SheetViewer : public QMainWindow {
    Q_OBJECT
  public:
    explicit SheetViewer(Workbook book, QWidget* parent = nullptr);
    ~SheetViewer() override;

    const Workbook& Book() const { return book_; }
    QString WorkbookName() const;  // the file name, without folders
    QTabWidget* Tabs() const { return tabs_; }
    QTableView* Table(int sheet) const;
    QTableView* ActiveTable() const;

    // Every selected cell of the shown sheet once, row by row within each
    // range; ranges from the left, top to bottom among ranges that start in
    // the same column. nullopt when no cell is selected.
    std::optional<QStringList> SelectedTexts() const;

    // Every viewer still open (all are closed when the program ends).
    static QList<SheetViewer*> OpenViewers();
    static void CloseAll();

  private:
    Workbook book_;
    QTabWidget* tabs_;
};

}  // namespace quill::ui
