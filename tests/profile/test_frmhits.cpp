// The expression-profile window and its criteria window against the page
// server: load state and the criteria window's life, modes, input checks,
// a run in both modes with its running and end states, cancel, print and
// save; and the command line giving the window's report.

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <csignal>

#include "common/gui/platform.h"
#include "common/gui/qtprinter.h"
#include "common/gui/termlisteditor.h"
#include "common/pageserver.h"
#include "common/textrules.h"
#include "profile/gui/frmhits.h"
#include "profile/gui/frmhitsoptions.h"
#include "shell/appcontext.h"
#include "shell/windowmanager.h"
#include "support/testsupport.h"

using namespace quill;
using namespace quill::ui;

namespace {

template <class T = QWidget>
T* Find(QWidget* w, const char* name) {
    T* found = w->findChild<T*>(QLatin1String(name));
    if (!found) qFatal("control %s not found", name);
    return found;
}
QString Text(QWidget* w, const char* name) {
    return Find(w, name)->property("text").toString();
}
void Click(QWidget* w, const char* name) {
    Find<QAbstractButton>(w, name)->click();
}
void SetText(QWidget* w, const char* name, const QString& text) {
    Find<QLineEdit>(w, name)->setText(text);
}
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

QWidget* Placeholder(const QString& name) {
    auto* w = new QWidget;
    w->setObjectName(name);
    return w;
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
        wm.Register(win::Menu, [](AppContext&) { return Placeholder(win::Menu); });
    }
    FrmHits* Open() { return qobject_cast<FrmHits*>(wm.Show(win::Hits)); }
    FrmHitsOptions* Options() { return wm.As<FrmHitsOptions>(win::HitsOptions); }
};

void SetAdvanced(FrmHits* h, const QStringList& terms) {
    if (!Find<QCheckBox>(h, "chkSearch")->isChecked()) Click(h, "chkSearch");
    h->Editor()->SetTerms(terms);
}

