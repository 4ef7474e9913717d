// The search window against the page server: load state, modes, input
// checks, the running and end states, cancel while a page hangs, the option
// switches, save, the hand-on to IGTC and the way back to the menu.

#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "common/gui/platform.h"
#include "common/gui/termlisteditor.h"
#include "common/pageserver.h"
#include "common/textrules.h"
#include "search/gui/frmoptions.h"
#include "search/gui/frmquill.h"
#include "search/searchengine.h"
#include "shell/appcontext.h"
#include "shell/windowmanager.h"
#include "support/testsupport.h"

using namespace quill;
using namespace quill::ui;

namespace {

QWidget* Placeholder(const QString& name) {
    auto* w = new QWidget;
    w->setObjectName(name);
    return w;
}

// One program run: context, window manager with the search, options, menu
// and IGTC windows, and the dialog double.
struct App {
    AppContext ctx;
    WindowManager wm{ctx};
    PlatformDouble platform;

    explicit App(const QString& base) {
        ctx.windows = &wm;
        ctx.settings.NcbiServerBase = base;
        ctx.settings.IgtcServerBase = base;
        ctx.settings.PolitenessMs = 0;
        wm.Register(win::Quill, CreateFrmQuill);
        wm.Register(win::Options, CreateFrmOptions);
        wm.Register(win::Menu, [](AppContext&) { return Placeholder(win::Menu); });
        wm.Register(win::Igtc, [](AppContext&) { return Placeholder(win::Igtc); });
    }
    FrmQuill* Open() { return qobject_cast<FrmQuill*>(wm.Show(win::Quill)); }
    FrmOptions* Options() { return wm.As<FrmOptions>(win::Options); }
};

template <class T>
T* Find(QWidget* w, const char* name) {
    T* found = w->findChild<T*>(QLatin1String(name));
    if (!found) qWarning("control %s not found", name);
    return found;
}

QPushButton* Cancel(FrmQuill* q) {
    return q->Editor()->CancelButton();
}

void SetAdvanced(FrmQuill* q, const QStringList& terms) {
    auto* chk = Find<QCheckBox>(q, "chkSearch");
    if (!chk->isChecked()) chk->click();
    q->Editor()->SetTerms(terms);
}

// Runs fn after ms milliseconds, inside whatever wait is under way then;
// never after the window is gone.
void After(int ms, QObject* window, std::function<void()> fn) {
    QTimer::singleShot(ms, window, fn);
}

}  // namespace

class TestFrmQuill : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void loadState();
    void modeSwitch();
    void searchBoxSelectsOnFocus();
    void inputChecks_data();
    void inputChecks();
    void termLimit_data();
    void termLimit();
    void cancelWhilePageHangs();
    void accessionSwitch();
    void save();
    void saveFailureChangesNothing_data();
    void saveFailureChangesNothing();
    void openIgtc_data();
    void openIgtc();
    void processIgtcKeepsOptions();
    void menuThenReopenStartsAfresh();
    void closeBoxLeadsToMenu();
    void printNotAvailableYet();
    void simpleSearch();
    void enterKey();
    void advancedThreeTermSearch();
    void choiceDialogAnsweredByUser_data();
    void choiceDialogAnsweredByUser();
    void accessionRun();

  private:
    std::unique_ptr<PageServer> hang_;
    std::unique_ptr<PageServer> pages_;
};

void TestFrmQuill::initTestCase() {
    hang_ = std::make_unique<PageServer>(QStringLiteral(QUILL_TEST_DATA "/frmquill"));
    QVERIFY2(hang_->Start(), qPrintable(hang_->Error()));
    pages_ = std::make_unique<PageServer>(QStringLiteral(QUILL_PAGES_DIR));
    QVERIFY2(pages_->Start(), qPrintable(pages_->Error()));
    SetNowForTesting(QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9)));
}

