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
    // The menu buttons, each with its caption, window and back button; each
    // row once with the back button and once with the close box.
    void MenuButtons() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("back");
        QTest::addColumn<bool>("closeBox");
        const QString rows[][4] = {
            {"cmdSearch", "&Search Unigene for Sequences", win::Quill, "cmdMenu"},
            {"cmdProcess", "&Process Sequences on IGTC", win::Igtc, "cmdClose"},
            {"cmdHits", "P&rocess Expression Profile", win::Hits, "cmdMenu"},
            {"cmdUnique", "&Find Unique IGTC Hits", win::Unique, "cmdMenu"},
            {"cmdAbout", "A&bout", win::About, "cmdOK"},
        };
        for (bool closeBox : {false, true})
            for (const auto& r : rows)
                QTest::addRow("%s %s", qPrintable(r[2]), closeBox ? "close box" : "back")
                    << r[0] << r[1] << r[2] << r[3] << closeBox;
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
        const auto text = [](QWidget* w, const char* name) {
            return w->findChild<QLabel*>(name)->text();
        };
        QCOMPARE(text(splash, "lblVersion"), QStringLiteral("Version 2.0.0"));
        QCOMPARE(text(splash, "lblProductName"), QStringLiteral("Quillfish"));
        QCOMPARE(text(splash, "Label1"), QStringLiteral("Press any key to continue"));
        for (const char* name :
             {"imgLogo", "lblLicenseTo", "lblWarning", "lblCompany", "lblCopyright"})
            QVERIFY2(splash->findChild<QLabel*>(name), name);
        QVERIFY(!splash->findChild<QLabel*>("imgLogo")->pixmap().isNull());
        QVERIFY(!wm_->IsLoaded(win::Menu));
        if (click)
            QTest::mouseClick(splash->findChild<QFrame*>("Frame1"), Qt::LeftButton);
        else
            QTest::keyClick(splash, Qt::Key_A);
        QVERIFY(!splash->isVisible());
        QVERIFY(wm_->IsLoaded(win::Splash));
        QVERIFY(Shown(win::Menu));
        QWidget* menu = wm_->Window(win::Menu);
        QCOMPARE(menu->windowTitle(), QStringLiteral("Quillfish"));
        QCOMPARE(text(menu, "Label1"), QStringLiteral("Welcome to Quillfish"));
        QCOMPARE(text(menu, "Label2"), QStringLiteral("Main Menu"));
        QVERIFY(menu->findChild<QFrame*>("Line1"));
        QCOMPARE(Button(menu, "cmdExit")->text(), QStringLiteral("E&xit"));
    }

    // Each menu button opens its window; its back button, or its close box,
    // unloads it at once and shows the same menu again.
    void menuOpensAndBackReturns_data() { MenuButtons(); }
    void menuOpensAndBackReturns() {
        QFETCH(QString, button);
        QFETCH(QString, caption);
        QFETCH(QString, window);
        QFETCH(QString, back);
        QFETCH(bool, closeBox);
        PlatformDouble pd;
        ToMenu();
        QWidget* menu = wm_->Window(win::Menu);
        QCOMPARE(Button(menu, button)->text(), caption);
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

    void searchHandsOnToIgtcWithoutTheMenu() {
        ToMenu();
        Button(wm_->Window(win::Menu), "cmdSearch")->click();
        wm_->Show(win::Igtc);
        wm_->Unload(win::Quill);
        QVERIFY(!Shown(win::Menu));
        Button(wm_->Window(win::Igtc), "cmdClose")->click();
        QVERIFY(Shown(win::Menu));
    }
};

QTEST_MAIN(TestNavigation)
#include "test_navigation.moc"
