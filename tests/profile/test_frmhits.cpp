// The expression-profile window and its criteria window against the page
// server: the criteria window's life, input checks, a run in both modes,
// cancel, print and save; and the command line giving the window's report
// and refusing bad input.

#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <csignal>

#include "widgets/platform.h"
#include "printing/gui/qtprinter.h"
#include "widgets/termlisteditor.h"
#include "pageserver/pageserver.h"
#include "profile/gui/frmhits.h"
#include "profile/gui/frmhitsoptions.h"
#include "widgets/appcontext.h"
#include "shell/windowmanager.h"
#include "support/testsupport.h"
#include "support/widgets.h"

using namespace quill;
using namespace quill::ui;

namespace {

using test::Click;
using test::Find;
using test::SetText;
using test::Text;

QStringList Selected(QWidget* w, const char* list) {
    QStringList out;
    auto* l = Find<QListWidget>(w, list);
    for (int i = 0; i < l->count(); ++i)
        if (l->item(i)->isSelected()) out << l->item(i)->text();
    return out;
}
// Clicks an entry of a tissue list as the user does (toggling it).
void ClickEntry(QWidget* w, const char* list, const QString& entry) {
    auto* l = Find<QListWidget>(w, list);
    QListWidgetItem* item = l->findItems(entry, Qt::MatchExactly).value(0);
    QVERIFY(item);
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->visualItemRect(item).center());
}

struct App {
    AppContext ctx;
    WindowManager wm{ctx};
    PlatformDouble platform;

    explicit App(const QString& base) {
        ctx.windows = &wm;
        ctx.settings.NcbiServerBase = base;
        ctx.settings.PolitenessMs = 0;
        wm.Register(win::Hits, CreateFrmHits);
        wm.Register(win::HitsOptions, CreateFrmHitsOptions);
        wm.Register(win::Menu, [](AppContext&) { return new QWidget; });
    }
    FrmHits* Open() { return qobject_cast<FrmHits*>(wm.Show(win::Hits)); }
    FrmHitsOptions* Options() { return wm.As<FrmHitsOptions>(win::HitsOptions); }
};

void SetAdvanced(FrmHits* h, const QStringList& terms) {
    if (!test::Checked(h, "chkSearch")) Click(h, "chkSearch");
    h->Editor()->SetTerms(terms);
}

// The state between runs.
void ExpectIdle(FrmHits* h, const QString& loading, bool results) {
    QVERIFY(!h->IsRunning());
    QCOMPARE(Text(h, "lblLoading"), loading);
    QCOMPARE(Find(h, "fraResults")->isEnabled(), results);
    QVERIFY(Find(h, "cmdMenu")->isEnabled());
    QVERIFY(!h->Editor()->CancelButton()->isVisible());
    QCOMPARE(h->height(), FrmHits::kIdleHeight);
}

const QStringList kDemoGenes{"Pax6", "Sox2", "Hoxa9", "Olfr1", "Xist", "Notagene", "TP53", "HBB"};

// The report's first line carries the time of the run.
QString WithoutWhen(QString report) {
    return report.replace(QRegularExpression("^Expression Profile Results for [^\r]*"), "WHEN");
}

}  // namespace

class TestFrmHits : public QObject {
    Q_OBJECT
    std::unique_ptr<PageServer> pages_;
    std::unique_ptr<PageServer> hang_;
    QTemporaryDir tmp_;

  private slots:
    void initTestCase() {
        pages_ = std::make_unique<PageServer>(QStringLiteral(QUILL_PAGES_DIR));
        QVERIFY2(pages_->Start(), qPrintable(pages_->Error()));
        hang_ = std::make_unique<PageServer>(QStringLiteral(QUILL_TEST_DATA "/frmhits"));
        QVERIFY2(hang_->Start(), qPrintable(hang_->Error()));
    }