void TestFrmQuill::loadState() {
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    QVERIFY(q);
    QCOMPARE(q->objectName(), QStringLiteral("frmQuill"));
    QCOMPARE(q->windowTitle(), QStringLiteral("Quillfish"));
    QCOMPARE(Find<QLabel>(q, "lblTitle")->text(), QStringLiteral("Unigene-IGTC Search"));
    QCOMPARE(Find<QGroupBox>(q, "fraSearch")->title(), QStringLiteral("1: SEARCH"));
    QCOMPARE(Find<QGroupBox>(q, "fraResults")->title(), QStringLiteral("2: RESULTS"));
    QCOMPARE(Find<QPushButton>(q, "cmdSearch")->text(), QStringLiteral("&SEARCH Unigene"));
    QCOMPARE(Find<QPushButton>(q, "cmdSearchOptions")->text(), QStringLiteral("&Search Options"));
    QCOMPARE(Find<QPushButton>(q, "cmdSave")->toolTip(), QStringLiteral("Save current window"));
    QCOMPARE(Find<QPushButton>(q, "cmdMenu")->toolTip(), QStringLiteral("Exit Quillfish"));
    QCOMPARE(Find<QCheckBox>(q, "chkSearch")->text(), QStringLiteral("Click for Advanced Search"));
    QVERIFY(Find<QLabel>(q, "Label2")->text().startsWith("Notes: For best results"));

    // Simple mode, idle, UniGene mode.
    QVERIFY(Find<QLineEdit>(q, "txtSearch")->isEnabled());
    QVERIFY(!q->Editor()->List()->isVisible());
    QCOMPARE(Find<QLabel>(q, "lblLoading")->text(), QString());
    QVERIFY(!Find<QProgressBar>(q, "pgrBar")->isVisible());
    QVERIFY(!Cancel(q)->isVisible());
    QVERIFY(!Find<QLabel>(q, "lblStatus")->isVisible());
    QVERIFY(!Find<QGroupBox>(q, "fraResults")->isEnabled());
    QVERIFY(Find<QGroupBox>(q, "fraSearch")->isEnabled());
    QCOMPARE(q->height(), FrmQuill::kIdleHeight);
    auto* search = Find<QPushButton>(q, "cmdSearch");
    QVERIFY(search->isVisible() && search->isEnabled() && search->isDefault());
    QVERIFY(!Find<QPushButton>(q, "cmdSearchAccession")->isVisible());
    QVERIFY(Find<QPushButton>(q, "cmdPrint")->isVisible());
    QVERIFY(!Find<QPushButton>(q, "cmdPrintAccession")->isVisible());
    QVERIFY(Find<QRadioButton>(q, "optSummary")->isChecked());
    QVERIFY(Find<QPlainTextEdit>(q, "txtSummary")->isVisible());
    QVERIFY(!Find<QPlainTextEdit>(q, "txtcDNA")->isVisible());
    // The cDNA view lines sequence blocks up.
    QVERIFY(QFontInfo(Find<QPlainTextEdit>(q, "txtcDNA")->font()).fixedPitch());

    // The options window is loaded, hidden, with its defaults.
    FrmOptions* opt = app.Options();
    QVERIFY(opt);
    QVERIFY(!opt->isVisible());
    QVERIFY(Find<QRadioButton>(opt, "optMm")->isChecked());
    QVERIFY(Find<QRadioButton>(opt, "optAuto")->isChecked());
}

void TestFrmQuill::modeSwitch() {
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    auto* chk = Find<QCheckBox>(q, "chkSearch");
    auto* frame = Find<QGroupBox>(q, "fraSearch");
    const int simpleHeight = frame->height();
    chk->click();
    QVERIFY(chk->isChecked());
    QCOMPARE(chk->text(), QStringLiteral("Click for Simple Search"));
    QVERIFY(!Find<QLineEdit>(q, "txtSearch")->isEnabled());
    QVERIFY(q->Editor()->List()->isVisible());
    QVERIFY(q->Editor()->AddBox()->isVisible());
    QVERIFY(frame->height() > simpleHeight);
    QCOMPARE(q->height(), FrmQuill::kIdleHeight);  // the window keeps its height
    q->Editor()->AddTerm("Pax6");
    chk->click();
    QVERIFY(!chk->isChecked());
    QCOMPARE(chk->text(), QStringLiteral("Click for Advanced Search"));
    QVERIFY(Find<QLineEdit>(q, "txtSearch")->isEnabled());
    QVERIFY(!q->Editor()->List()->isVisible());
    QCOMPARE(frame->height(), simpleHeight);
    QCOMPARE(q->Editor()->Terms(), QStringList{"Pax6"});  // kept while hidden
}

void TestFrmQuill::searchBoxSelectsOnFocus() {
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    q->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(q));
    auto* box = Find<QLineEdit>(q, "txtSearch");
    box->setText("Pax6 paired box");
    Find<QPushButton>(q, "cmdSearchOptions")->setFocus();
    box->deselect();
    box->setFocus(Qt::MouseFocusReason);
    QTRY_COMPARE(box->selectedText(), QStringLiteral("Pax6 paired box"));
}

