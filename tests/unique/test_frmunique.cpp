// The unique hit window, and quillfish-cli unique against it.

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "igtc/igtcparser.h"
#include "igtc/igtcreport.h"
#include "printing/gui/qtprinter.h"
#include "sheets/gui/sheetviewer.h"
#include "sheets/gui/spreadsheetapp.h"
#include "support/testsupport.h"
#include "support/widgets.h"
#include "text/quotedfile.h"
#include "text/textrules.h"
#include "unique/gui/frmunique.h"
#include "unique/uniquehits.h"
#include "widgets/appcontext.h"
#include "widgets/platform.h"
#include "widgets/termlisteditor.h"

using namespace quill;
using namespace quill::ui;

namespace {

// A text without its first line (the date and time).
QByteArray AfterFirstLine(const QByteArray& text) {
    return text.mid(text.indexOf("\r\n") + 2);
}
using test::Cli;

const QStringList kEntries{"ABC1 | x MM#1", " DEF2 | 7", "ABC1 | y MM#2", "GHI3   ", "abc1"};

}  // namespace

class FrmUniqueTest : public QObject {
    Q_OBJECT

    AppContext ctx_;
    std::unique_ptr<FrmUnique> w_;
    std::unique_ptr<PlatformDouble> platform_;
    QTemporaryDir tmp_;

    QStringList stuff() {
        QStringList keys;
        auto* lst = test::Find<QListWidget>(w_.get(), "lstStuff");
        for (int i = 0; i < lst->count(); ++i) keys << lst->item(i)->text();
        return keys;
    }
    void find(const QStringList& entries) {
        w_->Editor()->SetTerms(entries);
        test::Click(w_.get(), "cmdFind");
    }

  private slots:
    void init() {
        SetNowForTesting(QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)));
        platform_ = std::make_unique<PlatformDouble>();
        w_ = std::make_unique<FrmUnique>(ctx_);
    }
    void cleanup() {
        w_.reset();
        platform_.reset();
        SetNowForTesting(std::nullopt);
    }

    // Find lists each key once, in order, and shows the report.
    void findKeys() {
        find(kEntries);
        const QStringList keys{"ABC1", " DEF2", "GHI3", "abc1"};
        QCOMPARE(stuff(), keys);
        QVERIFY(test::Enabled(w_.get(), "fraResults"));
        QCOMPARE(w_->ResultText(), UniqueReportText(keys, Now()));
    }

    // Print asks first, then for a title; Save writes the quoted lines, and
    // a failure says so and leaves no file.
    void printAndSave() {
        PrinterDouble printers;
        find({"  ABC1 | 1", "DEF2"});
        platform_->queueAnswer(false);
        platform_->queueAnswer(true);
        platform_->queueInput("Unique run");
        test::Click(w_.get(), "cmdPrint");
        QVERIFY(printers.documents.isEmpty());
        test::Click(w_.get(), "cmdPrint");
        QCOMPARE(printers.documents.size(), 1);
        QCOMPARE(printers.documents[0].lines.value(0), "Unique run");

        const QString path = tmp_.filePath("unique.xls");
        const QString bad = tmp_.filePath("missing/unique.xls");
        platform_->queueSaveFile(path);
        platform_->queueSaveFile(bad);
        test::Click(w_.get(), "cmdSave");
        test::Click(w_.get(), "cmdSave");
        QCOMPARE(test::ReadBytes(path),
                 ("\"" + ShortDateTime(Now()) +
                  "\"\r\n\"2 unique hits found\"\r\n\"Hits:\"\r\n\"ABC1\"\r\n\"DEF2\"\r\n")
                     .toUtf8());
        QVERIFY(platform_->messageTexts().value(0).startsWith("The unique hits were not saved."));
        QVERIFY(!QFile::exists(bad));
    }

    // A file opened in the window (every cell imported) and given to the
    // command line, as a file and on standard input, gives the same hits:
    // saved hit lists are known by their content whatever their name, their
    // heading lines are no hits, and text that is not UTF-8 is Windows-1252.
    void filesAsWindowAndCommandLine_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("keys");
        const QDateTime when(QDate(2026, 3, 7), QTime(9, 0, 0));
        const IgtcResult blast = ParseIgtcResultsUtf8(
            test::ReadBytes(QUILL_REALDATA_DIR
                            "/galaxy_blast__test-data__blastn_rhodopsin_vs_three_human.tabular"),
            30);
        QTest::newRow("IGTC hit list of a BLAST+ tabular report")
            << "rhodopsin.xls" << QuotedItemsBytes(IgtcSaveItems("30", blast.output, when))
            << blast.names;
        const QString run1 = IgtcOutputText({"ABC1 | 12 MM#1", "DEF2 | 7 MM#2"});
        const QString run2 = IgtcOutputText({"XYZ9 | 3 MM#1", "ABC1 | 40 MM#3"});
        QTest::newRow("two IGTC hit lists joined")
            << "runs.xls"
            << QuotedItemsBytes(IgtcSaveItems("100", run1, when) + IgtcSaveItems("150", run2, when))
            << QStringList{"ABC1", "DEF2", "XYZ9"};
        const QString unique = UniqueReportText({"ABC1", "Hits:"}, when);
        QTest::newRow("unique hits") << "unique.xls" << QuotedItemsBytes(UniqueSaveItems(unique))
                                     << QStringList{"ABC1", "Hits:"};
        QTest::newRow("Windows-1252 text")
            << "legacy.txt" << QByteArray("Caf\xe9 | x MM#1\r\nNa\xefve\r\nCaf\xe9 | y\r\n")
            << QStringList{"Caf\u00e9", "Na\u00efve"};
    }
    void filesAsWindowAndCommandLine() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, keys);
        const QString path = tmp_.filePath(name);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        f.close();

        platform_->queueOpenFile(path);
        test::Click(w_.get(), "cmdOpen");
        QCOMPARE(platform_->messageTexts(), QStringList());
        auto* app = dynamic_cast<SheetSpreadsheetApp*>(w_->Editor()->Spreadsheet());
        QVERIFY(app && app->Viewer());
        app->Viewer()->ActiveTable()->selectAll();
        test::Click(w_.get(), "cmdImport");
        test::Click(w_.get(), "cmdFind");
        QCOMPARE(stuff(), keys);

        const QString save = tmp_.filePath("cli.xls");
        const test::CliRun fromFile = Cli({"unique", "--save", save, path});
        QVERIFY2(fromFile.status == 0, qPrintable(fromFile.err));
        QCOMPARE(AfterFirstLine(fromFile.out.toUtf8()), AfterFirstLine(w_->ResultText().toUtf8()));
        QCOMPARE(AfterFirstLine(test::ReadBytes(save)),
                 AfterFirstLine(QuotedItemsBytes(UniqueSaveItems(w_->ResultText()))));
        const test::CliRun fromStdin = Cli({"unique"}, bytes);
        QCOMPARE(AfterFirstLine(fromStdin.out.toUtf8()), AfterFirstLine(fromFile.out.toUtf8()));
        SheetViewer::CloseAll();
    }
};

QTEST_MAIN(FrmUniqueTest)
#include "test_frmunique.moc"