    void loadStateAndCriteriaWindowLife() {
        App app(pages_->BaseUrl());
        FrmHits* h = app.Open();
        ExpectIdle(h, QString(), false);
        Click(h, "chkSearch");
        QVERIFY(!Find(h, "txtSearch")->isEnabled() && h->Editor()->List()->isVisible());
        Click(h, "chkSearch");

        // Loaded hidden with its default selections; shown non-modal, a
        // click toggles one entry.
        FrmHitsOptions* o = app.Options();
        QVERIFY(o && !o->isVisible());
        QCOMPARE(Selected(o, "lstTissue"), (QStringList{"female genital", "testis"}));
        QCOMPARE(Selected(o, "lstHumanTissue"), (QStringList{"ovary", "testis"}));
        Click(h, "cmdOptions");
        QVERIFY(o->isVisible() && !o->isModal());
        ClickEntry(o, "lstTissue", "brain");
        ClickEntry(o, "lstTissue", "testis");
        QCOMPARE(Selected(o, "lstTissue"), (QStringList{"brain", "female genital"}));

        // OK refuses a bad threshold and stays; Default restores only numbers.
        SetText(o, "txtAbundance", "101");
        SetText(o, "txtTissue", "x");
        Click(o, "cmdOK");
        QVERIFY(o->isVisible());
        Click(o, "cmdDefault");
        QCOMPARE(Text(o, "txtTissue"), "100");
        Click(o, "cmdOK");
        QVERIFY(!o->isVisible());
        QCOMPARE(app.platform.messageTexts(),
                 QStringList{"Enter a number between 0 and 100 for EST expression abundance"});

        // Input checks before any page is asked for.
        app.platform.clear();
        Click(h, "cmdSearch");
        SetAdvanced(h, {});
        Click(h, "cmdSearch");
        h->Editor()->SetTerms({"Pax6"});
        ClickEntry(o, "lstHumanTissue", "ovary");
        ClickEntry(o, "lstHumanTissue", "testis");
        Click(h, "cmdSearch");
        QCOMPARE(app.platform.messageTexts(),
                 (QStringList{"Search box is empty", "Listbox is empty",
                              "No human tissue is selected. Select at least "
                              "one tissue of each species under Search Options."}));
        QCOMPARE(pages_->RequestCount(), 0);
        ExpectIdle(h, QString(), false);
    }

    void runsInBothModes() {
        App app(pages_->BaseUrl());
        FrmHits* h = app.Open();
        h->Editor()->SetTerms({"old"});
        SetText(h, "txtSearch", "Pax:6");
        Click(h, "cmdSearch");
        QCOMPARE(h->Editor()->Terms(), QStringList{"Pax:6"});
        QCOMPARE(h->Engine().Results().lstFound, QStringList{"Pax:6"});

        // Advanced: the running state seen from inside a page wait.
        SetAdvanced(h, kDemoGenes + QStringList{"Pax6"});
        bool seen = false;
        QTimer probe;
        probe.setInterval(5);
        connect(&probe, &QTimer::timeout, h, [&] {
            if (!h->IsRunning() || seen) return;
            seen = true;
            QVERIFY(!Find(h, "fraSearch")->isEnabled() && !Find(h, "cmdMenu")->isEnabled());
            QVERIFY(Find(h, "pgrBar")->isVisible() && h->Editor()->CancelButton()->isVisible());
        });
        probe.start();
        Click(h, "cmdSearch");
        probe.stop();
        QVERIFY(seen);
        ExpectIdle(h, "Search complete", true);
        const ScreeningResults& r = h->Engine().Results();
        QCOMPARE(r.lstFound, (QStringList{"Pax6", "TP53", "Pax6"}));
        QCOMPARE(r.lstNotFound, (QStringList{"Sox2", "Hoxa9", "HBB"}));
        QCOMPARE(r.lstNoData, (QStringList{"Olfr1", "Xist", "Notagene"}));
        const QString shown = h->ResultsText();

        // Print: no title prints nothing; the printout follows the check
        // boxes as they are now, the box keeps its text.
        Click(app.Options(), "chkAbundance");
        PrinterDouble printers;
        app.platform.queueInput("");
        app.platform.queueInput("Screen of the week");
        Click(h, "cmdPrint");
        Click(h, "cmdPrint");
        QCOMPARE(printers.documents.size(), 1);
        QCOMPARE(printers.documents[0].lines.value(0), "Screen of the week");
        QVERIFY(!printers.documents[0].lines.join('\n').contains("EST expression in at least"));
        QCOMPARE(h->ResultsText(), shown);

        // Save: one quoted item; an empty name saves nothing; a failure says so.
        const QString path = tmp_.filePath("report.txt");
        app.platform.clear();
        app.platform.queueSaveFile("");
        app.platform.queueSaveFile(path);
        app.platform.queueSaveFile(tmp_.filePath("no/such/folder/report.txt"));
        for (int i = 0; i < 3; ++i) Click(h, "cmdSave");
        QCOMPARE(test::ReadBytes(path), ("\"" + shown + "\"\r\n").toUtf8());
        QCOMPARE(app.platform.messageTexts().size(), 1);
        QVERIFY(app.platform.messageTexts()[0].startsWith("The report could not be saved to "));

        // The command line gives the window's report for the same run.
        const QString save = tmp_.filePath("cli.txt");
        const QString pdf = tmp_.filePath("cli.pdf");
        const test::CliRun cli = test::Cli(
            QStringList{"screen", "--ncbi-server", pages_->BaseUrl(), "--mouse-tissues",
                        "testis, female genital", "--human-tissues", "ovary,testis", "--abundance",
                        "50", "--tpm", "100", "--save", save, "--report-pdf", pdf, "--title", "W"} +
            kDemoGenes + QStringList{"Pax6"});
        QCOMPARE(cli.status, 0);
        QCOMPARE(WithoutWhen(cli.out), WithoutWhen(shown));
        QCOMPARE(test::ReadText(save), "\"" + cli.out + "\"\r\n");
        QVERIFY(QFileInfo(pdf).size() > 0);
    }