void TestFrmQuill::inputChecks_data() {
    QTest::addColumn<bool>("accession");
    QTest::addColumn<bool>("advanced");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::newRow("unigene simple") << false << false << "Search box is empty"
                                    << "Search empty";
    QTest::newRow("unigene advanced") << false << true << "Listbox is empty"
                                      << "Listbox empty";
    QTest::newRow("accession simple") << true << false << "Search box is empty"
                                      << "Search empty";
    QTest::newRow("accession advanced") << true << true << "Listbox is empty"
                                        << "Listbox empty";
}

void TestFrmQuill::inputChecks() {
    QFETCH(bool, accession);
    QFETCH(bool, advanced);
    QFETCH(QString, message);
    QFETCH(QString, title);
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    if (accession) Find<QCheckBox>(app.Options(), "chkAccession")->click();
    // Leftovers that the run's first step clears (simple mode: also the list).
    q->Engine().Results().lstModel.add("old");
    q->Editor()->SetTerms({"old term"});
    if (advanced) SetAdvanced(q, {});
    Find<QPushButton>(q, accession ? "cmdSearchAccession" : "cmdSearch")->click();
    QCOMPARE(app.platform.shown.size(), 1);
    QCOMPARE(app.platform.shown[0].kind, Shown::Message);
    QCOMPARE(app.platform.shown[0].text, message);
    QCOMPARE(app.platform.shown[0].title, title);
    QCOMPARE(app.platform.shown[0].icon, Icon::Exclamation);
    QCOMPARE(q->Engine().Results().lstModel.count(), 0);
    QCOMPARE(q->Editor()->Count(), 0);
    QCOMPARE(Find<QLabel>(q, "lblLoading")->text(), QString());
    QVERIFY(Find<QGroupBox>(q, "fraSearch")->isEnabled());
    QVERIFY(!q->IsRunning());
}

void TestFrmQuill::termLimit_data() {
    QTest::addColumn<bool>("accession");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("answer");
    QTest::newRow("40 unigene terms") << false << 40 << false << false;
    QTest::newRow("41 unigene terms, No") << false << 41 << true << false;
    QTest::newRow("41 unigene terms, Yes") << false << 41 << true << true;
    QTest::newRow("100 accessions") << true << 100 << false << false;
    QTest::newRow("101 accessions, No") << true << 101 << true << false;
    QTest::newRow("101 accessions, Yes") << true << 101 << true << true;
}

void TestFrmQuill::termLimit() {
    QFETCH(bool, accession);
    QFETCH(int, count);
    QFETCH(bool, asked);
    QFETCH(bool, answer);
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    if (accession) Find<QCheckBox>(app.Options(), "chkAccession")->click();
    // Every term hangs on its first page; a run that starts is canceled.
    SetAdvanced(q, QStringList(count, accession ? "HANG1" : "Hang1"));
    if (asked) app.platform.queueAnswer(answer);
    bool ran = false;
    After(200, q, [&] {
        ran = q->IsRunning();
        if (ran) {
            app.platform.queueAnswer(true);
            Cancel(q)->click();
        }
    });
    Find<QPushButton>(q, accession ? "cmdSearchAccession" : "cmdSearch")->click();
    QTRY_VERIFY(!q->IsRunning());
    QTest::qWait(250);

    const QString question =
        QStringLiteral("Searching for less than %1 terms is recommended.  Do you want to continue?")
            .arg(accession ? 100 : 40);
    const bool questionShown = !app.platform.shown.isEmpty() &&
                               app.platform.shown[0].kind == Shown::Question &&
                               app.platform.shown[0].text == question;
    QCOMPARE(questionShown, asked);
    if (asked) {
        QCOMPARE(app.platform.shown[0].title, QStringLiteral("Continue?"));
        QCOMPARE(app.platform.shown[0].icon, Icon::Exclamation);
    }
    const bool shouldRun = !asked || answer;
    QCOMPARE(ran, shouldRun);
    QCOMPARE(Find<QLabel>(q, "lblLoading")->text(),
             shouldRun ? QStringLiteral("Search canceled") : QString());
    QCOMPARE(q->Editor()->Count(), count);  // the list is never touched
}

