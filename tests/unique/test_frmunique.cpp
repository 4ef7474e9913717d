// The unique hit window, and quillfish-cli unique against it.

#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "common/gui/platform.h"
#include "common/gui/qtprinter.h"
#include "common/gui/termlisteditor.h"
#include "common/quotedfile.h"
#include "common/textrules.h"
#include "igtc/igtcreport.h"
#include "shell/appcontext.h"
#include "support/testsupport.h"
#include "support/widgets.h"
#include "unique/gui/frmunique.h"
#include "unique/uniquehits.h"

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

    // The command line reports what the window reports for the same
    // entries, here a spreadsheet made of two saved IGTC hit lists, whose
    // repeated cells are kept (empty cells are not read).
    void commandLineAsWindow() {
        const QString run1 = "2 hits found on IGTC database:\r\n  ABC1\r\n  DEF2\r\n";
        const QString run2 = "2 hits found on IGTC database:\r\n  XYZ9\r\n  ABC1\r\n";
        const QDateTime when(QDate(2026, 3, 7), QTime(9, 0, 0));
        const QStringList saved =
            IgtcSaveItems("100", run1, when) + IgtcSaveItems("150", run2, when);
        QStringList cells = saved;
        cells.removeAll(QString());
        find(cells);
        QFile f(tmp_.filePath("hits.csv"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QuotedItemsBytes(saved)) > 0);
        f.close();
        const QString save = tmp_.filePath("cli.xls");
        const test::CliRun r = Cli({"unique", "--save", save, f.fileName()});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(AfterFirstLine(r.out.toUtf8()), AfterFirstLine(w_->ResultText().toUtf8()));
        QCOMPARE(AfterFirstLine(test::ReadBytes(save)),
                 AfterFirstLine(QuotedItemsBytes(UniqueSaveItems(w_->ResultText()))));
    }
};

QTEST_MAIN(FrmUniqueTest)
#include "test_frmunique.moc"
