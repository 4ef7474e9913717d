// The sheet window: opening each file type from the term list editor,
// selecting ranges with the selection model, mouse and keys, and importing.
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include "common/gui/platform.h"
#include "common/gui/sheetviewer.h"
#include "common/gui/spreadsheetapp.h"
#include "common/gui/termlisteditor.h"
#include "common/module1.h"

using namespace quill;
using namespace quill::ui;
using Variant = TermListEditor::Variant;

Q_DECLARE_METATYPE(TermListEditor::Variant)

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

    void importsASelectionFromEveryFileType_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("duplicateMessage");
        // A2:A5 then C2:C5: names, then hit names (empty C3 skipped). The
        // windows' own import rules are the term list editor's tests.
        const QStringList hits = {"Abc1", "Def2", "AB000001/AB000002", "Abc1 123", "Def2 "};
        const QStringList unique = {
            "Abc1",     "Def2",           "AB000001/AB000002", "Abc1", "Abc1 | 123 MM#2",
            "Def2 | x", "Abc1 | 123 MM#2"};
        for (const char* f : {"terms.xls", "terms.xlsx", "terms.ods", "terms.csv"})
            QTest::newRow(f) << QString::fromLatin1(f) << Variant::Unique << unique << false;
        QTest::newRow("terms.xlsx frmHits") << "terms.xlsx" << Variant::Hits << hits << true;
    }
    void importsASelectionFromEveryFileType() {
        QFETCH(QString, file);
        QFETCH(Variant, variant);
        QFETCH(QStringList, expected);
        QFETCH(bool, duplicateMessage);
        PlatformDouble pd;
        auto e = Make(variant);
        QPointer<SheetViewer> viewer = OpenIn(*e, pd, file);
        QVERIFY2(viewer, qPrintable(pd.messageTexts().join(QLatin1Char('\n'))));
        QVERIFY(viewer->isVisible());
        QTableView* t = viewer->ActiveTable();
        QCOMPARE(t->model()->index(1, 1).data().toString(), QStringLiteral("42"));
        t->selectionModel()->clearSelection();
        SelectRange(t, 1, 0, 4, 0);
        SelectRange(t, 1, 2, 4, 2);
        SelectRange(t, 1, 0, 2, 0);  // overlaps the first range: each cell only once
        Import(*e);
        QCOMPARE(e->Terms(), expected);
        QCOMPARE(pd.messageTexts(), duplicateMessage
                                        ? QStringList({"Duplicate entries were removed."})
                                        : QStringList());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // The unique-hit window closes the spreadsheet window after importing.
        QCOMPARE(viewer.isNull(), variant == Variant::Unique);
    }

    // Selected cells come range by range, each range row by row.
    void selectionOrder() {
        PlatformDouble pd;
        auto e = Make(Variant::Unique);
        SheetViewer* viewer = OpenIn(*e, pd, QStringLiteral("terms.ods"));
        QVERIFY(QTest::qWaitForWindowExposed(viewer));
        QTableView* t = viewer->ActiveTable();
        QCOMPARE(viewer->SelectedTexts(), QStringList({"Name"}));  // A1 starts selected
        t->setFocus();
        QTest::keyClick(t, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(t, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(viewer->SelectedTexts(), QStringList({"Name", "Abc1", "Def2"}));
        // Ctrl+click adds a single cell as a further range.
        const QRect cell = t->visualRect(t->model()->index(1, 1));
        QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::ControlModifier, cell.center());
        QCOMPARE(viewer->SelectedTexts(), QStringList({"Name", "Abc1", "Def2", "42"}));

        t->selectionModel()->clearSelection();
        SelectRange(t, 0, 0, 1, 1);  // A1:B2
        SelectRange(t, 2, 2, 3, 2);  // C3:C4, an empty cell included
        QCOMPARE(viewer->SelectedTexts(),
                 QStringList({"Name", "Score", "Abc1", "42", "", "Def2 | x"}));
    }

    void selectionComesFromTheShownSheet() {
        PlatformDouble pd;
        auto e = Make(Variant::Unique);
        SheetViewer* viewer = OpenIn(*e, pd, QStringLiteral("terms.xls"));
        viewer->Tabs()->setCurrentIndex(1);
        SelectRange(viewer->ActiveTable(), 0, 0, 1, 1);
        Import(*e);
        QCOMPARE(e->Terms(), QStringList({"X1", "Y2"}));
    }

    void unreadableFileNamesItAndChangesNothing_data() {
        QTest::addColumn<QString>("file");
        for (const char* f : {"corrupt.xls", "corrupt.xlsx", "notasheet.xls", "gone.csv"})
            QTest::newRow(f) << QString(f);
    }
    void unreadableFileNamesItAndChangesNothing() {
        QFETCH(QString, file);
        PlatformDouble pd;
        auto e = Make(Variant::Hits);
        SheetViewer* first = OpenIn(*e, pd, QStringLiteral("terms.csv"));
        SpreadsheetApp* app = e->Spreadsheet();
        QVERIFY(first);
        pd.clear();
        OpenIn(*e, pd, file);
        QCOMPARE(pd.messageTexts().size(), 1);
        QVERIFY2(pd.messageTexts()[0].contains(file), qPrintable(pd.messageTexts()[0]));
        QCOMPARE(e->Spreadsheet(), app);
        QCOMPARE(SheetViewer::OpenViewers(), QList<SheetViewer*>({first}));
        first->ActiveTable()->selectionModel()->clearSelection();
        SelectRange(first->ActiveTable(), 1, 0, 1, 0);
        Import(*e);  // the earlier spreadsheet still imports
        QCOMPARE(e->Terms(), QStringList({"Abc1"}));
    }

    void closedViewerImportsNothing() {
        PlatformDouble pd;
        auto e = Make(Variant::Quill);
        SheetViewer* viewer = OpenIn(*e, pd, QStringLiteral("terms.csv"));
        viewer->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        pd.clear();
        Import(*e);
        QCOMPARE(e->Count(), 0);
        QVERIFY(pd.shown.isEmpty());
        e->CloseActiveWorkbook();  // nothing to close; no error
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
