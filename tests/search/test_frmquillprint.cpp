// The search window's two print buttons: the dialogue of each view, the
// report of each mode, and the PDF the window prints against the one the
// command line writes for the same run.

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "pageserver/pageserver.h"
#include "printing/gui/qtprinter.h"
#include "support/searchwindow.h"
#include "support/testsupport.h"
#include "text/textrules.h"

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
        app_->ctx.settings.Source = Settings::SequenceSource::UniGene;
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
        const CliRun cli = Cli({"search", "--ncbi-server", pages_->BaseUrl(), "--pick", "first",
                                "--report-pdf", cliPdf, "--title", "Run 1", "Pax6", "Trp53"});
        QCOMPARE(cli.status, 0);
        const QString text = PdfText(cliPdf);
        QVERIFY2(text.contains("Results for WHEN, 2 Mm queries searched") &&
                     text.contains("Sequences Not Found:"),
                 qPrintable(text));
        QCOMPARE(text, PdfText(windowPdf));
    }

    // Option mistakes stop before the run; a PDF that cannot be written is
    // an error and leaves no file.
    void reportPdfOptions() {
        const QTemporaryDir dir;
        CliRun r = Cli({"search", "--report-pdf", dir.filePath("x.pdf"), "Pax6"});
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains("--report-pdf needs --title TEXT"));
        r = Cli({"unique", "--report-pdf", dir.filePath("missing/u.pdf")}, "A | 1\n");
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("the PDF report was not written: "), qPrintable(r.err));
        QVERIFY(QDir(dir.path()).isEmpty());
    }
};

QTEST_MAIN(FrmQuillPrintTest)
#include "test_frmquillprint.moc"
