// The search window against the page server: input checks, run states, the
// status line, cancel, save, the hand-on to IGTC and the way back.

#include <QElapsedTimer>
#include <QListWidget>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "pageserver/pageserver.h"
#include "search/searchengine.h"
#include "support/searchwindow.h"
#include "support/testsupport.h"
#include "text/textrules.h"

using namespace quill;
using namespace quill::ui;
using namespace quill::test;

namespace {

// The window on the archive pages.
struct App : SearchApp {
    explicit App(const QString& base) : SearchApp(base) {
        ctx.settings.Source = Settings::SequenceSource::UniGene;
    }
};

// The texts of the two result boxes, CR LF lines.
QString SummaryOf(FrmQuill* q) {
    return FrmQuill::BoxText(Find<QPlainTextEdit>(q, "txtSummary"));
}
QString CdnaOf(FrmQuill* q) {
    return FrmQuill::BoxText(Find<QPlainTextEdit>(q, "txtcDNA"));
}
QPushButton* Cancel(FrmQuill* q) {
    return q->Editor()->CancelButton();
}

// The state between runs: search frame usable, run controls hidden.
void ExpectIdle(const App& app, FrmQuill* q, const QString& loading, bool results) {
    QVERIFY(!q->IsRunning());
    QCOMPARE(Text(q, "lblLoading"), loading);
    QVERIFY(Enabled(q, "fraSearch"));
    QCOMPARE(Enabled(q, "fraResults"), results);
    QVERIFY(!Visible(q, "pgrBar") && !Visible(q, "lblStatus") && !Cancel(q)->isVisible());
    QCOMPARE(q->height(), app.openHeight);
}
void ExpectComplete(const App& app, FrmQuill* q) {
    ExpectIdle(app, q, "Search complete", true);
    QVERIFY(Visible(q, "txtSummary"));
}

}  // namespace

class TestFrmQuill : public QObject {
    Q_OBJECT

    std::unique_ptr<PageServer> hang_;   // every page hangs
    std::unique_ptr<PageServer> pages_;  // the stored pages

