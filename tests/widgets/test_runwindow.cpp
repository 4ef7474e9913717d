// The run-window part that the search and expression-profile windows share,
// in a bare window of the same controls with a recording navigator: the
// input check, the run states, and the ways out (back button, close box)
// with and without a navigator, idle and running.
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "support/widgets.h"
#include "widgets/appcontext.h"
#include "widgets/navigator.h"
#include "widgets/platform.h"
#include "widgets/runwindow.h"

using namespace quill;
using namespace quill::ui;

namespace {

// Records what a window asks of the navigator, one "verb name" line each.
class RecordingNavigator : public Navigator {
  public:
    QStringList log;
    bool IsRegistered(const QString& name) const override { return name == win::Menu; }
    QWidget* Load(const QString& name) override { return Record("load", name); }
    QWidget* Show(const QString& name) override { return Record("show", name); }
    void Unload(const QString& name) override { Record("unload", name); }
    QWidget* Window(const QString&) const override { return nullptr; }

  private:
    QWidget* Record(const char* verb, const QString& name) {
        log << QLatin1String(verb) + QLatin1Char(' ') + name;
        return nullptr;
    }
};

// The controls the two windows have, under their names, and a close box
// handed to the run part as the windows do.
class BareWindow : public QWidget {
  public:
    QLabel* lblTitle = new QLabel(this);
    QGroupBox* fraSearch = new QGroupBox(this);
    QLineEdit* txtSearch = new QLineEdit(fraSearch);
    QCheckBox* chkSearch = new QCheckBox(fraSearch);
    QWidget* editorHost = new QWidget(fraSearch);
    QVBoxLayout* editorHostLayout = new QVBoxLayout(editorHost);
    QGroupBox* fraResults = new QGroupBox(this);
    QLabel* lblLoading = new QLabel(this);
    QProgressBar* pgrBar = new QProgressBar(this);
    QWidget* cancelHost = new QWidget(this);
    QHBoxLayout* cancelHostLayout = new QHBoxLayout(cancelHost);
    QPushButton* cmdMenu = new QPushButton(this);
    QLabel* lblStatus = new QLabel(this);
    QList<bool> heights;  // fitHeight calls: true for running
    std::unique_ptr<RunWindow> run;

    BareWindow(AppContext& ctx, QStringList alsoUnload) {
        auto* searchLayout = new QVBoxLayout(fraSearch);
        for (QWidget* w : std::initializer_list<QWidget*>{txtSearch, chkSearch, editorHost})
            searchLayout->addWidget(w);
        auto* layout = new QVBoxLayout(this);
        for (QWidget* w :
             std::initializer_list<QWidget*>{lblTitle, fraSearch, fraResults, lblLoading, pgrBar,
                                             cancelHost, cmdMenu, lblStatus})
            layout->addWidget(w);
        pgrBar->setRange(0, 1000);
        txtSearch->setObjectName("txtSearch");
        chkSearch->setObjectName("chkSearch");
        fraSearch->setObjectName("fraSearch");
        fraResults->setObjectName("fraResults");
        lblLoading->setObjectName("lblLoading");
        cmdMenu->setObjectName("cmdMenu");
        run = std::make_unique<RunWindow>(
            this, RunWindow::ControlsOf(*this), ctx,
            RunWindow::Setup{.name = win::Hits,
                             .variant = TermListEditor::Variant::Hits,
                             .alsoUnload = std::move(alsoUnload),
                             .fitHeight = [this](bool running) { heights << running; }});
    }

  protected:
    void closeEvent(QCloseEvent* event) override { run->Close(event); }
};

QString Upper(const QString& text) {
    return text.toUpper();
}

}  // namespace

class TestRunWindow : public QObject {
    Q_OBJECT

  private slots:
    // Simple mode takes the box's text as the one term; advanced mode needs
    // a list. Each refusal names what is empty.
    void takeTerms_data() {
        QTest::addColumn<bool>("advanced");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<bool>("adjust");
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("simple") << false << "pax6" << QStringList{"old"} << false
                                << QStringList{"pax6"} << QStringList{};
        QTest::newRow("simple, adjusted")
            << false << "pax6" << QStringList{} << true << QStringList{"PAX6"} << QStringList{};
        QTest::newRow("simple, empty box")
            << false << "" << QStringList{"old"} << false << QStringList{"old"}
            << QStringList{"Message|Search empty|Search box is empty|Exclamation"};
        QTest::newRow("advanced") << true << "pax6" << QStringList{"a", "b"} << true
                                  << QStringList{"a", "b"} << QStringList{};
        QTest::newRow("advanced, empty list")
            << true << "pax6" << QStringList{} << false << QStringList{}
            << QStringList{"Message|Listbox empty|Listbox is empty|Exclamation"};
    }
    void takeTerms() {
        QFETCH(bool, advanced);
        QFETCH(QString, box);
        QFETCH(QStringList, list);
        QFETCH(bool, adjust);
        QFETCH(QStringList, terms);
        QFETCH(QStringList, shown);
        AppContext ctx;
        PlatformDouble platform;
        BareWindow w(ctx, {});
        if (advanced) test::Click(&w, "chkSearch");
        QCOMPARE(w.run->Advanced(), advanced);
        QCOMPARE(test::Enabled(&w, "txtSearch"), !advanced);
        QCOMPARE(w.fraSearch->maximumHeight(),
                 advanced ? RunWindow::kAdvancedFrameHeight : RunWindow::kSimpleFrameHeight);
        w.txtSearch->setText(box);
        w.run->Editor()->SetTerms(list);
        QCOMPARE(w.run->TakeTerms(adjust ? &Upper : nullptr), shown.isEmpty());
        QCOMPARE(w.run->Editor()->Terms(), terms);
        QCOMPARE(platform.log(), shown);
    }