void TestFrmQuill::cancelWhilePageHangs() {
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    auto* summary = Find<QPlainTextEdit>(q, "txtSummary");
    auto* cdna = Find<QPlainTextEdit>(q, "txtcDNA");
    summary->setPlainText("earlier summary");
    cdna->setPlainText("earlier cDNA");
    Find<QLineEdit>(q, "txtSearch")->setText("Hang1");

    struct Seen {
        bool running = false, searchFrame = true, resultsFrame = true, bar = false,
             cancelShown = false, statusShown = false, stillRunningAfterNo = false;
        int height = 0;
        QString loading, status;
    } seen;
    QElapsedTimer sinceCancel;
    After(300, q, [&] {
        seen.running = q->IsRunning();
        seen.searchFrame = Find<QGroupBox>(q, "fraSearch")->isEnabled();
        seen.resultsFrame = Find<QGroupBox>(q, "fraResults")->isEnabled();
        seen.bar = Find<QProgressBar>(q, "pgrBar")->isVisible();
        seen.cancelShown = Cancel(q)->isVisible() && Cancel(q)->isEnabled();
        seen.statusShown = Find<QLabel>(q, "lblStatus")->isVisible();
        seen.status = Find<QLabel>(q, "lblStatus")->text();
        seen.loading = Find<QLabel>(q, "lblLoading")->text();
        seen.height = q->height();
        // First answered No: the run goes on.
        app.platform.queueAnswer(false);
        Cancel(q)->click();
        After(300, q, [&] {
            seen.stillRunningAfterNo = q->IsRunning();
            app.platform.queueAnswer(true);
            sinceCancel.start();
            Cancel(q)->click();
        });
    });
    Find<QPushButton>(q, "cmdSearch")->click();
    QTRY_VERIFY(!q->IsRunning());
    QVERIFY(sinceCancel.isValid());
    QVERIFY2(sinceCancel.elapsed() < 1000, qPrintable(QString::number(sinceCancel.elapsed())));

    QVERIFY(seen.running);
    QVERIFY(!seen.searchFrame);
    QVERIFY(!seen.resultsFrame);
    QVERIFY(seen.bar);
    QVERIFY(seen.cancelShown);
    QVERIFY(seen.statusShown);
    QCOMPARE(seen.status, QStringLiteral("0/1 complete.  Current search term: Hang1"));
    QCOMPARE(seen.loading, QStringLiteral("Searching..."));
    QCOMPARE(seen.height, FrmQuill::kRunHeight);
    QVERIFY(seen.stillRunningAfterNo);

    const QStringList questions = [&] {
        QStringList t;
        for (const Shown& s : app.platform.shown)
            if (s.kind == Shown::Question) t << s.text + "|" + s.title;
        return t;
    }();
    QCOMPARE(questions, QStringList(2, "Are you sure you want to cancel the search?|Cancel?"));

    QCOMPARE(Find<QLabel>(q, "lblLoading")->text(), QStringLiteral("Search canceled"));
    QVERIFY(!Find<QGroupBox>(q, "fraResults")->isEnabled());
    QVERIFY(Find<QGroupBox>(q, "fraSearch")->isEnabled());
    QVERIFY(!Find<QProgressBar>(q, "pgrBar")->isVisible());
    QVERIFY(!Cancel(q)->isVisible());
    QVERIFY(!Find<QLabel>(q, "lblStatus")->isVisible());
    QCOMPARE(q->height(), FrmQuill::kIdleHeight);
    QCOMPARE(summary->toPlainText(), QStringLiteral("earlier summary"));
    QCOMPARE(cdna->toPlainText(), QStringLiteral("earlier cDNA"));
    QCOMPARE(q->Editor()->Terms(), QStringList{"Hang1"});
}

void TestFrmQuill::accessionSwitch() {
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    auto* chk = Find<QCheckBox>(app.Options(), "chkAccession");
    auto* search = Find<QPushButton>(q, "cmdSearch");
    auto* acc = Find<QPushButton>(q, "cmdSearchAccession");
    auto* print = Find<QPushButton>(q, "cmdPrint");
    auto* printAcc = Find<QPushButton>(q, "cmdPrintAccession");
    QCOMPARE(acc->text(), QStringLiteral("&SEARCH Accession"));
    chk->click();
    QVERIFY(q->AccessionMode());
    QVERIFY(acc->isVisible() && acc->isEnabled() && acc->isDefault());
    QVERIFY(!search->isVisible() && !search->isEnabled() && !search->isDefault());
    QVERIFY(printAcc->isVisible() && !print->isVisible());
    chk->click();
    QVERIFY(!q->AccessionMode());
    QVERIFY(!acc->isVisible() && !acc->isEnabled() && !acc->isDefault());
    QVERIFY(search->isVisible() && search->isEnabled() && search->isDefault());
    QVERIFY(!printAcc->isVisible() && print->isVisible());

    // In accession mode a typed "/" separates nothing: it becomes a blank.
    chk->click();
    Find<QLineEdit>(q, "txtSearch")->setText("HANG1/AB000002");
    After(200, q, [&] {
        app.platform.queueAnswer(true);
        Cancel(q)->click();
    });
    acc->click();
    QTRY_VERIFY(!q->IsRunning());
    QCOMPARE(q->Editor()->Terms(), QStringList{"HANG1 AB000002"});
}

