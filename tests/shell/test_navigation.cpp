// Start-up, the main menu and the way every window returns to it.
#include <QAbstractButton>
#include <QSignalSpy>
#include <QtTest>

#include "sheets/gui/sheetviewer.h"
#include "sheets/gui/spreadsheetapp.h"
#include "shell/appwindows.h"
#include "shell/shellwindows.h"
#include "shell/windowmanager.h"
#include "support/widgets.h"
#include "widgets/appcontext.h"
#include "widgets/platform.h"

using namespace quill::ui;
using quill::test::Find;

namespace {
void Flush() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QAbstractButton* Button(QWidget* w, const QString& name) {
    return w ? w->findChild<QAbstractButton*>(name) : nullptr;
}
}  // namespace

class TestNavigation : public QObject {
    Q_OBJECT

    std::unique_ptr<AppContext> ctx_;
    std::unique_ptr<WindowManager> wm_;

    bool Shown(const QString& name) const {
        QWidget* w = wm_->Window(name);
        return w && w->isVisible();
    }
    // The splash waits, with no timer, for a key (here) or a click on its
    // frame (splashThenMenu); it is then hidden, not unloaded, and the menu
    // shows.
    void ToMenu() {
        wm_->Show(win::Splash);
        QTest::keyClick(wm_->Window(win::Splash), Qt::Key_Space);
        QVERIFY(Shown(win::Menu));
    }
  private slots:
    void init() {
        ctx_ = std::make_unique<AppContext>();
        wm_ = std::make_unique<WindowManager>(*ctx_);
        RegisterAppWindows(*wm_);
    }
    void cleanup() {
        wm_.reset();
        ctx_.reset();
        SheetViewer::CloseAll();
        Flush();
    }

    void splashThenMenu() {
        QWidget* splash = wm_->Show(win::Splash);
        QVERIFY(QRegularExpression(QStringLiteral("^Version \\d+\\.\\d+\\.\\d+$"))
                    .match(quill::test::Text(splash, "lblVersion"))
                    .hasMatch());
        QVERIFY(!wm_->IsLoaded(win::Menu));
        QTest::mouseClick(Find(splash, "Frame1"), Qt::LeftButton);
        QVERIFY(!splash->isVisible());
        QVERIFY(wm_->IsLoaded(win::Splash));
        QVERIFY(Shown(win::Menu));
    }

    // A key stroke on the splash stays there: the menu shows when the key
    // comes up, with none of its buttons pressed, and a Space or Enter does
    // not go on into the search window. A release alone (the key went down
    // elsewhere) leaves the splash as it is.
    void keyStrokeLeadsToMenu_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Space") << int(Qt::Key_Space);
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("a letter") << int(Qt::Key_Q);
    }
    void keyStrokeLeadsToMenu() {
        QFETCH(int, key);
        QWidget* splash = wm_->Show(win::Splash);
        QVERIFY(QTest::qWaitForWindowActive(splash));
        // Keys go where the system sends them: to the focused window.
        QTest::keyRelease(QGuiApplication::focusWindow(), Qt::Key(key));
        QTest::keyPress(QGuiApplication::focusWindow(), Qt::Key(key));
        QVERIFY(!Shown(win::Menu));
        QTest::keyRelease(QGuiApplication::focusWindow(), Qt::Key(key));
        QVERIFY(Shown(win::Menu) && !splash->isVisible());
        QVERIFY(!wm_->IsLoaded(win::Quill));
        for (const QAbstractButton* b : wm_->Window(win::Menu)->findChildren<QAbstractButton*>())
            QVERIFY2(!b->isDown(), qPrintable(b->objectName()));
    }

    // Each menu button opens its window; its back button, or its close box,
    // unloads it at once and shows the same menu again.
    void menuOpensAndBackReturns() {
        PlatformDouble pd;  // a dialog would fail the test
        ToMenu();
        QWidget* menu = wm_->Window(win::Menu);
        const struct {
            const char* button;
            QString window;
            const char* back;
        } rows[] = {
            {"cmdSearch", win::Quill, "cmdMenu"}, {"cmdProcess", win::Igtc, "cmdClose"},
            {"cmdHits", win::Hits, "cmdMenu"},    {"cmdUnique", win::Unique, "cmdMenu"},
            {"cmdAbout", win::About, "cmdOK"},
        };
        for (bool closeBox : {false, true}) {
            for (const auto& r : rows) {
                quill::test::Click(menu, r.button);
                QVERIFY(Shown(r.window) && !menu->isVisible());
                if (closeBox)
                    wm_->Window(r.window)->close();
                else
                    quill::test::Click(wm_->Window(r.window), r.back);
                QVERIFY2(!wm_->IsLoaded(r.window),
                         r.button);  // at once, before the deferred delete
                Flush();
                QVERIFY(Shown(win::Menu));
                QCOMPARE(wm_->Window(win::Menu), menu);  // the same menu, shown again
            }
        }
        // The menu's close box ends the program like Exit.
        wm_->Load(win::HitsOptions);
        QSignalSpy ended(wm_.get(), &WindowManager::AllUnloaded);
        menu->close();
        QCOMPARE(ended.count(), 1);
        QVERIFY(wm_->Loaded().isEmpty());
    }

    // The search window's back button unloads its options window, frmHits
    // keeps its own.
    void goingBackUnloadsOptions() {
        ToMenu();
        wm_->Load(win::HitsOptions);
        Button(wm_->Window(win::Menu), "cmdSearch")->click();
        wm_->Load(win::Options);
        Button(wm_->Window(win::Quill), "cmdMenu")->click();
        QVERIFY(!wm_->IsLoaded(win::Options));
        Button(wm_->Window(win::Menu), "cmdHits")->click();
        Button(wm_->Window(win::Hits), "cmdMenu")->click();
        QVERIFY(wm_->IsLoaded(win::HitsOptions));
    }

    // Going back closes the workbook the window has active; a viewer opened
    // before that one stays open.
    void backClosesTheActiveWorkbook() {
        PlatformDouble pd;
        ToMenu();
        Button(wm_->Window(win::Menu), "cmdUnique")->click();
        for (const char* file : {"terms.xls", "terms.ods"}) {
            pd.queueOpenFile(QStringLiteral(QUILL_TEST_DATA "/sheets/") + file);
            Button(wm_->Window(win::Unique), "cmdOpen")->click();
        }
        Button(wm_->Window(win::Unique), "cmdMenu")->click();
        Flush();
        QCOMPARE(SheetViewer::OpenViewers().size(), 1);
        QCOMPARE(SheetViewer::OpenViewers().first()->WorkbookName(), "terms.xls");
        QCOMPARE(pd.messageTexts(), QStringList());
    }

    void aboutClosesWithEscapeAndExitUnloadsAll() {
        ToMenu();
        Button(wm_->Window(win::Menu), "cmdAbout")->click();
        QWidget* about = wm_->Window(win::About);
        QVERIFY(QTest::qWaitForWindowActive(about));
        QTest::keyClick(about, Qt::Key_Escape);
        QVERIFY(!wm_->IsLoaded(win::About));
        QVERIFY(Shown(win::Menu));

        // Exit unloads every window, loaded or not shown.
        wm_->Load(win::Options);
        wm_->Load(win::HitsOptions);
        QSignalSpy ended(wm_.get(), &WindowManager::AllUnloaded);
        Button(wm_->Window(win::Menu), "cmdExit")->click();
        QCOMPARE(ended.count(), 1);
        QVERIFY(wm_->Loaded().isEmpty());
    }
};

QTEST_MAIN(TestNavigation)
#include "test_navigation.moc"
