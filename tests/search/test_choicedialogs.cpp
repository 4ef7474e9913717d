// The choice dialogs and the options window on their own: what they show,
// what they return, and that every way out other than Choose cancels.

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "search/gui/choicedialog.h"
#include "search/gui/frmoptions.h"

using namespace quill;
using namespace quill::ui;

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

// Runs fn on the dialog once it is on screen, then lets Ask() return.
void WhenShown(std::function<void(ChoiceDialog*)> fn) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        auto* dlg = qobject_cast<ChoiceDialog*>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        fn(dlg);
    });
    timer->start();
}

}  // namespace

class TestChoiceDialogs : public QObject {
    Q_OBJECT
  private slots:
    void showsTableAndDescriptions_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::newRow("mRNA") << int(ChoiceTable::Kind::Mrna) << "frmSequence";
        QTest::newRow("EST") << int(ChoiceTable::Kind::Est) << "frmEST";
    }
    void showsTableAndDescriptions() {
        QFETCH(int, kind);
        QFETCH(QString, name);
        ChoiceDialog dlg(ThreeRows(ChoiceTable::Kind(kind)));
        QCOMPARE(dlg.objectName(), name);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Quillfish"));
        auto* list = dlg.findChild<QListWidget*>("lstSequence");
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(1)->text(), QStringLiteral("BC011272"));
        QCOMPARE(list->currentRow(), 0);
        auto* label = dlg.findChild<QLabel*>("lblSequence");
        QCOMPARE(label->text(), QStringLiteral("Mus musculus paired box 6"));
        QCOMPARE(dlg.findChild<QLabel*>("lblPrompt")->text(), kPrompt);
        QCOMPARE(dlg.findChild<QPushButton*>("cmdChoose")->text(), QStringLiteral("&Choose"));
        QCOMPARE(dlg.findChild<QPushButton*>("cmdCancel")->text(),
                 QStringLiteral("C&ancel Search"));
        // Descriptions come from page markup: shown as text, never as markup.
        list->setCurrentRow(1);
        QCOMPARE(label->text(), QStringLiteral("clone <MGC:1234>"));
        QCOMPARE(label->textFormat(), Qt::PlainText);
    }

    void ways_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("expected");
        QTest::newRow("choose first") << "choose" << 0 << 0;
        QTest::newRow("choose last") << "choose" << 2 << 2;
        QTest::newRow("double click") << "double" << 1 << 1;
        QTest::newRow("cancel search") << "cancel" << 1 << -1;
        QTest::newRow("close box") << "close" << 1 << -1;
        QTest::newRow("escape") << "escape" << 1 << -1;
    }
    void ways() {
        QFETCH(QString, way);
        QFETCH(int, row);
        QFETCH(int, expected);
        ChoiceDialog dlg(ThreeRows(ChoiceTable::Kind::Mrna));
        WhenShown([&](ChoiceDialog* d) {
            auto* list = d->findChild<QListWidget*>("lstSequence");
            list->setCurrentRow(row);
            if (way == "choose")
                d->findChild<QPushButton*>("cmdChoose")->click();
            else if (way == "double")
                emit list->itemDoubleClicked(list->item(row));
            else if (way == "cancel")
                d->findChild<QPushButton*>("cmdCancel")->click();
            else if (way == "close")
                d->close();
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
        QVERIFY(!dlg.findChild<QPushButton*>("cmdChoose")->isEnabled());
        QVERIFY(dlg.findChild<QLabel*>("lblSequence")->text().isEmpty());
    }

    void optionsDefaultsKeepSpeciesAndAccession() {
        FrmOptions opt;
        const auto defaults = [&opt] {
            const SearchPolicy p = opt.Policy();
            return p.optAuto && p.optAutoOne && p.optESTPrompt && !p.optESTSkip && p.optAutoOneEST;
        };
        QCOMPARE(opt.Policy().species, SearchPolicy::Species::Mouse);
        QVERIFY(defaults());
        QVERIFY(!opt.AccessionMode());

        for (const char* name :
             {"optHs", "optPrompt", "optStillPrompt", "optESTSkip", "optPromptEST"})
            opt.findChild<QRadioButton*>(name)->click();
        opt.findChild<QCheckBox*>("chkAccession")->click();
        const SearchPolicy p = opt.Policy();
        QCOMPARE(p.species, SearchPolicy::Species::Human);
        QVERIFY(!p.optAuto && !p.optAutoOne && !p.optESTPrompt && p.optESTSkip && !p.optAutoOneEST);

        opt.SelectDefaults();
        QVERIFY(defaults());
        QCOMPARE(opt.Policy().species, SearchPolicy::Species::Human);  // kept
        QVERIFY(opt.AccessionMode());                                  // kept
    }

    void optionsOkHidesAndAccessionClickSignals() {
        FrmOptions opt;
        QSignalSpy spy(&opt, &FrmOptions::AccessionModeClicked);
        QTimer::singleShot(0, &opt, [&] {
            opt.findChild<QCheckBox*>("chkAccession")->click();
            opt.findChild<QPushButton*>("cmdOK")->click();
        });
        opt.exec();
        QVERIFY(!opt.isVisible());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QVERIFY(opt.AccessionMode());
    }
};

QTEST_MAIN(TestChoiceDialogs)
#include "test_choicedialogs.moc"