    // The run checks the thresholds as OK does, whether or not the user
    // pressed OK, and asks for no page when one fails.
    void runRefusesThresholdsOkRefuses_data() {
        QTest::addColumn<QString>("abundance");
        QTest::addColumn<QString>("tpm");
        QTest::addColumn<QString>("message");
        const QString valid = "Enter a valid number for EST expression abundance";
        QTest::newRow("letter O") << "5O"
                                  << "100" << valid;
        QTest::newRow("letters") << "abc"
                                 << "100" << valid;
        QTest::newRow("TPM below 0")
            << "50"
            << "-5"
            << "Enter a number greater than 0 for specified tissue minimum";
    }
    void runRefusesThresholdsOkRefuses() {
        QFETCH(QString, abundance);
        QFETCH(QString, tpm);
        QFETCH(QString, message);
        App app(pages_->BaseUrl());
        FrmHits* h = app.Open();
        Click(h, "cmdOptions");
        SetText(app.Options(), "txtAbundance", abundance);
        SetText(app.Options(), "txtTissue", tpm);
        SetText(h, "txtSearch", "Hoxa9");
        const int before = pages_->RequestCount();
        Click(h, "cmdSearch");
        QCOMPARE(app.platform.log(),
                 QStringList{"Message|Invalid value|" + message + "|Exclamation"});
        QCOMPARE(pages_->RequestCount(), before);
        ExpectIdle(h, QString(), false);
    }

    // Enter in the Add box adds and leaves it empty; after a run the next
    // name can be typed at once, and the report box is read, not edited.
    void typingAndTheReportBox() {
        App app(pages_->BaseUrl());
        FrmHits* h = app.Open();
        SetAdvanced(h, {});
        QLineEdit* add = h->Editor()->AddBox();
        for (const char* term : {"Pax6", "Hoxa9"}) {
            QTest::keyClicks(add, term);
            QTest::keyClick(add, Qt::Key_Return);
        }
        QCOMPARE(h->Editor()->Terms(), (QStringList{"Pax6", "Hoxa9"}));
        Click(h, "cmdSearch");
        ExpectIdle(h, "Search complete", true);
        QCOMPARE(h->focusWidget(), add);
        Click(h, "chkSearch");
        SetText(h, "txtSearch", "Sox2");
        Click(h, "cmdSearch");
        QCOMPARE(h->focusWidget(), Find(h, "txtSearch"));

        const QString report = h->ResultsText();
        QWidget* box = Find(h, "txtResults");
        box->setFocus();
        QTest::keyClicks(box, "x");
        QTest::keyClick(box, Qt::Key_Tab);
        QCOMPARE(h->ResultsText(), report);
        QVERIFY(h->focusWidget() != box);
    }

