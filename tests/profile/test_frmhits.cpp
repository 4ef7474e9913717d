// The expression-profile window and its criteria window against the page
// server: the criteria window's life, input checks, a run in both modes,
// cancel, print and save; and the command line giving the window's report
// and refusing bad input. Then both on the bundled expression tables: the
// three lists, the tables' own tissues, the refusals.

#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <csignal>

#include "pageserver/pageserver.h"
#include "printing/gui/qtprinter.h"
#include "profile/expressiontable.h"
#include "profile/gui/frmhits.h"
#include "profile/gui/frmhitsoptions.h"
#include "shell/windowmanager.h"
#include "support/testsupport.h"
#include "support/widgets.h"
#include "widgets/appcontext.h"
#include "widgets/platform.h"
#include "widgets/termlisteditor.h"

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

// The bundled demo tables, where the programs find them (a link to
// data/expression in the build tree).
QString DemoTable(const QString& name) {
    return QFileInfo(QStringLiteral(QUILL_CLI_PATH)).absolutePath() +
           "/../share/quillfish/expression/" + name;
}
const QString kAtlas = "demo_mouse_baseline.tpms.tsv";
const QString kHpa = "demo_rna_tissue_consensus.tsv";
const QString kGtex = "demo_gene_median_tpm.gct.gz";

// The demo genes of the tables, and the result sections they give with
// ovary and testis (mouse table {mouse}).
const QStringList kTableGenes{"Pax6",  "Sox2", "Hoxa9",    "Nanog", "Actb", "Gapdh", "Gata4",
                              "Olfr1", "Xist", "Notagene", "TP53",  "HBB",  "GAPDH"};
QString Sections(const QString& found, const QString& notFound) {
    const auto list = [](const QString& terms) {
        QString out;
        for (const QString& t : terms.split(' ', Qt::SkipEmptyParts)) out += "\t" + t + "\r\n";
        return out;
    };
    return "Genes matched:\r\n" + list(found) + "\r\nGenes not matched:\r\n" + list(notFound) +
           "\r\nNo expression data found:\r\n"
           "\tXist: ambiguous symbol (2 rows) in {mouse}\r\n\tNotagene\r\n";
}
const QString kDefaultSections =
    Sections("Pax6 TP53", "Sox2 Hoxa9 Nanog Actb Gapdh Gata4 Olfr1 HBB GAPDH");