// The state between runs.
void ExpectIdle(FrmHits* h, const QString& loading, bool results) {
    QVERIFY(!h->IsRunning());
    QCOMPARE(Text(h, "lblLoading"), loading);
    QVERIFY(Find(h, "fraSearch")->isEnabled());
    QCOMPARE(Find(h, "fraResults")->isEnabled(), results);
    QVERIFY(Find(h, "cmdMenu")->isEnabled());
    QVERIFY(!Find(h, "pgrBar")->isVisible());
    QVERIFY(!h->Editor()->CancelButton()->isVisible());
    QCOMPARE(Text(h, "lblStatus"), QString());
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
    void cleanup() { SetNowForTesting(std::nullopt); }

    void loadStateAndCriteriaWindowLife() {
        App app(pages_->BaseUrl());
        FrmHits* h = app.Open();
        ExpectIdle(h, QString(), false);
        QVERIFY(Find(h, "txtSearch")->isEnabled() && !h->Editor()->List()->isVisible());
        // The mode switch: there and back.
        for (bool advanced : {true, false}) {
            Click(h, "chkSearch");
            QCOMPARE(Text(h, "chkSearch"),
                     advanced ? "Click for Simple Search" : "Click for Advanced Search");
            QCOMPARE(Find(h, "txtSearch")->isEnabled(), !advanced);
            QCOMPARE(h->Editor()->List()->isVisible(), advanced);
            QCOMPARE(Find(h, "fraSearch")->height(),
                     advanced ? FrmHits::kAdvancedFrameHeight : FrmHits::kSimpleFrameHeight);
        }

        // Loaded hidden with its defaults.
        FrmHitsOptions* o = app.Options();
        QVERIFY(o && !o->isVisible());
        QCOMPARE(Selected(o, "lstTissue"), (QStringList{"female genital", "testis"}));
        QCOMPARE(Selected(o, "lstHumanTissue"), (QStringList{"ovary", "testis"}));
        QCOMPARE(Text(o, "txtAbundance"), "50");
        QCOMPARE(Text(o, "txtTissue"), "100");
        QVERIFY(Find<QCheckBox>(o, "chkAbundance")->isChecked());
        QVERIFY(Find<QCheckBox>(o, "chkTissue")->isChecked());

        // Shown non-modal; a click toggles one entry.
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
        Click(o, "chkTissue");
        Click(o, "cmdDefault");
        QCOMPARE(Text(o, "txtTissue"), "100");
        Click(o, "cmdOK");
        QVERIFY(!o->isVisible());
        QCOMPARE(app.platform.log(),
                 QStringList{"Message|Invalid value|Enter a number between 0 and 100 for EST "
                             "expression abundance|Exclamation"});

        // Closing and reopening frmHits keeps the criteria window as it is.
        SetText(o, "txtAbundance", "7");
        Click(h, "cmdMenu");
        QTRY_VERIFY(!app.wm.IsLoaded(win::Hits));
        QVERIFY(app.wm.IsLoaded(win::HitsOptions));
        h = app.Open();
        QCOMPARE(app.Options(), o);
        QCOMPARE(Text(o, "txtAbundance"), "7");
        QCOMPARE(Selected(o, "lstTissue"), (QStringList{"brain", "female genital"}));
        QVERIFY(!Find<QCheckBox>(o, "chkTissue")->isChecked());
    }

    void inputChecks() {
        App app(pages_->BaseUrl());
        FrmHits* h = app.Open();
        Click(h, "cmdSearch");
        SetAdvanced(h, {});
        Click(h, "cmdSearch");
        h->Editor()->SetTerms({"Pax6"});
        ClickEntry(app.Options(), "lstHumanTissue", "ovary");
        ClickEntry(app.Options(), "lstHumanTissue", "testis");
        Click(h, "cmdSearch");
        QCOMPARE(app.platform.log(),
                 (QStringList{"Message|Search empty|Search box is empty|Exclamation",
                              "Message|Listbox empty|Listbox is empty|Exclamation",
                              "Message|No tissue selected|No human tissue is selected. Select at "
                              "least one tissue of each species under Search Options.|"
                              "Exclamation"}));
        QCOMPARE(pages_->RequestCount(), 0);
        ExpectIdle(h, QString(), false);
    }

    void runsInBothModes() {
        SetNowForTesting(QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)));
        App app(pages_->BaseUrl());
        FrmHits* h = app.Open();
        h->Editor()->SetTerms({"old"});
        SetText(h, "txtSearch", "Pax:6");
        Click(h, "cmdSearch");
        ExpectIdle(h, "Search complete", true);
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
            QVERIFY(!Find(h, "fraSearch")->isEnabled());
            QVERIFY(Find(h, "fraResults")->isEnabled());  // kept from the first run
            QVERIFY(!Find(h, "cmdMenu")->isEnabled());
            QVERIFY(Find(h, "pgrBar")->isVisible() && h->Editor()->CancelButton()->isVisible());
            QCOMPARE(Text(h, "lblLoading"), "Searching...");
            QVERIFY(Text(h, "lblStatus").contains(" complete.  Current search term: "));
            QCOMPARE(h->height(), FrmHits::kRunHeight);
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
        QCOMPARE(h->ResultsText(), BuildScreeningReport(r, app.Options()->Criteria(), Now()));

        // Print: no title prints nothing; the printout follows the check
        // boxes as they are now, the box keeps its text.
        const QString shown = h->ResultsText();
        Click(app.Options(), "chkAbundance");
        PrinterDouble printers;
        app.platform.queueInput("");
        app.platform.queueInput("Screen of the week");
        Click(h, "cmdPrint");
        Click(h, "cmdPrint");
        QCOMPARE(app.platform.log(), QStringList(2, "Input|Title|Enter title:|None"));
        QCOMPARE(printers.documents.size(), 1);
        const QStringList lines = printers.documents[0].lines;
        QCOMPARE(lines.value(0), "Screen of the week");
        QVERIFY(!lines.join('\n').contains("EST expression in at least"));
        QVERIFY(lines.contains("At least one tissue's TPM must be greater than 100"));
        QCOMPARE(lines.mid(lines.indexOf("Genes matched:")),
                 (QStringList{"Genes matched:", "Pax6", "TP53", "Pax6",
                              "Genes not matched:", "Sox2", "Hoxa9", "HBB",
                              "No expression data found:", "Olfr1", "Xist", "Notagene"}));
        QCOMPARE(h->ResultsText(), shown);

        // Save: one quoted item; an empty name saves nothing; a failure says so.
        const QString path = tmp_.filePath("report.txt");
        app.platform.clear();
        app.platform.queueSaveFile("");
        app.platform.queueSaveFile(path);
        app.platform.queueSaveFile(tmp_.filePath("no/such/folder/report.txt"));
        for (int i = 0; i < 3; ++i) Click(h, "cmdSave");
        QCOMPARE(test::ReadBytes(path), ("\"" + shown + "\"\r\n").toUtf8());
        QVERIFY(test::ReadBytes(path).startsWith("\"Expression Profile Results for "));
        QVERIFY(test::ReadBytes(path).endsWith("\tNotagene\r\n\"\r\n"));
        const QStringList messages = app.platform.messageTexts();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith("The report could not be saved to "));
    }

    void cancelKeepsTheLastReport() {
        App app(hang_->BaseUrl());
        FrmHits* h = app.Open();
        Find<QPlainTextEdit>(h, "txtResults")->setPlainText("earlier report\n");
        SetAdvanced(h, {"Hang1"});
        QTimer::singleShot(300, h, [&] {
            app.platform.queueAnswer(true);
            h->Editor()->CancelButton()->click();
        });
        Click(h, "cmdSearch");
        ExpectIdle(h, "Search canceled", false);
        QVERIFY(!app.ctx.module.CancelSearch);
        QCOMPARE(h->ResultsText(), "earlier report\r\n");
        QVERIFY(h->Engine().Results().txtAbundance1.isEmpty());
        QCOMPARE(app.platform.log(),
                 QStringList{"Question|Cancel?|Are you sure you want to cancel the "
                             "search?|Question"});
    }

    void commandLineGivesTheWindowsReport() {
        App app(pages_->BaseUrl());
        FrmHits* h = app.Open();
        FrmHitsOptions* o = app.Options();
        for (const char* t : {"brain", "female genital"}) ClickEntry(o, "lstTissue", t);
        ClickEntry(o, "lstHumanTissue", "ovary");
        SetText(o, "txtAbundance", "29");
        Click(o, "chkTissue");
        SetAdvanced(h, kDemoGenes);
        Click(h, "cmdSearch");
        const QString window = h->ResultsText();

        const QString save = tmp_.filePath("cli.txt");
        const QString pdf = tmp_.filePath("cli.pdf");
        QProcess cli;
        cli.start(
            QStringLiteral(QUILL_CLI_PATH),
            QStringList{"screen", "--ncbi-server", pages_->BaseUrl(), "--mouse-tissues",
                        "testis, brain", "--human-tissues", "testis", "--abundance", "29",
                        "--no-tpm", "--save", save, "--report-pdf", pdf, "--title", "Week 49"} +
                kDemoGenes);
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 0);
        const QString out = QString::fromUtf8(cli.readAllStandardOutput());
        QVERIFY(window.contains("Localized expression in: brain, testis (mouse); testis (human)"));
        QCOMPARE(WithoutWhen(out), WithoutWhen(window));
        QCOMPARE(test::ReadText(save), "\"" + out + "\"\r\n");

        // The printed report of the same run, as a PDF.
        QProcess text;
        text.start("pdftotext", {pdf, "-"});
        QVERIFY(text.waitForFinished(30000));
        const QStringList printed =
            QString::fromUtf8(text.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(printed.value(0), "Week 49");
        QVERIFY(printed.indexOf("Genes matched:") < printed.indexOf("Genes not matched:"));
        QVERIFY(printed.indexOf("Genes matched:") > 0);
    }

    void commandLineUsageErrorsAndCtrlC() {
        struct Row {
            QStringList args;
            QString says;
        } rows[] = {
            {{"--mouse-tissues", "testis,Testis", "Pax6"},
             "unknown tissue 'Testis'; valid names: adipose tissue, blood"},
            {{"--human-tissues", " , ", "Pax6"}, "--human-tissues names no tissue"},
            {{"--abundance", "101", "Pax6"}, "Enter a number between 0 and 100"},
            {{"--tpm", "-1", "Pax6"}, "Enter a number greater than 0"},
            {{}, "Search box is empty"},
            {{"--report-pdf", "x.pdf", "Pax6"}, "--report-pdf needs --title TEXT"},
        };
        for (const Row& r : rows) {
            QProcess cli;
            cli.start(QStringLiteral(QUILL_CLI_PATH),
                      QStringList{"screen", "--ncbi-server", hang_->BaseUrl()} + r.args);
            QVERIFY(cli.waitForFinished(30000));
            QCOMPARE(cli.exitCode(), 2);
            const QString err = QString::fromUtf8(cli.readAllStandardError());
            QVERIFY2(err.contains(r.says), qPrintable(err));
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