    // The run takes the tissue selection once, when it starts: a change in
    // the open criteria window counts from the next run on.
    void tissueSelectionTakenAtStart() {
        App app(pages_->BaseUrl());
        FrmHits* h = app.Open();
        FrmHitsOptions* o = app.Options();
        Click(h, "cmdOptions");
        SetAdvanced(h, {"Pax6", "Pax6"});
        bool changed = false;
        connect(Find<QProgressBar>(h, "pgrBar"), &QProgressBar::valueChanged, h, [&](int value) {
            if (changed || value == 0) return;
            changed = true;  // after the first page, before any profile is judged
            for (const char* entry : {"female genital", "testis", "brain"})
                ClickEntry(o, "lstTissue", entry);
        });
        Click(h, "cmdSearch");
        QVERIFY(changed);
        QCOMPARE(h->Engine().Results().lstFound, (QStringList{"Pax6", "Pax6"}));
        QVERIFY(h->ResultsText().contains(
            "Localized expression in: female genital, testis (mouse); ovary, testis (human)\r\n"));
        Click(h, "cmdSearch");
        QCOMPARE(h->Engine().Results().lstNotFound, (QStringList{"Pax6", "Pax6"}));
    }

    // A printout after a canceled run says how far the run came.
    void canceledRunSaysSoInItsPrintout() {
        App app(pages_->BaseUrl());
        FrmHits* h = app.Open();
        SetText(h, "txtSearch", "Pax6");
        Click(h, "cmdSearch");
        SetAdvanced(h, kDemoGenes);
        // Cancel once Pax6 and Sox2 are screened (three thirds of 125 each).
        bool canceled = false;
        connect(Find<QProgressBar>(h, "pgrBar"), &QProgressBar::valueChanged, h, [&](int value) {
            if (canceled || value < 246) return;
            canceled = true;
            app.platform.queueAnswer(true);
            h->Editor()->CancelButton()->click();
        });
        Click(h, "cmdSearch");
        ExpectIdle(h, "Search canceled", true);
        PrinterDouble printers;
        app.platform.queueInput("Canceled screen");
        Click(h, "cmdPrint");
        QCOMPARE(printers.documents.size(), 1);
        const QStringList lines = printers.documents[0].lines;
        QCOMPARE(lines.value(2), "Cancelled after 2 of 8 terms");
        QVERIFY(lines.contains("Sox2") && !lines.contains("Hoxa9"));
    }

    void cancelKeepsTheLastReport() {
        App app(hang_->BaseUrl());
        FrmHits* h = app.Open();
        SetText(h, "txtResults", "earlier report\n");
        SetAdvanced(h, {"Hang1"});
        QTimer::singleShot(300, h, [&] {
            app.platform.queueAnswer(true);
            h->Editor()->CancelButton()->click();
        });
        Click(h, "cmdSearch");
        ExpectIdle(h, "Search canceled", false);
        QVERIFY(!app.ctx.module.CancelSearch);
        QCOMPARE(h->ResultsText(), "earlier report\r\n");
        QCOMPARE(app.platform.log(), QStringList{"Question|Cancel?|Are you sure you want to "
                                                 "cancel the search?|Question"});
    }

    void commandLineUsageErrorsAndCtrlC() {
        const struct {
            QStringList args;
            QString says;
        } rows[] = {
            {{"--mouse-tissues", "testis,Testis", "Pax6"}, "unknown tissue 'Testis'"},
            {{"--human-tissues", " , ", "Pax6"}, "--human-tissues names no tissue"},
            {{"--abundance", "101", "Pax6"}, "Enter a number between 0 and 100"},
            {{}, "Search box is empty"},
            {{"--report-pdf", "x.pdf", "Pax6"}, "--report-pdf needs --title TEXT"},
        };
        for (const auto& r : rows) {
            const test::CliRun cli =
                test::Cli(QStringList{"screen", "--ncbi-server", hang_->BaseUrl()} + r.args);
            QCOMPARE(cli.status, 2);
            QVERIFY2(cli.err.contains(r.says), qPrintable(cli.err));
        }
        const QString save = tmp_.filePath("canceled.txt");
        QProcess cli;
        cli.start(QStringLiteral(QUILL_CLI_PATH),
                  {"screen", "--ncbi-server", hang_->BaseUrl(), "--save", save, "Hang1"});
        const int before = hang_->RequestCount();
        QVERIFY(cli.waitForStarted());
        QTRY_VERIFY(hang_->RequestCount() > before);
        ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitCode(), 130);
        QVERIFY(cli.readAllStandardOutput().isEmpty());
        QVERIFY(!QFile::exists(save));
    }
};

QTEST_MAIN(TestFrmHits)
#include "test_frmhits.moc"
