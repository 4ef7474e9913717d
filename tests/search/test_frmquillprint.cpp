// The search window's two print buttons: the dialogue of each view, the
// report of each mode, and the PDF the window prints against the one the
// command line writes for the same run.

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "common/gui/platform.h"
#include "common/gui/qtprinter.h"
#include "common/gui/termlisteditor.h"
#include "common/pageserver.h"
#include "common/textrules.h"
#include "search/gui/frmoptions.h"
#include "search/gui/frmquill.h"
#include "shell/appcontext.h"
#include "shell/windowmanager.h"
#include "support/testsupport.h"
#include "support/widgets.h"

using namespace quill;
using namespace quill::ui;
using namespace quill::test;

namespace {

// pdftotext -layout of a PDF, the date and time of the heading replaced and
// runs of blanks made one (the heading's width, which follows the clock,
// moves the columns pdftotext lays the text out in).
QString PdfText(const QString& path) {
    QProcess p;
    p.start(QStandardPaths::findExecutable("pdftotext"), {"-layout", path, "-"});
    if (!p.waitForFinished(10000)) return QString();
    QString text = QString::fromUtf8(p.readAllStandardOutput());
    text.replace(QRegularExpression("Results for [^\n]*, (\\d+ Mm queries searched)"),
                 "Results for WHEN, \\1");
    text.replace(QRegularExpression(" +"), " ");
    return text;
}

}  // namespace

class FrmQuillPrintTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PageServer> pages_;
    QTemporaryDir tmp_;
    std::unique_ptr<AppContext> ctx_;
    std::unique_ptr<WindowManager> wm_;
    std::unique_ptr<PlatformDouble> platform_;
    FrmQuill* q_ = nullptr;

    // A completed run of the terms in the given mode.
    void Run(const QStringList& terms, bool accession) {
        auto* options = wm_->As<FrmOptions>(win::Options);
        if (options->AccessionMode() != accession) Click(options, "chkAccession");
        Click(q_, "chkSearch");
        q_->Editor()->SetTerms(terms);
        Click(q_, accession ? "cmdSearchAccession" : "cmdSearch");
        QVERIFY(Enabled(q_, "fraResults"));
        platform_->clear();
    }

  private slots:
    void initTestCase() {
        pages_ = std::make_unique<PageServer>(QStringLiteral(QUILL_PAGES_DIR));
        QVERIFY2(pages_->Start(), qPrintable(pages_->Error()));
    }
    void init() {
        platform_ = std::make_unique<PlatformDouble>();
        ctx_ = std::make_unique<AppContext>();
        wm_ = std::make_unique<WindowManager>(*ctx_);
        ctx_->windows = wm_.get();
        ctx_->settings.NcbiServerBase = pages_->BaseUrl();
        ctx_->settings.PolitenessMs = 0;
        wm_->Register(win::Quill, CreateFrmQuill);
        wm_->Register(win::Options, CreateFrmOptions);
        q_ = qobject_cast<FrmQuill*>(wm_->Show(win::Quill));
    }
    void cleanup() {
        wm_.reset();
        ctx_.reset();
        platform_.reset();
    }

    // Summary view: No stops; Yes asks for the title until one is typed
    // (blanks count). cDNA view: the text as it stands. No view: nothing.
    void dialogue() {
        PrinterDouble printers;
        Run({"Pax6"}, false);
        const QString summary = "Question|Print|Ok to print summary?|Question";
        const QString title = "Input|Title|Enter title of search:|None";
        platform_->queueAnswer(false);
        Click(q_, "cmdPrint");
        QCOMPARE(platform_->log(), QStringList{summary});
        platform_->clear();
        platform_->queueAnswer(true);
        for (const char* answer : {"", "", "  "}) platform_->queueInput(answer);
        Click(q_, "cmdPrint");
        QCOMPARE(platform_->log(), QStringList({summary, title, title, title}));
        QCOMPARE(printers.documents.size(), 1);
        QCOMPARE(printers.documents[0].lines.first(), QString("  "));

        Click(q_, "optDNA");
        SetText(q_, "txtcDNA", "edited heading\n\n> Pax6 | x\nacgt");
        platform_->clear();
        platform_->queueAnswer(true);
        Click(q_, "cmdPrint");
        QCOMPARE(platform_->log(), QStringList{"Question|Print|Ok to print DNA?|Question"});
        QCOMPARE(printers.documents.size(), 2);
        QCOMPARE(printers.documents[1].lines,
                 QStringList({"edited heading", "> Pax6 | x", "acgt"}));

        Find<QAbstractButton>(q_, "optDNA")->setAutoExclusive(false);
        Find<QAbstractButton>(q_, "optDNA")->setChecked(false);
        Click(q_, "cmdPrint");
        QCOMPARE(printers.documents.size(), 2);
    }

    void accessionReport() {
        PrinterDouble printers;
        Run({"NM_008084", "AB999999"}, true);
        platform_->queueAnswer(true);
        platform_->queueInput("Accessions");
        Click(q_, "cmdPrintAccession");
        QCOMPARE(printers.documents.size(), 1);
        const QStringList lines = printers.documents[0].lines;
        QCOMPARE(lines.first(), QString("Accessions"));
        QVERIFY(lines.contains(" 1  query(s) not found:"));
        QCOMPARE(lines.last(), QString("AB999999"));
    }

    // The window's printout as a PDF and the command line's PDF of the same
    // run read back alike.
    void pdfAsCommandLine() {
        ctx_->settings.PrintToPdfDir = tmp_.filePath("window");
        Run({"Pax6", "Trp53"}, false);
        platform_->queueAnswer(true);
        platform_->queueInput("Run 1");
        Click(q_, "cmdPrint");
        const QString windowPdf = tmp_.filePath("window/print-001.pdf");
        QVERIFY(QFile::exists(windowPdf));

        const QString cliPdf = tmp_.filePath("cli.pdf");
        QProcess cli;
        cli.start(QUILL_CLI_PATH, {"search", "--ncbi-server", pages_->BaseUrl(), "--pick", "first",
                                   "--report-pdf", cliPdf, "--title", "Run 1", "Pax6", "Trp53"});
        cli.closeWriteChannel();
        QVERIFY(cli.waitForFinished(60000));
        QCOMPARE(cli.exitCode(), 0);
        const QString text = PdfText(cliPdf);
        QVERIFY2(text.contains("Results for WHEN, 2 Mm queries searched") &&
                     text.contains("Sequences Not Found:"),
                 qPrintable(text));
        QCOMPARE(text, PdfText(windowPdf));
    }

    // Option mistakes stop before the run; a PDF that cannot be written is
    // an error and leaves no file.
    void reportPdfOptions_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("search without title")
            << QStringList{"search", "--report-pdf", "x.pdf", "Pax6"} << 2
            << "--report-pdf needs --title TEXT";
        QTest::newRow("unwritable PDF") << QStringList{"unique", "--report-pdf", "missing/u.pdf"}
                                        << 1 << "the PDF report was not written: ";
    }
    void reportPdfOptions() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, error);
        const QTemporaryDir dir;
        QProcess cli;
        cli.setWorkingDirectory(dir.path());
        cli.start(QUILL_CLI_PATH, args);
        cli.write("A | 1\n");
        cli.closeWriteChannel();
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), status);
        QVERIFY(QString::fromUtf8(cli.readAllStandardError()).contains(error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }
};

QTEST_MAIN(FrmQuillPrintTest)
#include "test_frmquillprint.moc"