    // A run disables the search frame and the back button and shows Cancel
    // and the status line; its end puts them back and says how it ended.
    void runStates_data() {
        QTest::addColumn<bool>("complete");
        QTest::addColumn<bool>("advanced");
        QTest::newRow("complete, simple") << true << false;
        QTest::newRow("canceled, advanced") << false << true;
    }
    void runStates() {
        QFETCH(bool, complete);
        QFETCH(bool, advanced);
        AppContext ctx;
        BareWindow w(ctx, {});
        w.show();
        if (advanced) test::Click(&w, "chkSearch");
        QPushButton* cancel = w.run->Editor()->CancelButton();
        QVERIFY(!cancel->isVisible() && !w.lblStatus->isVisible() && !w.fraResults->isEnabled());

        w.run->EnterRunning();
        QVERIFY(w.run->IsRunning());
        QCOMPARE(test::Text(&w, "lblLoading"), "Searching...");
        QVERIFY(!w.fraSearch->isEnabled() && !w.cmdMenu->isEnabled());
        QVERIFY(cancel->isVisible() && cancel->isEnabled() && w.lblStatus->isVisible());
        w.run->AddProgress(600);
        w.run->AddProgress(600);
        QCOMPARE(w.pgrBar->value(), 1000);

        complete ? w.run->EndComplete() : w.run->EndCanceled();
        QVERIFY(!w.run->IsRunning());
        QCOMPARE(test::Text(&w, "lblLoading"), complete ? "Search complete" : "Search canceled");
        QCOMPARE(w.fraResults->isEnabled(), complete);
        QVERIFY(w.fraSearch->isEnabled() && w.cmdMenu->isEnabled());
        QVERIFY(!cancel->isVisible() && !w.lblStatus->isVisible() && !w.pgrBar->isVisible());
        QCOMPARE(w.heights, (QList<bool>{true, false}));
        QCOMPARE(w.focusWidget(),
                 advanced ? static_cast<QWidget*>(w.run->Editor()->AddBox()) : w.txtSearch);
    }

    // The back button and the close box: to the menu, unloading the window
    // (and the windows that go with it) first; during a run the back button
    // does nothing and the close box asks to cancel.
    void waysOut_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QStringList>("alsoUnload");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<int>("questions");
        const QStringList back{"unload frmOptions", "unload frmHits", "show frmMenu"};
        QTest::newRow("back") << false << false << QStringList{"frmOptions"} << back << 0;
        QTest::newRow("close box") << true << false << QStringList{"frmOptions"} << back << 0;
        QTest::newRow("back, nothing else") << false << false << QStringList{}
                                            << QStringList{"unload frmHits", "show frmMenu"} << 0;
        QTest::newRow("back, running") << false << true << QStringList{} << QStringList{} << 0;
        QTest::newRow("close box, running") << true << true << QStringList{} << QStringList{} << 1;
    }
    void waysOut() {
        QFETCH(bool, closeBox);
        QFETCH(bool, running);
        QFETCH(QStringList, alsoUnload);
        QFETCH(QStringList, log);
        QFETCH(int, questions);
        AppContext ctx;
        RecordingNavigator nav;
        ctx.windows = &nav;
        PlatformDouble platform;
        BareWindow w(ctx, alsoUnload);
        w.show();
        if (running) w.run->EnterRunning();
        if (closeBox) {
            QVERIFY(!w.close());  // the window stays; the menu comes next
            QCoreApplication::processEvents();
        } else {
            w.cmdMenu->click();  // disabled while running: no click
        }
        QCOMPARE(nav.log, log);
        QCOMPARE(platform.shown.size(), questions);
        QVERIFY(w.isVisible());
    }

    // A window without a navigator (on its own) closes itself.
    void withoutNavigatorTheWindowCloses() {
        for (bool closeBox : {false, true}) {
            AppContext ctx;
            BareWindow w(ctx, {win::Options});
            w.show();
            if (closeBox)
                QVERIFY(w.close());
            else
                w.cmdMenu->click();
            QVERIFY(!w.isVisible());
        }
    }
};

QTEST_MAIN(TestRunWindow)
#include "test_runwindow.moc"