void TestFrmQuill::save() {
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    const QString summary =
        "Results for 1/2/24, 10:00, 1 Mm queries searched\r\n\r\n\tsaid \"x\"\r\n";
    const QString cdna = "Results for\r\n\r\ncDNA results for 01-02-2024, 10:00:00\r\n> Pax6\r\n";
    Find<QPlainTextEdit>(q, "txtSummary")->setPlainText(summary);
    Find<QPlainTextEdit>(q, "txtcDNA")->setPlainText(cdna);
    Find<QGroupBox>(q, "fraResults")->setEnabled(true);
    Find<QRadioButton>(q, "optDNA")->click();  // what is shown does not matter

    QTemporaryDir dir;
    const QString path = dir.filePath("results.txt");
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older and much longer file that the save replaces entirely\r\n");
    old.close();
    app.platform.queueSaveFile(path);
    Find<QPushButton>(q, "cmdSave")->click();
    QCOMPARE(app.platform.shown.size(), 1);
    QCOMPARE(app.platform.shown[0].kind, Shown::SaveFile);
    QCOMPARE(app.platform.shown[0].text, QStringLiteral("Text Files (*.txt)|*.txt"));
    const QByteArray expected = ("\"" + summary + "\"\r\n\"" + cdna + "\"\r\n").toUtf8();
    QCOMPARE(quill::test::ReadBytes(path), expected);

    // A cancelled dialog writes nothing.
    QVERIFY(QFile::remove(path));
    Find<QPushButton>(q, "cmdSave")->click();
    QVERIFY(!QFile::exists(path));
    QVERIFY(app.platform.messageTexts().isEmpty());
}

void TestFrmQuill::saveFailureChangesNothing_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("missing folder") << "missing/results.txt";
    QTest::newRow("a folder") << "folder";
}

void TestFrmQuill::saveFailureChangesNothing() {
    QFETCH(QString, where);
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    Find<QPlainTextEdit>(q, "txtSummary")->setPlainText("summary");
    Find<QGroupBox>(q, "fraResults")->setEnabled(true);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const QString path = dir.filePath(where);
    app.platform.queueSaveFile(path);
    Find<QPushButton>(q, "cmdSave")->click();
    const QStringList messages = app.platform.messageTexts();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(path), qPrintable(messages[0]));
    QCOMPARE(app.platform.shown.last().icon, Icon::Exclamation);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    QVERIFY(QDir(dir.filePath("folder")).isEmpty());
}

void TestFrmQuill::openIgtc_data() {
    QTest::addColumn<QString>("cdna");
    QTest::addColumn<QString>("clipboard");
    QTest::newRow("fasta part")
        << "Results for x\n\ncDNA results for y\n> Pax6 | mRNA sequence NM_1\n"
           "        1 acgt\n"
        << "> Pax6 | mRNA sequence NM_1\r\n        1 acgt\r\n";
    QTest::newRow("no sequence") << "Results for x\n\ncDNA results for y\n" << QString();
}

void TestFrmQuill::openIgtc() {
    QFETCH(QString, cdna);
    QFETCH(QString, clipboard);
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    Find<QPlainTextEdit>(q, "txtcDNA")->setPlainText(cdna);
    Find<QGroupBox>(q, "fraResults")->setEnabled(true);
    auto* open = Find<QPushButton>(q, "cmdOpenIGTC");
    QCOMPARE(open->text(), QStringLiteral("Open IGTC"));
    open->click();
    QCOMPARE(app.platform.clipboard, clipboard);
    QCOMPARE(app.platform.openedUrls, QStringList{hang_->BaseUrl() + "/dataaccess/blast.html"});
    QVERIFY(app.platform.shown.isEmpty());
}

