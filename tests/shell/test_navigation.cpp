// Start-up, the main menu and the way every window returns to it.
#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "common/gui/platform.h"
#include "common/gui/sheetviewer.h"
#include "common/gui/spreadsheetapp.h"
#include "shell/appcontext.h"
#include "shell/appwindows.h"
#include "shell/shellwindows.h"
#include "shell/windowmanager.h"
#include "support/widgets.h"

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
    // Starts at the splash and goes on to the menu.
    void ToMenu() {
        wm_->Show(win::Splash);
        QTest::keyClick(wm_->Window(win::Splash), Qt::Key_Space);
        QVERIFY(Shown(win::Menu));
    }
    // The menu buttons, each with its window and back button; each
    // row once with the back button and once with the close box.
    void MenuButtons() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("back");
        QTest::addColumn<bool>("closeBox");
        const QString rows[][3] = {
            {"cmdSearch", win::Quill, "cmdMenu"}, {"cmdProcess", win::Igtc, "cmdClose"},
            {"cmdHits", win::Hits, "cmdMenu"},    {"cmdUnique", win::Unique, "cmdMenu"},
            {"cmdAbout", win::About, "cmdOK"},
        };
        for (bool closeBox : {false, true})
            for (const auto& r : rows)
                QTest::addRow("%s %s", qPrintable(r[1]), closeBox ? "close box" : "back")
                    << r[0] << r[1] << r[2] << closeBox;
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

    void versionCaption_data() {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("patch");
        QTest::addColumn<QString>("text");
        QTest::newRow("current") << 2 << 0 << 0 << "Version 2.0.0";
        QTest::newRow("no leading zeros") << 10 << 4 << 07 << "Version 10.4.7";
    }
    void versionCaption() {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, patch);
        QFETCH(QString, text);
        QCOMPARE(VersionCaption(major, minor, patch), text);
    }

    // The splash waits, with no timer, for a key or a click on its frame; it
    // is then hidden, not unloaded, and the menu shows.
    void splashThenMenu_data() {
        QTest::addColumn<bool>("click");
        QTest::newRow("key") << false;
        QTest::newRow("frame click") << true;
    }
    void splashThenMenu() {
        QFETCH(bool, click);
        QWidget* splash = wm_->Show(win::Splash);
        QVERIFY(splash);
        QCOMPARE(Find<QLabel>(splash, "lblVersion")->text(), QStringLiteral("Version 2.0.0"));
        QCOMPARE(Find<QLabel>(splash, "lblProductName")->text(), QStringLiteral("Quillfish"));
        QVERIFY(!Find<QLabel>(splash, "imgLogo")->pixmap().isNull());
        QVERIFY(!wm_->IsLoaded(win::Menu));
        if (click)
            QTest::mouseClick(Find<QFrame>(splash, "Frame1"), Qt::LeftButton);
        else
            QTest::keyClick(splash, Qt::Key_A);
        QVERIFY(!splash->isVisible());
        QVERIFY(wm_->IsLoaded(win::Splash));
        QVERIFY(Shown(win::Menu));
    }

    // Each menu button opens its window; its back button, or its close box,
    // unloads it at once and shows the same menu again.
    void menuOpensAndBackReturns_data() { MenuButtons(); }
    void menuOpensAndBackReturns() {
        QFETCH(QString, button);
        QFETCH(QString, window);
        QFETCH(QString, back);
        QFETCH(bool, closeBox);
        PlatformDouble pd;
        ToMenu();
        QWidget* menu = wm_->Window(win::Menu);
        Button(menu, button)->click();
        QVERIFY(Shown(window));
        QVERIFY(!menu->isVisible());
        QAbstractButton* backButton = Button(wm_->Window(window), back);
        QVERIFY(backButton);
        if (closeBox)
            wm_->Window(window)->close();
        else
            backButton->click();
        QVERIFY(!wm_->IsLoaded(window));  // at once, before the deferred delete
        Flush();
        QVERIFY(Shown(win::Menu));
        QCOMPARE(wm_->Window(win::Menu), menu);  // the same menu, shown again
        QVERIFY(pd.shown.isEmpty());             // no spreadsheet opened: no message
    }

    void reopenedWindowStartsEmpty() {
        ToMenu();
        Button(wm_->Window(win::Menu), "cmdUnique")->click();
        auto* list = Find<QListWidget>(wm_->Window(win::Unique), "lstSearch");
        list->addItem(QStringLiteral("Abc1"));
        Button(wm_->Window(win::Unique), "cmdMenu")->click();
        Flush();
        Button(wm_->Window(win::Menu), "cmdUnique")->click();
        list = Find<QListWidget>(wm_->Window(win::Unique), "lstSearch");
        QCOMPARE(list->count(), 0);
    }

    void searchBackUnloadsItsOptionsButNotHitsOptions() {
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
    void backClosesTheActiveWorkbook_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("hits") << "cmdHits" << win::Hits << QStringList{"terms.csv"}
                              << QStringList();
        QTest::newRow("unique") << "cmdUnique" << win::Unique << QStringList{"terms.csv"}
                                << QStringList();
        QTest::newRow("unique, two opened")
            << "cmdUnique" << win::Unique << QStringList{"terms.xls", "terms.ods"}
            << QStringList{"terms.xls"};
    }
    void backClosesTheActiveWorkbook() {
        QFETCH(QString, button);
        QFETCH(QString, window);
        QFETCH(QStringList, files);
        QFETCH(QStringList, left);
        PlatformDouble pd;
        ToMenu();
        Button(wm_->Window(win::Menu), button)->click();
        for (const QString& file : files) {
            pd.queueOpenFile(QStringLiteral(QUILL_TEST_DATA "/sheets/") + file);
            Button(wm_->Window(window), "cmdOpen")->click();
        }
        QCOMPARE(SheetViewer::OpenViewers().size(), files.size());
        Button(wm_->Window(window), "cmdMenu")->click();
        Flush();
        QStringList open;
        for (SheetViewer* v : SheetViewer::OpenViewers()) open << v->WorkbookName();
        QCOMPARE(open, left);
        QVERIFY(Shown(win::Menu));
        QCOMPARE(pd.messageTexts(), QStringList());
    }

    void exitOrMenuCloseBoxUnloadsEveryWindow_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("exit") << false;
        QTest::newRow("close box") << true;
    }
    void exitOrMenuCloseBoxUnloadsEveryWindow() {
        QFETCH(bool, closeBox);
        ToMenu();
        wm_->Load(win::Options);
        wm_->Load(win::HitsOptions);
        QSignalSpy ended(wm_.get(), &WindowManager::AllUnloaded);
        if (closeBox)
            wm_->Window(win::Menu)->close();
        else
            Button(wm_->Window(win::Menu), "cmdExit")->click();
        QCOMPARE(ended.count(), 1);
        QVERIFY(wm_->Loaded().isEmpty());
    }

    void aboutClosesWithEscape() {
        ToMenu();
        Button(wm_->Window(win::Menu), "cmdAbout")->click();
        QWidget* about = wm_->Window(win::About);
        QVERIFY(QTest::qWaitForWindowActive(about));
        QTest::keyClick(about, Qt::Key_Escape);
        QVERIFY(!wm_->IsLoaded(win::About));
        QVERIFY(Shown(win::Menu));
    }

    // --help is answered without a display.
    void helpNeedsNoDisplay() {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        p.setProcessEnvironment(env);
        p.start(QFileInfo(QStringLiteral(QUILL_CLI_PATH)).dir().filePath("quillfish"), {"--help"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        for (const char* option : {"--demo", "--ncbi-server", "--igtc-server", "--print-to-pdf"})
            QVERIFY2(out.contains(QLatin1String(option)), qPrintable(out));
    }
};

QTEST_MAIN(TestNavigation)
#include "test_navigation.moc"