QString TissueNames(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out.join('|');
}

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
        // Kept values go to a folder of the test's own, never to the
        // user's settings.
        QCoreApplication::setOrganizationName("quillfish-tests");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp_.path());
        pages_ = std::make_unique<PageServer>(QStringLiteral(QUILL_PAGES_DIR));
        QVERIFY2(pages_->Start(), qPrintable(pages_->Error()));
        hang_ = std::make_unique<PageServer>(QStringLiteral(QUILL_TEST_DATA "/frmhits"));
        QVERIFY2(hang_->Start(), qPrintable(hang_->Error()));
    }
    // Every test starts without kept tables.
    void init() { QSettings().clear(); }

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

    // Ctrl-C ends a run at once: status 130, nothing written.
    void commandLineCtrlC() {
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

    // On expression tables no server is needed: the command line sorts the
    // demo genes alike on the tables of every layout, plain and packed.
    void commandLineOnTables_data() {
        QTest::addColumn<QString>("mouse");
        QTest::addColumn<QString>("human");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("sections");
        QTest::newRow("wide and long")
            << DemoTable(kAtlas) << DemoTable(kHpa) << QStringList() << kDefaultSections;
        QTest::newRow("abundance only")
            << DemoTable(kAtlas) << DemoTable(kGtex) << QStringList{"--no-tpm"}
            << Sections("Pax6 Sox2 TP53", "Hoxa9 Nanog Actb Gapdh Gata4 Olfr1 HBB GAPDH");
        QTest::newRow("TPM only") << DemoTable(kAtlas) << DemoTable(kHpa)
                                  << QStringList{"--no-abundance"}
                                  << Sections("Pax6 Hoxa9 Actb Gapdh TP53 HBB GAPDH",
                                              "Sox2 Nanog Gata4 Olfr1");
    }
    void commandLineOnTables() {
        QFETCH(QString, mouse);
        QFETCH(QString, human);
        QFETCH(QStringList, options);
        QFETCH(QString, sections);
        const QString save = tmp_.filePath("tables.txt");
        const test::CliRun cli = test::Cli(
            QStringList{"screen", "--mouse-table", mouse, "--human-table", human, "--save", save} +
            options + kTableGenes);
        QCOMPARE(cli.status, 0);
        const QString mouseName = QFileInfo(mouse).fileName();
        const QString humanTissues = human.endsWith(".gct.gz") ? "Ovary, Testis" : "ovary, testis";
        QVERIFY2(cli.out.contains("\r\n\r\nExpression table (mouse): " + mouseName +
                                  ", 10 genes, 8 tissues\r\nExpression table (human): " +
                                  QFileInfo(human).fileName() +
                                  ", 3 genes, 11 tissues\r\nLocalized expression in: ovary, "
                                  "testis (mouse); " +
                                  humanTissues + " (human)\r\n"),
                 qPrintable(cli.out));
        QCOMPARE(cli.out.mid(cli.out.indexOf("Genes matched:")),
                 QString(sections).replace("{mouse}", mouseName));
        QCOMPARE(test::ReadText(save), "\"" + cli.out + "\"\r\n");
    }

    // A table that cannot be read: its name and line, exit status 1, and
    // nothing screened.
    void commandLineRefusesBadTables_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");  // after 'Cannot read ... "name"'
        QTest::newRow("not a number") << "nan.tsv"
                                      << QByteArray(
                                             "Gene ID\tGene Name\tovary\ttestis\n"
                                             "E1\tPax6\t1\t2\nE2\tSox2\t3\tNA\n")
                                      << ": line 3: the value \"NA\" for tissue \"testis\"";
        QTest::newRow("missing") << "" << QByteArray() << ": the file was not found";
    }
    void commandLineRefusesBadTables() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QString path = tmp_.filePath(name.isEmpty() ? "absent.tsv" : name);
        if (!name.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        const QString save = tmp_.filePath("bad-table.txt");
        const test::CliRun cli = test::Cli({"screen", "--mouse-table", DemoTable(kAtlas),
                                            "--human-table", path, "--save", save, "Pax6"});
        QCOMPARE(cli.status, 1);
        QVERIFY2(cli.err.startsWith("quillfish-cli screen: Cannot read the expression table \"" +
                                    QFileInfo(path).fileName() + "\"" + error),
                 qPrintable(cli.err));
        QCOMPARE(cli.out, QString());
        QVERIFY(!QFile::exists(save));
    }

    // Usage errors (status 2) before any page or table is read; neither a
    // table nor a server: the command says what to give; a table's tissues
    // are its own names.
    void commandLineUsage() {
        const QString hang = hang_->BaseUrl();
        const struct {
            QStringList args;
            QString says;
        } rows[] = {
            {{"--ncbi-server", hang, "--mouse-tissues", "testis,Testis", "Pax6"},
             "unknown tissue 'Testis'"},
            {{"--ncbi-server", hang, "--human-tissues", " , ", "Pax6"},
             "--human-tissues names no tissue"},
            {{"--ncbi-server", hang, "--abundance", "101", "Pax6"},
             "Enter a number between 0 and 100"},
            {{"--ncbi-server", hang}, "Search box is empty"},
            {{"--ncbi-server", hang, "--report-pdf", "x.pdf", "Pax6"},
             "--report-pdf needs --title TEXT"},
            {{"Pax6"},
             "screen: no expression profiles to screen on: give --mouse-table FILE and/or "
             "--human-table FILE (RNA-seq expression tables), or the archive's EST profile "
             "pages with --demo or --ncbi-server URL\n"},
            {{"--ncbi-server", "https://www.ncbi.nlm.nih.gov", "Pax6"}, "no expression profiles"},
            {{"--mouse-table", DemoTable(kAtlas), "--mouse-tissues", "Ovary,female genital",
              "Pax6"},
             "--mouse-tissues: unknown tissue 'female genital'; demo_mouse_baseline.tpms.tsv "
             "has: brain, heart, kidney, liver, lung, ovary, spleen, testis\n"},
            {{"--human-table", DemoTable(kGtex), "--human-tissues", "ovary", "--mouse-tissues",
              "testis", "--save", tmp_.filePath("u.txt"), "TP53"},
             ""},
        };
        for (const auto& r : rows) {
            const test::CliRun cli = test::Cli(QStringList{"screen"} + r.args);
            QCOMPARE(cli.status, r.says.isEmpty() ? 0 : 2);
            QVERIFY2(cli.err.contains(r.says), qPrintable(cli.err));
        }
        // Names in any letter case, reported in the table's spelling.
        QVERIFY(test::ReadText(tmp_.filePath("u.txt"))
                    .contains("Localized expression in: testis (mouse); Ovary (human)\r\n"));
    }

    // With a table chosen, its species' list shows the table's tissues as
    // it names them, ovary and testis selected; an empty field brings the
    // archive's body sites back.
    void tablesListTheirTissues_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("human");
        QTest::addColumn<QString>("selected");
        QTest::newRow("Expression Atlas") << kAtlas << false << "ovary|testis";
        QTest::newRow("GTEx") << kGtex << true << "Ovary|Testis";
    }
    void tablesListTheirTissues() {
        QFETCH(QString, file);
        QFETCH(bool, human);
        QFETCH(QString, selected);
        App app(pages_->BaseUrl());
        app.Open();
        FrmHitsOptions* o = app.Options();
        const char* list = human ? "lstHumanTissue" : "lstTissue";
        const QString archive = TissueNames(Find<QListWidget>(o, list));
        const QString archiveSelected = Selected(o, list).join('|');
        app.platform.queueOpenFile("");  // cancelled: nothing changes
        app.platform.queueOpenFile(DemoTable(file));
        Click(o, human ? "cmdHumanTable" : "cmdMouseTable");
        QCOMPARE(TissueNames(Find<QListWidget>(o, list)), archive);
        Click(o, human ? "cmdHumanTable" : "cmdMouseTable");
        QCOMPARE(Text(o, human ? "txtHumanTable" : "txtMouseTable"), DemoTable(file));
        QCOMPARE(TissueNames(Find<QListWidget>(o, list)),
                 ReadExpressionTable(DemoTable(file)).table.Tissues().join('|'));
        QCOMPARE(Selected(o, list).join('|'), selected);
        QVERIFY(Text(o, human ? "Label8" : "Label6").endsWith("(" + file + ")"));
        QCOMPARE(app.platform.unanswered, 0);
        QCOMPARE(app.platform.messageTexts(), QStringList());

        auto* field = Find<QLineEdit>(o, human ? "txtHumanTable" : "txtMouseTable");
        field->clear();
        emit field->editingFinished();
        QCOMPARE(TissueNames(Find<QListWidget>(o, list)), archive);
        QCOMPARE(Selected(o, list).join('|'), archiveSelected);
    }

    // The window on tables chosen in the criteria window, without a
    // server: the three lists, the tables in the report, its printout and
    // its file; the choice is kept for the next start.
    void windowRunsOnTables() {
        const QString report = tmp_.filePath("window-tables.txt");
        {
            App app(Settings().NcbiServerBase);
            FrmHits* h = app.Open();
            FrmHitsOptions* o = app.Options();
            app.platform.queueOpenFile(DemoTable(kAtlas));
            app.platform.queueOpenFile(DemoTable(kGtex));
            Click(o, "cmdMouseTable");
            Click(o, "cmdHumanTable");
            SetAdvanced(h, kTableGenes);
            Click(h, "cmdSearch");
            ExpectIdle(h, "Search complete", true);
            const QString shown = h->ResultsText();
            QVERIFY2(shown.contains("Expression table (mouse): " + kAtlas +
                                    ", 10 genes, 8 tissues\r\nExpression table (human): " + kGtex +
                                    ", 3 genes, 11 tissues\r\n"),
                     qPrintable(shown));
            QCOMPARE(shown.mid(shown.indexOf("Genes matched:")),
                     QString(kDefaultSections).replace("{mouse}", kAtlas));

            PrinterDouble printers;
            app.platform.queueInput("Tables");
            Click(h, "cmdPrint");
            QCOMPARE(printers.documents.size(), 1);
            QVERIFY(printers.documents[0].lines.contains("Expression table (human): " + kGtex +
                                                         ", 3 genes, 11 tissues"));
            app.platform.queueSaveFile(report);
            Click(h, "cmdSave");
            QCOMPARE(test::ReadText(report), "\"" + shown + "\"\r\n");
            QCOMPARE(app.platform.unanswered, 0);
        }
        App again(Settings().NcbiServerBase);
        again.Open();
        QCOMPARE(Text(again.Options(), "txtMouseTable"), DemoTable(kAtlas));
        QCOMPARE(Text(again.Options(), "txtHumanTable"), DemoTable(kGtex));
        QCOMPARE(Selected(again.Options(), "lstHumanTissue"), (QStringList{"Ovary", "Testis"}));
        QCOMPARE(QSettings().value(FrmHitsOptions::kHumanTableKey).toString(), DemoTable(kGtex));
    }

    // A table that cannot be read is reported when it is chosen and again
    // when a run needs it, and nothing is screened; without a table and
    // without a server the window says what to choose.
    void windowRefusals_data() {
        QTest::addColumn<QString>("table");  // "" none
        QTest::addColumn<QStringList>("messages");
        const QString bad = tmp_.filePath("bad.tsv");
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Gene ID\tGene Name\tovary\ttestis\nE1\tPax6\t1\t-2\n");
        f.close();
        const QString cannot =
            "Message|Expression table|Cannot read the expression table \"bad.tsv\": line 2: the "
            "value \"-2\" for tissue \"testis\" is not a decimal number of 0 or more.|Exclamation";
        QTest::newRow("bad table") << bad << QStringList{cannot, cannot};
        QTest::newRow("no table, no server")
            << ""
            << QStringList{
                   "Message|No expression profiles|There are no expression "
                   "profiles to screen on. Choose a mouse or human expression "
                   "table under Search Options (Expression tables).\n\nThe EST "
                   "profile pages were retired from NCBI in 2019; they are read "
                   "only from a server given with --ncbi-server, or from the "
                   "sample pages when the program is started with "
                   "--demo.|Exclamation"};
    }
    void windowRefusals() {
        QFETCH(QString, table);
        QFETCH(QStringList, messages);
        App app(Settings().NcbiServerBase);
        FrmHits* h = app.Open();
        if (!table.isEmpty()) {
            app.platform.queueOpenFile(table);
            Click(app.Options(), "cmdHumanTable");
            QCOMPARE(Find<QListWidget>(app.Options(), "lstHumanTissue")->count(),
                     HumanTissues().size());
        }
        SetText(h, "txtSearch", "Pax6");
        Click(h, "cmdSearch");
        QCOMPARE(app.platform.log().filter(QRegularExpression("^Message\\|")), messages);
        ExpectIdle(h, QString(), false);
        QVERIFY(h->Engine().Results().lstNoData.isEmpty());
    }
};

QTEST_MAIN(TestFrmHits)
#include "test_frmhits.moc"
