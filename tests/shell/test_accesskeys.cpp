// Every window's access keys are distinct among the controls it shows
// together, so that Alt and a letter always reaches one control.
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QtTest>

#include "search/gui/choicedialog.h"
#include "shell/appwindows.h"
#include "shell/windowmanager.h"
#include "support/widgets.h"
#include "widgets/appcontext.h"
#include "widgets/platform.h"

using namespace quill;
using namespace quill::ui;

namespace {

// The access key of a caption (the letter after the first single "&"), empty
// when it has none.
QString AccessKey(const QString& caption) {
    const QKeySequence key = QKeySequence::mnemonic(caption);
    return key.isEmpty() ? QString() : QKeySequence(key[0].key()).toString();
}

// The controls of window that carry an access key, by key: buttons, check
// boxes, option buttons, frames, and labels that lead to another control. A
// hidden control does not count; a disabled one does, since it is enabled
// later.
QMap<QString, QStringList> ControlsByKey(QWidget* window) {
    QMap<QString, QStringList> byKey;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        QString caption;
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            caption = button->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(w))
            caption = frame->title();
        else if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy())
            caption = label->text();
        const QString key = AccessKey(caption);
        if (!key.isEmpty()) byKey[key] << w->objectName();
    }
    return byKey;
}

}  // namespace

class TestAccessKeys : public QObject {
    Q_OBJECT
  private slots:
    void distinctPerWindow_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("mode");
        QTest::newRow("menu") << win::Menu << "";
        QTest::newRow("about") << win::About << "";
        QTest::newRow("search, simple") << win::Quill << "";
        QTest::newRow("search, advanced, running") << win::Quill << "advanced";
        QTest::newRow("search, accession") << win::Quill << "accession";
        QTest::newRow("search options") << win::Options << "";
        QTest::newRow("choice dialog") << QString("frmSequence") << "";
        QTest::newRow("IGTC") << win::Igtc << "";
        QTest::newRow("screening, simple") << win::Hits << "";
        QTest::newRow("screening, advanced, running") << win::Hits << "advanced";
        QTest::newRow("screening criteria") << win::HitsOptions << "";
        QTest::newRow("unique hits") << win::Unique << "";
    }
    void distinctPerWindow() {
        QFETCH(QString, window);
        QFETCH(QString, mode);
        PlatformDouble platform;
        AppContext ctx;
        WindowManager wm(ctx);
        RegisterAppWindows(wm);
        std::unique_ptr<QWidget> dialog;
        QWidget* w = nullptr;
        if (window == "frmSequence") {
            ChoiceTable table;
            table.rows = {{"http://h/UniGene/a", "NM_013627", "paired box 6"}};
            dialog = std::make_unique<ChoiceDialog>(table);
            w = dialog.get();
        } else {
            w = wm.Show(window);
        }
        QVERIFY(w);
        if (mode == "accession") test::Click(wm.Window(win::Options), "chkAccession");
        if (mode == "advanced") {
            test::Click(w, "chkSearch");
            test::Find(w, "cmdCancel")->show();  // as during a run
        }

        const QMap<QString, QStringList> byKey = ControlsByKey(w);
        QVERIFY(!byKey.isEmpty() || window == win::About);
        for (auto it = byKey.cbegin(); it != byKey.cend(); ++it)
            QVERIFY2(it->size() == 1,
                     qPrintable("Alt+" + it.key() + " on " + it->join(QStringLiteral(", "))));
    }

    // A box that tells something has a visible label that names it (and that
    // a screen reader reads with it).
    void boxesHaveLabels_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("box");
        QTest::newRow("IGTC result minimum") << win::Igtc << "txtCutoff1";
        QTest::newRow("term to add") << win::Unique << "txtAdd";
    }
    void boxesHaveLabels() {
        QFETCH(QString, window);
        QFETCH(QString, box);
        AppContext ctx;
        WindowManager wm(ctx);
        RegisterAppWindows(wm);
        QWidget* w = wm.Show(window);
        QVERIFY(w);
        QWidget* target = test::Find(w, qPrintable(box));
        const QList<QLabel*> labels = w->findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [target](const QLabel* l) {
            return l->buddy() == target && l->isVisible() && !l->text().trimmed().isEmpty();
        }));
    }
};

QTEST_MAIN(TestAccessKeys)
#include "test_accesskeys.moc"
