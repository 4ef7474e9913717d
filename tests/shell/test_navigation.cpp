// Start-up, the main menu and the way every window returns to it.
#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
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

using namespace quill::ui;

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
    void MenuButtons() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("back");
        QTest::newRow("search") << "cmdSearch"
                                << "&Search Unigene for Sequences" << win::Quill << "cmdMenu";
        QTest::newRow("igtc") << "cmdProcess"
                              << "&Process Sequences on IGTC" << win::Igtc << "cmdClose";
        QTest::newRow("hits") << "cmdHits"
                              << "P&rocess Expression Profile" << win::Hits << "cmdMenu";
        QTest::newRow("unique") << "cmdUnique"
                                << "&Find Unique IGTC Hits" << win::Unique << "cmdMenu";
        QTest::newRow("about") << "cmdAbout"
                               << "A&bout" << win::About << "cmdOK";
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

    void splashShowsNameAndVersion() {
        QWidget* splash = wm_->Show(win::Splash);
        QVERIFY(splash);
        QCOMPARE(splash->findChild<QLabel*>("lblVersion")->text(), QStringLiteral("Version 2.0.0"));
        QCOMPARE(splash->findChild<QLabel*>("lblProductName")->text(), QStringLiteral("Quillfish"));
        QCOMPARE(splash->findChild<QLabel*>("Label1")->text(),
                 QStringLiteral("Press any key to continue"));
        for (const char* name :
             {"imgLogo", "lblLicenseTo", "lblWarning", "lblCompany", "lblCopyright"})
            QVERIFY2(splash->findChild<QLabel*>(name), name);
        QVERIFY(!splash->findChild<QLabel*>("imgLogo")->pixmap().isNull());
        QVERIFY(!wm_->IsLoaded(win::Menu));  // no timer leaves the splash
    }

    void keyOrFrameClickLeavesTheSplash_data() {
        QTest::addColumn<bool>("click");
        QTest::newRow("key") << false;
        QTest::newRow("frame click") << true;
    }
    void keyOrFrameClickLeavesTheSplash() {
        QFETCH(bool, click);
        QWidget* splash = wm_->Show(win::Splash);
        if (click)
            QTest::mouseClick(splash->findChild<QFrame*>("Frame1"), Qt::LeftButton);
        else
            QTest::keyClick(splash, Qt::Key_A);
        QVERIFY(Shown(win::Menu));
        QVERIFY(!splash->isVisible());
        QVERIFY(wm_->IsLoaded(win::Splash));  // hidden, not unloaded
    }

    void menuCaptions() {
        ToMenu();
        QWidget* menu = wm_->Window(win::Menu);
        QCOMPARE(menu->windowTitle(), QStringLiteral("Quillfish"));
        QCOMPARE(menu->findChild<QLabel*>("Label1")->text(),
                 QStringLiteral("Welcome to Quillfish"));
        QCOMPARE(menu->findChild<QLabel*>("Label2")->text(), QStringLiteral("Main Menu"));
        QVERIFY(menu->findChild<QFrame*>("Line1"));
        QCOMPARE(Button(menu, "cmdExit")->text(), QStringLiteral("E&xit"));
        QCOMPARE(wm_->Window(win::Menu), menu);
    }

    void menuOpensAndBackReturns_data() { MenuButtons(); }
    void menuOpensAndBackReturns() {
        QFETCH(QString, button);
        QFETCH(QString, caption);
        QFETCH(QString, window);
        QFETCH(QString, back);
        PlatformDouble pd;
        ToMenu();
        QWidget* menu = wm_->Window(win::Menu);
        QCOMPARE(Button(menu, button)->text(), caption);
        Button(menu, button)->click();
        QVERIFY(Shown(window));
        QVERIFY(!menu->isVisible());
        QAbstractButton* backButton = Button(wm_->Window(window), back);
        QVERIFY(backButton);
        backButton->click();
        QVERIFY(!wm_->IsLoaded(window));  // at once, before the deferred delete
        Flush();
        QVERIFY(Shown(win::Menu));
        QCOMPARE(wm_->Window(win::Menu), menu);  // the same menu, shown again
        QVERIFY(pd.shown.isEmpty());             // no spreadsheet opened: no message
    }

    void closeBoxActsLikeBack_data() { MenuButtons(); }
    void closeBoxActsLikeBack() {
        QFETCH(QString, button);
        QFETCH(QString, window);
        ToMenu();
        Button(wm_->Window(win::Menu), button)->click();
        QVERIFY(Shown(window));
        wm_->Window(window)->close();
        QVERIFY(!wm_->IsLoaded(window));
        Flush();
        QVERIFY(Shown(win::Menu));
    }

    void reopenedWindowStartsEmpty() {
        ToMenu();
        Button(wm_->Window(win::Menu), "cmdUnique")->click();
        auto* list = wm_->Window(win::Unique)->findChild<QListWidget*>("lstSearch");
        QVERIFY(list);
        list->addItem(QStringLiteral("Abc1"));
        Button(wm_->Window(win::Unique), "cmdMenu")->click();
        Flush();
        Button(wm_->Window(win::Menu), "cmdUnique")->click();
        list = wm_->Window(win::Unique)->findChild<QListWidget*>("lstSearch");
        QCOMPARE(list->count(), 0);
    }

    void hideKeepsContents() {
        QWidget* w = wm_->Show(win::HitsOptions);
        w->setProperty("marker", 7);
        wm_->Hide(win::HitsOptions);
        QVERIFY(wm_->IsLoaded(win::HitsOptions));
        QCOMPARE(wm_->Show(win::HitsOptions), w);
        QCOMPARE(w->property("marker").toInt(), 7);
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

    void backClosesTheOpenedWorkbook_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::newRow("hits") << "cmdHits" << win::Hits;
        QTest::newRow("unique") << "cmdUnique" << win::Unique;
    }
    void backClosesTheOpenedWorkbook() {
        QFETCH(QString, button);
        QFETCH(QString, window);
        PlatformDouble pd;
        ToMenu();
        Button(wm_->Window(win::Menu), button)->click();
        pd.queueOpenFile(QStringLiteral(QUILL_TEST_DATA "/sheets/terms.csv"));
        Button(wm_->Window(window), "cmdOpen")->click();
        QCOMPARE(SheetViewer::OpenViewers().size(), 1);
        Button(wm_->Window(window), "cmdMenu")->click();
        Flush();
        QCOMPARE(SheetViewer::OpenViewers().size(), 0);
        QVERIFY(Shown(win::Menu));
        QCOMPARE(pd.messageTexts(), QStringList());
    }

    void viewerOutlivesTheWindowThatOpenedIt() {
        PlatformDouble pd;
        ToMenu();
        Button(wm_->Window(win::Menu), "cmdUnique")->click();
        pd.queueOpenFile(QStringLiteral(QUILL_TEST_DATA "/sheets/terms.xls"));
        Button(wm_->Window(win::Unique), "cmdOpen")->click();
        pd.queueOpenFile(QStringLiteral(QUILL_TEST_DATA "/sheets/terms.ods"));
        Button(wm_->Window(win::Unique), "cmdOpen")->click();
        QCOMPARE(SheetViewer::OpenViewers().size(), 2);
        Button(wm_->Window(win::Unique), "cmdMenu")->click();
        Flush();
        // Only the active workbook is closed; the earlier viewer stays open.
        QCOMPARE(SheetViewer::OpenViewers().size(), 1);
        QCOMPARE(SheetViewer::OpenViewers()[0]->WorkbookName(), QStringLiteral("terms.xls"));
    }

    void exitUnloadsEveryWindow() {
        ToMenu();
        wm_->Load(win::Options);
        wm_->Load(win::HitsOptions);
        QSignalSpy ended(wm_.get(), &WindowManager::AllUnloaded);
        Button(wm_->Window(win::Menu), "cmdExit")->click();
        QCOMPARE(ended.count(), 1);
        QVERIFY(wm_->Loaded().isEmpty());
        for (const QString& name : {win::Splash, win::Menu, win::Options, win::HitsOptions})
            QVERIFY(!wm_->IsLoaded(name));
    }

    void closingTheMenuEndsTheProgram() {
        ToMenu();
        QSignalSpy ended(wm_.get(), &WindowManager::AllUnloaded);
        wm_->Window(win::Menu)->close();
        QCOMPARE(ended.count(), 1);
        QVERIFY(wm_->Loaded().isEmpty());
    }

    void searchHandsOnToIgtcWithoutTheMenu() {
        ToMenu();
        Button(wm_->Window(win::Menu), "cmdSearch")->click();
        wm_->Show(win::Igtc);
        wm_->Unload(win::Quill);
        QVERIFY(!Shown(win::Menu));
        Button(wm_->Window(win::Igtc), "cmdClose")->click();
        QVERIFY(Shown(win::Menu));
    }

    void everyWindowIsRegistered() {
        for (const QString& name : {win::Splash, win::Menu, win::About, win::Quill, win::Options,
                                    win::Igtc, win::Hits, win::HitsOptions, win::Unique})
            QVERIFY2(wm_->IsRegistered(name), qPrintable(name));
    }
};

QTEST_MAIN(TestNavigation)
#include "test_navigation.moc"