void TestFrmQuill::processIgtcKeepsOptions() {
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    FrmOptions* opt = app.Options();
    Find<QRadioButton>(opt, "optHs")->click();
    Find<QRadioButton>(opt, "optPrompt")->click();
    Find<QRadioButton>(opt, "optESTSkip")->click();
    Find<QCheckBox>(opt, "chkAccession")->click();
    Find<QLineEdit>(q, "txtSearch")->setText("Pax6");
    Find<QGroupBox>(q, "fraResults")->setEnabled(true);
    auto* process = Find<QPushButton>(q, "cmdProcessIGTC");
    QCOMPARE(process->text(), QStringLiteral("Process IGTC"));
    process->click();
    QTRY_VERIFY(!app.wm.IsLoaded(win::Quill));
    QVERIFY(app.wm.Window(win::Igtc) && app.wm.Window(win::Igtc)->isVisible());
    QVERIFY(app.wm.IsLoaded(win::Options));

    q = app.Open();
    QVERIFY(q);
    QCOMPARE(Find<QLineEdit>(q, "txtSearch")->text(), QString());
    opt = app.Options();
    QVERIFY(Find<QRadioButton>(opt, "optAuto")->isChecked());       // defaults again
    QVERIFY(Find<QRadioButton>(opt, "optESTPrompt")->isChecked());  // defaults again
    QVERIFY(Find<QRadioButton>(opt, "optHs")->isChecked());         // kept
    QVERIFY(opt->AccessionMode());                                  // kept ...
    QVERIFY(q->AccessionMode());                                    // ... and the buttons follow it
    QVERIFY(Find<QPushButton>(q, "cmdSearchAccession")->isVisible());
    QVERIFY(!Find<QPushButton>(q, "cmdSearch")->isVisible());
}

void TestFrmQuill::menuThenReopenStartsAfresh() {
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    Find<QRadioButton>(app.Options(), "optHs")->click();
    Find<QRadioButton>(app.Options(), "optStillPrompt")->click();
    Find<QCheckBox>(app.Options(), "chkAccession")->click();
    Find<QLineEdit>(q, "txtSearch")->setText("Pax6");
    SetAdvanced(q, {"a", "b"});
    Find<QPlainTextEdit>(q, "txtSummary")->setPlainText("old");
    auto* menu = Find<QPushButton>(q, "cmdMenu");
    QCOMPARE(menu->text(), QStringLiteral("&Menu"));
    menu->click();
    QTRY_VERIFY(!app.wm.IsLoaded(win::Quill));
    QVERIFY(!app.wm.IsLoaded(win::Options));
    QVERIFY(app.wm.Window(win::Menu) && app.wm.Window(win::Menu)->isVisible());
    QVERIFY(app.platform.shown.isEmpty());  // no spreadsheet: nothing to report

    q = app.Open();
    QCOMPARE(Find<QLineEdit>(q, "txtSearch")->text(), QString());
    QCOMPARE(q->Editor()->Count(), 0);
    QVERIFY(!Find<QCheckBox>(q, "chkSearch")->isChecked());
    QCOMPARE(Find<QPlainTextEdit>(q, "txtSummary")->toPlainText(), QString());
    FrmOptions* opt = app.Options();
    const SearchPolicy p = opt->Policy();
    QCOMPARE(p.species, SearchPolicy::Species::Mouse);
    QVERIFY(p.optAuto && p.optAutoOne && p.optESTPrompt && p.optAutoOneEST);
    QVERIFY(!opt->AccessionMode());
    QVERIFY(!q->AccessionMode());
}

void TestFrmQuill::closeBoxLeadsToMenu() {
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    q->close();
    QTRY_VERIFY(!app.wm.IsLoaded(win::Quill));
    QVERIFY(app.wm.Window(win::Menu) && app.wm.Window(win::Menu)->isVisible());
}

void TestFrmQuill::printNotAvailableYet() {
    App app(hang_->BaseUrl());
    FrmQuill* q = app.Open();
    Find<QGroupBox>(q, "fraResults")->setEnabled(true);
    auto* print = Find<QPushButton>(q, "cmdPrint");
    QCOMPARE(print->text(), QStringLiteral("&Print"));
    QCOMPARE(print->toolTip(), QStringLiteral("Print current window"));
    print->click();
    QCOMPARE(app.platform.messageTexts().size(), 1);
}