  private slots:
    void initTestCase() {
        hang_ = std::make_unique<PageServer>(QStringLiteral(QUILL_TEST_DATA "/frmquill"));
        QVERIFY2(hang_->Start(), qPrintable(hang_->Error()));
        pages_ = std::make_unique<PageServer>(QStringLiteral(QUILL_PAGES_DIR));
        QVERIFY2(pages_->Start(), qPrintable(pages_->Error()));
        SetNowForTesting(QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)));
    }
    void cleanupTestCase() { SetNowForTesting(std::nullopt); }

    // What a run checks first: an empty box or list stops it (and clears the
    // leftovers of the last run); many terms ask first, No stops the run.
    void runChecks_data() {
        QTest::addColumn<bool>("accession");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<bool>("runs");
        QTest::newRow("empty box") << false << -1 << "Search box is empty" << false;
        QTest::newRow("empty list") << true << 0 << "Listbox is empty" << false;
        QTest::newRow("40 unigene terms") << false << 40 << "" << true;
        QTest::newRow("41 unigene terms, No") << false << 41 << "less than 40 terms" << false;
        QTest::newRow("100 accessions") << true << 100 << "" << true;
        QTest::newRow("101 accessions, Yes") << true << 101 << "less than 100 terms" << true;
    }
    void runChecks() {
        QFETCH(bool, accession);
        QFETCH(int, count);
        QFETCH(QString, asked);
        QFETCH(bool, runs);
        App app(pages_->BaseUrl());
        FrmQuill* q = app.Open();
        if (accession) app.Click("chkAccession");
        q->Engine().Results().lstModel.add("old");
        q->Editor()->SetTerms({"old term"});
        if (count >= 0) SetAdvanced(q, QStringList(count, accession ? "AB999999" : "Notagene"));
        app.platform.queueAnswer(runs);
        Click(q, accession ? "cmdSearchAccession" : "cmdSearch");
        const QStringList log = app.platform.log();
        QCOMPARE(log.size(), asked.isEmpty() ? 0 : 1);
        QVERIFY(asked.isEmpty() || log[0].contains(asked));
        ExpectIdle(app, q, runs ? "Search complete" : "", runs);
        QCOMPARE(q->Engine().Results().lstModel.count(), 0);
        QCOMPARE(q->Editor()->Count(), qMax(count, 0));  // only a simple search fills it
    }

    // Cancel, or the window's close box, while a page hangs: the question,
    // No goes on, Yes ends the run at once, the earlier results stay. A long
    // term does not widen the window: the status line elides it.
    void cancelWhilePageHangs_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel button") << false;
        QTest::newRow("close box") << true;
    }
    void cancelWhilePageHangs() {
        QFETCH(bool, closeBox);
        App app(hang_->BaseUrl());
        FrmQuill* q = app.Open();
        const int width = q->width();
        const QString term = "Hang" + QString(196, 'x');
        SetText(q, "txtSummary", "earlier summary");
        SetText(q, "txtSearch", term);
        const auto cancel = [&](bool yes) {
            app.platform.queueAnswer(yes);
            if (closeBox)
                q->close();
            else
                Cancel(q)->click();
        };
        bool runState = false, goesOnAfterNo = false;
        QString status, tip;
        QElapsedTimer sinceCancel;
        QTimer::singleShot(300, q, [&] {
            runState = q->IsRunning() && !Enabled(q, "fraSearch") && !Enabled(q, "fraResults") &&
                       Visible(q, "pgrBar") && Cancel(q)->isVisible() && q->width() == width;
            status = Text(q, "lblStatus");
            tip = Find(q, "lblStatus")->toolTip();
            cancel(false);
            QTimer::singleShot(300, q, [&] {
                goesOnAfterNo = q->IsRunning() && q->isVisible();
                sinceCancel.start();
                cancel(true);
            });
        });
        QTimer::singleShot(5000, q, [&] {  // a way that did nothing: end the run anyway
            app.platform.clear();
            app.CancelRun(q);
        });
        Click(q, "cmdSearch");
        QTRY_VERIFY(!q->IsRunning());
        QVERIFY2(sinceCancel.isValid() && sinceCancel.elapsed() < 1000,
                 qPrintable(QString::number(sinceCancel.elapsed())));
        QVERIFY(runState && goesOnAfterNo);
        QVERIFY2(status.startsWith("0/1 complete.  Current search term: Hang") &&
                     status.endsWith(QChar(0x2026)),
                 qPrintable(status));
        QCOMPARE(tip, "0/1 complete.  Current search term: " + term);
        QCOMPARE(app.platform.log().size(), 2);
        ExpectIdle(app, q, "Search canceled", false);
        QCOMPARE(SummaryOf(q), QStringLiteral("earlier summary"));
    }

    void accessionSwitch() {
        App app(hang_->BaseUrl());
        FrmQuill* q = app.Open();
        auto* acc = Find<QPushButton>(q, "cmdSearchAccession");
        app.Click("chkAccession");
        QVERIFY(acc->isDefault() && Visible(q, "cmdPrintAccession") && !Visible(q, "cmdPrint"));
        // In accession mode a typed "/" separates nothing: it becomes a blank.
        SetText(q, "txtSearch", "HANG1/AB000002");
        QTimer::singleShot(200, q, [&] { app.CancelRun(q); });
        acc->click();
        QTRY_VERIFY(!q->IsRunning());
        QCOMPARE(q->Editor()->Terms(), QStringList{"HANG1 AB000002"});
    }

    // Save writes both texts quoted; a file that cannot be written is reported and nothing is left
    // behind.
    void save() {
        App app(hang_->BaseUrl());
        FrmQuill* q = app.Open();
        SetText(q, "txtSummary", "Results\r\n\tsaid \"x\"\r\n");
        SetText(q, "txtcDNA", "cDNA\r\n> Pax6\r\n");
        Find(q, "fraResults")->setEnabled(true);
        QTemporaryDir dir;
        const QString path = dir.filePath("results.txt");
        app.platform.queueSaveFile(path);
        Click(q, "cmdSave");
        QCOMPARE(ReadBytes(path), "\"Results\r\n\tsaid \"x\"\r\n\"\r\n\"cDNA\r\n> Pax6\r\n\"\r\n");
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        app.platform.queueSaveFile(dir.filePath("folder"));
        Click(q, "cmdSave");
        const QStringList messages = app.platform.messageTexts();
        QVERIFY(messages.size() == 1 && messages[0].contains(dir.filePath("folder")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"folder", "results.txt"}));
        QVERIFY(QDir(dir.filePath("folder")).isEmpty());
    }

    // The FASTA part of the cDNA text goes to the clipboard and the IGTC
    // page opens; without a browser the address is shown to be copied.
    void openIgtc() {
        for (const bool browser : {true, false}) {
            App app(hang_->BaseUrl());
            app.platform.browserAvailable = browser;
            FrmQuill* q = app.Open();
            SetText(q, "txtcDNA", "Results for x\n\ncDNA results for y\n> Pax6 | NM_1\n  1 acgt\n");
            Find(q, "fraResults")->setEnabled(true);
            Click(q, "cmdOpenIGTC");
            QCOMPARE(app.platform.clipboard, QString("> Pax6 | NM_1\r\n  1 acgt\r\n"));
            const QString page = hang_->BaseUrl() + "/dataaccess/blast.html";
            QCOMPARE(app.platform.openedUrls, browser ? QStringList{page} : QStringList{});
            const QStringList shown = app.platform.messageTexts();
            QVERIFY(browser ? shown.isEmpty() : shown.size() == 1 && shown[0].endsWith(page));
        }
    }

    // Leaving the window unloads it. Back to the menu (button or close box)
    // also unloads the options; the hand-on to IGTC keeps the species and the
    // accession mode. Either way the window and the options start afresh.
    void leaveAndReopen_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("menu button") << "cmdMenu";
        QTest::newRow("close box") << "";
        QTest::newRow("process IGTC") << "cmdProcessIGTC";
    }
    void leaveAndReopen() {
        QFETCH(QString, way);
        const bool igtc = way == "cmdProcessIGTC";
        App app(hang_->BaseUrl());
        FrmQuill* q = app.Open();
        for (const char* option : {"optHs", "optPrompt", "chkAccession"}) app.Click(option);
        SetAdvanced(q, {"a", "b"});
        SetText(q, "txtSummary", "old");
        Find(q, "fraResults")->setEnabled(true);
        if (way.isEmpty())
            q->close();
        else
            Click(q, qPrintable(way));
        QTRY_VERIFY(!app.wm.IsLoaded(win::Quill));
        QCOMPARE(app.wm.IsLoaded(win::Options), igtc);
        QVERIFY(app.Shown(igtc ? win::Igtc : win::Menu));
        q = app.Open();
        QCOMPARE(q->Editor()->Count(), 0);
        QVERIFY(!Checked(q, "chkSearch"));
        QCOMPARE(SummaryOf(q), QString());
        const SearchPolicy p = app.Options()->Policy();
        QCOMPARE(p.species, igtc ? SearchPolicy::Species::Human : SearchPolicy::Species::Mouse);
        QVERIFY(p.optAuto);
        QCOMPARE(q->AccessionMode(), igtc);  // and the buttons follow it
        QCOMPARE(Visible(q, "cmdSearchAccession"), igtc);
    }

    // The term list keeps its terms while hidden and the window its height.
    void simpleSearch() {
        App app(pages_->BaseUrl());
        FrmQuill* q = app.Open();
        // Enter in the Add box adds the term; it starts nothing.
        Click(q, "chkSearch");
        QVERIFY(!Enabled(q, "txtSearch") && q->Editor()->List()->isVisible());
        QCOMPARE(q->height(), app.openHeight);
        SetText(q, "txtAdd", "Nanog");
        QTest::keyClick(Find(q, "txtAdd"), Qt::Key_Return);
        QVERIFY(!q->IsRunning());
        // Back in simple mode, Enter in the term box runs the search.
        Click(q, "chkSearch");
        QVERIFY(!q->Editor()->List()->isVisible());
        QCOMPARE(q->Editor()->Terms(), QStringList{"Nanog"});
        SetText(q, "txtSearch", "Pax6");
        QTest::keyClick(Find(q, "txtSearch"), Qt::Key_Return);
        ExpectComplete(app, q);
        QVERIFY(CdnaOf(q).contains("> Pax6 | mRNA sequence NM_013627\r\n        1 cgtcc"));
        QCOMPARE(q->Editor()->Terms(), QStringList{"Pax6"});
    }

    // The window saves what the command line saves for the same run, byte for
    // byte (the headings' dates and times aside): CR LF lines throughout,
    // also inside the sequence blocks.
    void savedFileMatchesCommandLine() {
        const QStringList terms{"Nanog", "Actb", "Tcrg", "HBB", "Olfr1"};
        App app(pages_->BaseUrl());
        FrmQuill* q = app.Open();
        SetAdvanced(q, terms);
        Click(q, "cmdSearch");
        ExpectComplete(app, q);
        QCOMPARE(q->focusWidget(), q->Editor()->AddBox());
        QTemporaryDir dir;
        app.platform.queueSaveFile(dir.filePath("window.txt"));
        Click(q, "cmdSave");
        const CliRun cli = Cli(QStringList{"search", "--ncbi-server", pages_->BaseUrl(), "--save",
                                           dir.filePath("cli.txt")} +
                               terms);
        QVERIFY2(cli.status == 0, qPrintable(cli.err));
        const QByteArray window = ReadBytes(dir.filePath("window.txt"));
        QVERIFY(!QString::fromUtf8(window).contains(QRegularExpression("[^\r]\n")));
        QCOMPARE(WithoutTimes(QString::fromUtf8(window)),
                 WithoutTimes(ReadText(dir.filePath("cli.txt"))));
        QVERIFY(window.contains("> Actb | Mm.391967 MM#2 mRNA sequence AK077854\r\n        1 "));
    }

    // A page that is slow, or that failed once, is shown on the status line
    // until it comes; then the term's line is back.
    void pageTroubleAndItsEnd_data() {
        QTest::addColumn<QString>("term");
        QTest::addColumn<int>("watchdog");  // the failed page is loaded again
        QTest::addColumn<QString>("shown");
        QTest::newRow("slow server") << "Slow1" << 7000 << "Waiting for the NCBI server \u2026 1 s";
        QTest::newRow("server error") << "Error1" << 300 << "500";
    }
    void pageTroubleAndItsEnd() {
        QFETCH(QString, term);
        QFETCH(int, watchdog);
        QFETCH(QString, shown);
        App app(hang_->BaseUrl());
        app.ctx.settings.SlowPageMs = 1000;
        app.ctx.settings.WatchdogMs = watchdog;
        FrmQuill* q = app.Open();
        SetText(q, "txtSearch", term);
        const QString line = "0/1 complete.  Current search term: " + term;
        QString trouble;  // the first other line shown
        bool back = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, q, [&] {
            const QString now = Text(q, "lblStatus");
            if (now != line && !now.isEmpty() && trouble.isEmpty()) trouble = now;
            // After the trouble the term's line is back; the next page hangs.
            if (!trouble.isEmpty() && now == line && !back) {
                back = true;
                app.CancelRun(q);
            }
        });
        watch.start(20);
        QTimer::singleShot(6000, q, [&] { app.CancelRun(q); });
        Click(q, "cmdSearch");
        QTRY_VERIFY(!q->IsRunning());
        QVERIFY2(back && trouble.contains(shown), qPrintable(trouble));
    }

    // The run's choice dialog: the row picked there is retrieved.
    void choiceDialogAnsweredByUser() {
        App app(pages_->BaseUrl());
        FrmQuill* q = app.Open();
        app.Click("optPrompt");
        app.Click("optStillPrompt");
        SetText(q, "txtSearch", "Pax6");
        QString prompt;
        WhenModal([&](QWidget* dlg) {
            prompt = Text(dlg, "lblPrompt");
            Find<QListWidget>(dlg, "lstSequence")->setCurrentRow(1);
            Click(dlg, "cmdChoose");
        });
        Click(q, "cmdSearch");
        ExpectComplete(app, q);
        QCOMPARE(prompt, QStringLiteral("There are 3 mRNA sequence(s) to choose from for Pax6.  "
                                        "Which one do you want?"));
        QVERIFY(CdnaOf(q).contains("> Pax6 | mRNA sequence AK145789\r\n        1 "));
    }
};

QTEST_MAIN(TestFrmQuill)
#include "test_frmquill.moc"
