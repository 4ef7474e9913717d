// The search window's two print buttons: the dialogue of each view, the
// report of each mode, and the PDF the window prints against the one the
// command line writes for the same run.

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "common/gui/qtprinter.h"
#include "common/pageserver.h"
#include "common/textrules.h"
#include "support/searchwindow.h"
#include "support/testsupport.h"

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
    std::unique_ptr<SearchApp> app_;
    FrmQuill* q_ = nullptr;

    // A completed run of the terms in the given mode.
    void Run(const QStringList& terms, bool accession) {
        if (app_->Options()->AccessionMode() != accession) app_->Click("chkAccession");
        SetAdvanced(q_, terms);
        Click(q_, accession ? "cmdSearchAccession" : "cmdSearch");
        QVERIFY(Enabled(q_, "fraResults"));
        app_->platform.clear();
    }

  private slots:
    void initTestCase() {
        pages_ = std::make_unique<PageServer>(QStringLiteral(QUILL_PAGES_DIR));
        QVERIFY2(pages_->Start(), qPrintable(pages_->Error()));
    }
    void init() {
        app_ = std::make_unique<SearchApp>(pages_->BaseUrl());
        q_ = app_->Open();
    }
    void cleanup() { app_.reset(); }

    // Summary view: No stops; Yes asks for the title until one is typed
    // (blanks count). cDNA view: the text as it stands. No view: nothing.
    void dialogue() {
        PrinterDouble printers;
        Run({"Pax6"}, false);
        const QString summary = "Question|Print|Ok to print summary?|Question";
        const QString title = "Input|Title|Enter title of search:|None";
        app_->platform.queueAnswer(false);
        Click(q_, "cmdPrint");
        QCOMPARE(app_->platform.log(), QStringList{summary});
        app_->platform.clear();
        app_->platform.queueAnswer(true);
        for (const char* answer : {"", "", "  "}) app_->platform.queueInput(answer);
        Click(q_, "cmdPrint");
        QCOMPARE(app_->platform.log(), QStringList({summary, title, title, title}));
        QCOMPARE(printers.documents.size(), 1);
        QCOMPARE(printers.documents[0].lines.first(), QString("  "));

        Click(q_, "optDNA");
        SetText(q_, "txtcDNA", "edited heading\n\n> Pax6 | x\nacgt");
        app_->platform.clear();
        app_->platform.queueAnswer(true);
        Click(q_, "cmdPrint");
        QCOMPARE(app_->platform.log(), QStringList{"Question|Print|Ok to print DNA?|Question"});
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
        app_->platform.queueAnswer(true);
        app_->platform.queueInput("Accessions");
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
        app_->ctx.settings.PrintToPdfDir = tmp_.filePath("window");
        Run({"Pax6", "Trp53"}, false);
        app_->platform.queueAnswer(true);
        app_->platform.queueInput("Run 1");
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