namespace {

// The texts a completed run left in the two boxes, CR LF lines.
QString SummaryOf(FrmQuill* q) {
    return FrmQuill::BoxText(Find<QPlainTextEdit>(q, "txtSummary"));
}
QString CdnaOf(FrmQuill* q) {
    return FrmQuill::BoxText(Find<QPlainTextEdit>(q, "txtcDNA"));
}

void ExpectComplete(FrmQuill* q) {
    QVERIFY(!q->IsRunning());
    QCOMPARE(Find<QLabel>(q, "lblLoading")->text(), QStringLiteral("Search complete"));
    QVERIFY(Find<QGroupBox>(q, "fraResults")->isEnabled());
    QVERIFY(Find<QGroupBox>(q, "fraSearch")->isEnabled());
    QVERIFY(Find<QRadioButton>(q, "optSummary")->isChecked());
    QVERIFY(Find<QPlainTextEdit>(q, "txtSummary")->isVisible());
    QVERIFY(!Find<QProgressBar>(q, "pgrBar")->isVisible());
    QCOMPARE(q->height(), FrmQuill::kIdleHeight);
}

// Answers the choice dialog that a run shows: picks row, or cancels (-1),
// or closes it with its close box (-2). Records what it saw.
struct DialogAnswer {
    QString name, prompt;
    QStringList rows;
    void Arm(int row) {
        auto* timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [this, timer, row] {
            QWidget* dlg = QApplication::activeModalWidget();
            if (!dlg || !dlg->isVisible()) return;
            timer->stop();
            timer->deleteLater();
            name = dlg->objectName();
            prompt = Find<QLabel>(dlg, "lblPrompt")->text();
            auto* list = Find<QListWidget>(dlg, "lstSequence");
            for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
            if (row == -2) {
                dlg->close();
            } else if (row == -1) {
                Find<QPushButton>(dlg, "cmdCancel")->click();
            } else {
                list->setCurrentRow(row);
                Find<QPushButton>(dlg, "cmdChoose")->click();
            }
        });
        timer->start();
    }
};

}  // namespace

void TestFrmQuill::enterKey() {
    App app(pages_->BaseUrl());
    FrmQuill* q = app.Open();
    // Enter in the Add box adds the term; it starts nothing.
    Find<QCheckBox>(q, "chkSearch")->click();
    auto* add = Find<QLineEdit>(q, "txtAdd");
    add->setText("Nanog");
    QTest::keyClick(add, Qt::Key_Return);
    QCOMPARE(q->Editor()->Terms(), QStringList{"Nanog"});
    QVERIFY(!q->IsRunning());
    // Back in simple mode, Enter in the term box runs the search.
    Find<QCheckBox>(q, "chkSearch")->click();
    auto* box = Find<QLineEdit>(q, "txtSearch");
    box->setText("Pax6");
    QTest::keyClick(box, Qt::Key_Return);
    ExpectComplete(q);
    QVERIFY(SummaryOf(q).contains("\tPax6\r\n"));
}

void TestFrmQuill::simpleSearch() {
    App app(pages_->BaseUrl());
    FrmQuill* q = app.Open();
    Find<QLineEdit>(q, "txtSearch")->setText("Pax6");
    Find<QPushButton>(q, "cmdSearch")->click();
    ExpectComplete(q);
    const QString summary = SummaryOf(q);
    QVERIFY(summary.startsWith("Results for "));
    QVERIFY(
        summary.contains(", 1 Mm queries searched\r\n\r\n1 queries found (1 sequences found)\r\n"));
    QVERIFY(summary.contains("\t\t1 query(s) have a valid mRNA sequence\r\n"));
    QVERIFY(summary.contains("  IDs with 1 total mRNA sequences:\r\n\tPax6\r\n"));
    const QString cdna = CdnaOf(q);
    QVERIFY(
        cdna.contains(", 1 Mm sequences searched\r\n\r\ncDNA results for 03-07-2024, 14:05:09\r\n"
                      "> Pax6 | mRNA sequence NM_013627\r\n        1 cgtccacttg "));
    QCOMPARE(q->Editor()->Terms(), QStringList{"Pax6"});
    QVERIFY(app.platform.shown.isEmpty());
    Find<QRadioButton>(q, "optDNA")->click();
    QVERIFY(Find<QPlainTextEdit>(q, "txtcDNA")->isVisible());
    QVERIFY(!Find<QPlainTextEdit>(q, "txtSummary")->isVisible());
}

