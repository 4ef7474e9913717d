// The choice dialogs on their own: what they show,
// what they return, and that every way out other than Choose cancels.

#include <QLabel>
#include <QListWidget>
#include <QtTest>

#include "search/gui/choicedialog.h"
#include "support/widgets.h"

using namespace quill;
using namespace quill::ui;
using namespace quill::test;

namespace {

const QString kPrompt =
    "There are 3 mRNA sequence(s) to choose from for Pax6.  Which one do you want?";

ChoiceTable ThreeRows(ChoiceTable::Kind kind) {
    ChoiceTable t;
    t.kind = kind;
    t.prompt = kPrompt;
    t.rows = {{"http://h/UniGene/a", "NM_013627", "Mus musculus paired box 6"},
              {"http://h/UniGene/b", "BC011272", "clone <MGC:1234>"},
              {"http://h/UniGene/c", "XM_0001", "predicted"}};
    return t;
}

}  // namespace

class TestChoiceDialogs : public QObject {
    Q_OBJECT
  private slots:
    void showsTableAndDescriptions() {
        QCOMPARE(ChoiceDialog(ThreeRows(ChoiceTable::Kind::Est)).objectName(), QString("frmEST"));
        ChoiceDialog dlg(ThreeRows(ChoiceTable::Kind::Mrna));
        QCOMPARE(dlg.objectName(), QString("frmSequence"));
        auto* list = Find<QListWidget>(&dlg, "lstSequence");
        QCOMPARE(list->item(1)->text(), QStringLiteral("BC011272"));
        auto* label = Find<QLabel>(&dlg, "lblSequence");
        QCOMPARE(label->text(), QStringLiteral("Mus musculus paired box 6"));
        QCOMPARE(Text(&dlg, "lblPrompt"), kPrompt);
        // Descriptions come from page markup: shown as text, never as markup.
        list->setCurrentRow(1);
        QCOMPARE(label->text(), QStringLiteral("clone <MGC:1234>"));
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }

    // Choose and a double click give the row; Cancel and Escape cancel.
    void ways_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("expected");
        QTest::newRow("choose") << "choose" << 2;
        QTest::newRow("double click") << "double" << 2;
        QTest::newRow("cancel search") << "cancel" << -1;
        QTest::newRow("escape") << "escape" << -1;
    }
    void ways() {
        QFETCH(QString, way);
        QFETCH(int, expected);
        ChoiceDialog dlg(ThreeRows(ChoiceTable::Kind::Mrna));
        WhenModal([&](QWidget* d) {
            auto* list = Find<QListWidget>(d, "lstSequence");
            list->setCurrentRow(2);
            if (way == "choose")
                Click(d, "cmdChoose");
            else if (way == "double")
                emit list->itemDoubleClicked(list->item(2));
            else if (way == "cancel")
                Click(d, "cmdCancel");
            else
                QTest::keyClick(d, Qt::Key_Escape);
        });
        QCOMPARE(dlg.Ask(), expected);
        QVERIFY(!dlg.isVisible());
    }

    void emptyTableOffersOnlyCancel() {
        ChoiceTable t;
        t.kind = ChoiceTable::Kind::Est;
        ChoiceDialog dlg(t);
        QVERIFY(!Enabled(&dlg, "cmdChoose"));
        QVERIFY(Text(&dlg, "lblSequence").isEmpty());
    }
};

QTEST_MAIN(TestChoiceDialogs)
#include "test_choicedialogs.moc"
