// The sheet window: opening each file type from the term list editor,
// selecting ranges with the selection model, mouse and keys, and importing.
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include "sheets/gui/sheetviewer.h"
#include "sheets/gui/spreadsheetapp.h"
#include "web/module1.h"
#include "widgets/platform.h"
#include "widgets/termlisteditor.h"

using namespace quill;
using namespace quill::ui;
using Variant = TermListEditor::Variant;

namespace {
QString Sheet(const QString& name) {
    return QStringLiteral(QUILL_TEST_DATA "/sheets/") + name;
}

// Selects the cell rectangle from (top, left) to (bottom, right), adding it
// to what is selected, as a Ctrl+drag does.
void SelectRange(QTableView* t, int top, int left, int bottom, int right) {
    const QItemSelection range(t->model()->index(top, left), t->model()->index(bottom, right));
    t->selectionModel()->select(range, QItemSelectionModel::Select);
}
}  // namespace

class TestSpreadsheetViewer : public QObject {
    Q_OBJECT

    Module1 module_;

    std::unique_ptr<TermListEditor> Make(Variant v) {
        auto e = std::make_unique<TermListEditor>();
        e->Configure(v, &module_);
        e->SetSimpleMode(false);
        return e;
    }
    SheetViewer* OpenIn(TermListEditor& e, PlatformDouble& pd, const QString& file) {
        pd.queueOpenFile(Sheet(file));
        e.findChild<QPushButton*>("cmdOpen")->click();
        auto* app = dynamic_cast<SheetSpreadsheetApp*>(e.Spreadsheet());
        return app ? app->Viewer() : nullptr;
    }
    void Import(TermListEditor& e) { e.findChild<QPushButton*>("cmdImport")->click(); }

  private slots:
    void cleanup() {
        SheetViewer::CloseAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Selected cells come range by range, each range row by row, from keys,
    // Ctrl+click and the selection model. Importing A2:A5, C2:C5 and A2:A3
    // again takes each cell once and leaves out the empty C3; the
    // unique-hit window then closes the spreadsheet window.
    void selectAndImport() {
        PlatformDouble pd;
        auto e = Make(Variant::Unique);
        QPointer<SheetViewer> viewer = OpenIn(*e, pd, QStringLiteral("terms.ods"));
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        QTableView* t = viewer->ActiveTable();
        QCOMPARE(viewer->SelectedTexts(), QStringList({"Name"}));  // A1 starts selected
        t->setFocus();
        QTest::keyClick(t, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(t, Qt::Key_Down, Qt::ShiftModifier);
        const QRect cell = t->visualRect(t->model()->index(1, 1));
        QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::ControlModifier, cell.center());
        QCOMPARE(viewer->SelectedTexts(), QStringList({"Name", "Abc1", "Def2", "42"}));
        t->selectionModel()->clearSelection();
        SelectRange(t, 0, 0, 1, 1);  // A1:B2
        QCOMPARE(viewer->SelectedTexts(), QStringList({"Name", "Score", "Abc1", "42"}));

        t->selectionModel()->clearSelection();
        SelectRange(t, 1, 0, 4, 0);
        SelectRange(t, 1, 2, 4, 2);
        SelectRange(t, 1, 0, 2, 0);
        Import(*e);
        QCOMPARE(e->Terms(), QStringList({"Abc1", "Def2", "AB000001/AB000002", "Abc1",
                                          "Abc1 | 123 MM#2", "Def2 | x", "Abc1 | 123 MM#2"}));
        QCOMPARE(pd.messageTexts(), QStringList());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(viewer.isNull());
    }

    // A file that cannot be read is named and changes nothing: the earlier
    // spreadsheet still imports, from the sheet shown, until its window is
    // closed.
    void unreadableFileNamesItAndChangesNothing() {
        PlatformDouble pd;
        auto e = Make(Variant::Quill);
        SheetViewer* first = OpenIn(*e, pd, QStringLiteral("terms.xls"));
        QVERIFY(first);
        OpenIn(*e, pd, QStringLiteral("corrupt.xls"));
        QCOMPARE(pd.messageTexts().size(), 1);
        QVERIFY2(pd.messageTexts()[0].contains("corrupt.xls"), qPrintable(pd.messageTexts()[0]));
        QCOMPARE(SheetViewer::OpenViewers(), QList<SheetViewer*>({first}));
        first->Tabs()->setCurrentIndex(1);
        SelectRange(first->ActiveTable(), 0, 0, 1, 1);
        Import(*e);
        QCOMPARE(e->Terms(), QStringList({"X1", "Y2"}));
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Import(*e);
        QCOMPARE(e->Count(), 2);
        e->CloseActiveWorkbook();  // nothing to close; no error
        QCOMPARE(pd.messageTexts().size(), 1);
    }

    void columnNames() {
        QCOMPARE(SheetModel::ColumnName(25), QString("Z"));
        QCOMPARE(SheetModel::ColumnName(26), QString("AA"));
        QCOMPARE(SheetModel::ColumnName(51), QString("AZ"));
        QCOMPARE(SheetModel::ColumnName(16383), QString("XFD"));
    }
};

QTEST_MAIN(TestSpreadsheetViewer)
#include "test_spreadsheet_viewer.moc"