void TestFrmQuill::advancedThreeTermSearch() {
    App app(pages_->BaseUrl());
    FrmQuill* q = app.Open();
    SetAdvanced(q, {"Pax6", "Sox2", "Notagene"});
    Find<QPushButton>(q, "cmdSearch")->click();
    ExpectComplete(q);
    const QString summary = SummaryOf(q);
    QVERIFY(
        summary.contains(", 3 Mm queries searched\r\n\r\n2 queries found (3 sequences found)\r\n"));
    QVERIFY(summary.contains(
        "  IDs with 2 total model sequences (# of model sequences):\r\n\tSox2 (2)\r\n"));
    QVERIFY(summary.contains("  IDs with 1 total mRNA sequences:\r\n\tPax6\r\n"));
    QVERIFY(summary.contains(
        "  IDs that were not found:\r\n\tNotagene\r\n  IDs that had clusters:\r\n"));
    QVERIFY(summary.endsWith("  IDs that had clusters:\r\n"));
    const QString cdna = CdnaOf(q);
    QVERIFY(cdna.contains(", 3 Mm sequences searched\r\n"));
    const int pax6 = cdna.indexOf("> Pax6 | mRNA sequence NM_013627\r\n");
    const int sox2 = cdna.indexOf("> Sox2 | model sequence 1 ");
    QVERIFY(pax6 > 0);
    QVERIFY(sox2 > pax6);
    QVERIFY(cdna.contains("> Sox2 | model sequence 2 "));
    QVERIFY(!cdna.contains("Notagene"));
}

void TestFrmQuill::choiceDialogAnsweredByUser_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("second row") << 1;
    QTest::newRow("cancel search") << -1;
    QTest::newRow("close box") << -2;
}

void TestFrmQuill::choiceDialogAnsweredByUser() {
    QFETCH(int, answer);
    App app(pages_->BaseUrl());
    FrmQuill* q = app.Open();
    Find<QRadioButton>(app.Options(), "optPrompt")->click();
    Find<QRadioButton>(app.Options(), "optStillPrompt")->click();
    Find<QPlainTextEdit>(q, "txtSummary")->setPlainText("earlier");
    Find<QLineEdit>(q, "txtSearch")->setText("Pax6");
    DialogAnswer dialog;
    dialog.Arm(answer);
    Find<QPushButton>(q, "cmdSearch")->click();
    QTRY_VERIFY(!q->IsRunning());
    QCOMPARE(dialog.name, QStringLiteral("frmSequence"));
    QCOMPARE(dialog.prompt, QStringLiteral("There are 3 mRNA sequence(s) to choose from for Pax6.  "
                                           "Which one do you want?"));
    QCOMPARE(dialog.rows, (QStringList{"NM_013627", "AK145789", "BC011272"}));
    if (answer >= 0) {
        ExpectComplete(q);
        QVERIFY(CdnaOf(q).contains("> Pax6 | mRNA sequence AK145789\r\n        1 "));
    } else {
        QCOMPARE(Find<QLabel>(q, "lblLoading")->text(), QStringLiteral("Search canceled"));
        QVERIFY(!Find<QGroupBox>(q, "fraResults")->isEnabled());
        QCOMPARE(SummaryOf(q), QStringLiteral("earlier"));
        QVERIFY(!app.ctx.module.CancelSearch || !q->IsRunning());
    }
}

void TestFrmQuill::accessionRun() {
    App app(pages_->BaseUrl());
    FrmQuill* q = app.Open();
    Find<QCheckBox>(app.Options(), "chkAccession")->click();
    SetAdvanced(q, {"NM_013627", "AB999999"});
    Find<QPushButton>(q, "cmdSearchAccession")->click();
    ExpectComplete(q);
    QVERIFY(
        SummaryOf(q).contains(", 2 accession number(s) searched\r\n\r\n"
                              "1 accession number(s) found \r\n1 accession number(s) not found\r\n"
                              "\r\nSEQUENCES FOUND:\r\n\tNM_013627\r\n\r\n"
                              "SEQUENCES NOT FOUND:\r\n\tAB999999\r\n"));
    QVERIFY(
        CdnaOf(q).contains(", 2 sequences searched\r\n\r\ncDNA results for 03-07-2024, "
                           "14:05:09\r\n> NM_013627\r\n        1 cgtccacttg "));

    // Saving an accession run writes the same two records.
    Find<QRadioButton>(q, "optDNA")->click();
    QTemporaryDir dir;
    app.platform.queueSaveFile(dir.filePath("acc.txt"));
    Find<QPushButton>(q, "cmdSave")->click();
    QCOMPARE(quill::test::ReadBytes(dir.filePath("acc.txt")),
             ("\"" + SummaryOf(q) + "\"\r\n\"" + CdnaOf(q) + "\"\r\n").toUtf8());
}

void TestFrmQuill::cleanupTestCase() {
    SetNowForTesting(std::nullopt);
}

QTEST_MAIN(TestFrmQuill)
#include "test_frmquill.moc"
