// The unique hit window, and quillfish-cli unique against it.

#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
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
#include "unique/gui/frmunique.h"
#include "unique/uniquehits.h"

using namespace quill;
using namespace quill::ui;

namespace {

struct CliRun {
    int status = -1;
    QByteArray out;
    QString err;
};

CliRun Cli(const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(QStringLiteral(QUILL_CLI_PATH), args);
    p.waitForStarted();
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromUtf8(p.readAllStandardError())};
}

// A text without its first line (the date and time).
QByteArray AfterFirstLine(const QByteArray& text) {
    return text.mid(text.indexOf("\r\n") + 2);
}

const QStringList kEntries{"ABC1 | x MM#1", " DEF2 | 7", "ABC1 | y MM#2", "GHI3   ", "abc1"};

}  // namespace

class FrmUniqueTest : public QObject {
    Q_OBJECT

    AppContext ctx_;
    std::unique_ptr<FrmUnique> w_;
    std::unique_ptr<PlatformDouble> platform_;
    QTemporaryDir tmp_;

    template <class T>
    T* get(const char* name) {
        T* c = w_->findChild<T*>(name);
        if (!c) qFatal("control %s missing", name);
        return c;
    }
    QStringList stuff() {
        QStringList keys;
        auto* lst = get<QListWidget>("lstStuff");
        for (int i = 0; i < lst->count(); ++i) keys << lst->item(i)->text();
        return keys;
    }
    void find(const QStringList& entries) {
        w_->Editor()->SetTerms(entries);
        get<QPushButton>("cmdFind")->click();
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

    // A failing Find says which entry; the shown result and the frame stay
    // as they were, the working list keeps the keys found before it.
    void findAndFailure() {
        QCOMPARE(w_->Editor()->GetVariant(), TermListEditor::Variant::Unique);
        find({"A", "|x"});
        QVERIFY(!get<QWidget>("fraResults")->isEnabled());
        QCOMPARE(platform_->log(), QStringList{"Message|Find Unique Hits|" +
                                               UnreadableEntryMessage(2, "|x") + "|Exclamation"});
        QCOMPARE(stuff(), QStringList{"A"});

        find(kEntries);
        const QStringList keys{"ABC1", " DEF2", "GHI3", "abc1"};
        QVERIFY(get<QWidget>("fraResults")->isEnabled());
        QCOMPARE(stuff(), keys);
        QCOMPARE(w_->ResultText(), UniqueReportText(keys, Now()));

        platform_->clear();
        find({"B", "C", "|y"});
        QCOMPARE(platform_->messageTexts(), QStringList{UnreadableEntryMessage(3, "|y")});
        QVERIFY(get<QWidget>("fraResults")->isEnabled());
        QCOMPARE(stuff(), QStringList({"B", "C"}));
        QCOMPARE(w_->ResultText(), UniqueReportText(keys, Now()));
    }

    void printDialogue() {
        PrinterDouble printers;
        find({"ABC1 | 1", "DEF2"});
        const QString question = "Question|Print|Ok to print hits?|Question";
        platform_->queueAnswer(false);
        get<QPushButton>("cmdPrint")->click();
        QCOMPARE(platform_->log(), QStringList{question});
        QVERIFY(printers.documents.isEmpty());

        platform_->clear();
        platform_->queueAnswer(true);
        platform_->queueInput("Unique run");
        get<QPushButton>("cmdPrint")->click();
        QCOMPARE(platform_->log(),
                 QStringList({question, "Input|Title|Enter title of search:|None"}));
        QCOMPARE(printers.documents.size(), 1);
        QCOMPARE(printers.documents[0].lines,
                 QStringList({"Unique run", ShortDateTime(Now()), " 2  unique hits found:", "ABC1",
                              "DEF2"}));
    }

    void save() {
        find({"  ABC1 | 1", "DEF2"});
        const QString path = tmp_.filePath("unique.xls");
        platform_->queueSaveFile(path);
        get<QPushButton>("cmdSave")->click();
        QCOMPARE(platform_->log(), QStringList{"SaveFile||Excel Worksheet (*.xls)|*.xls|None"});
        QCOMPARE(test::ReadBytes(path),
                 ("\"" + ShortDateTime(Now()) +
                  "\"\r\n\"2 unique hits found\"\r\n\"Hits:\"\r\n\"ABC1\"\r\n\"DEF2\"\r\n")
                     .toUtf8());

        platform_->clear();
        const QString bad = tmp_.filePath("missing/unique.xls");
        platform_->queueSaveFile(bad);
        get<QPushButton>("cmdSave")->click();
        QCOMPARE(platform_->messageTexts().size(), 1);
        QVERIFY(platform_->messageTexts()[0].startsWith("The unique hits were not saved."));
        QVERIFY(!QFile::exists(bad));
    }

    // The command line reports what the window reports for the same entries,
    // from a text (LF or CR LF) or from a spreadsheet made of two saved IGTC
    // hit lists, whose repeated cells are kept.
    void commandLineAsWindow_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("LF") << kEntries << QString() << (kEntries.join("\n") + "\n").toUtf8();
        QTest::newRow("CR LF, blank line, no final line end")
            << QStringList{"A | 1", "   ", "A"} << QString() << QByteArray("A | 1\r\n   \r\nA");
        const QString run1 = "2 hits found on IGTC database:\r\n  ABC1\r\n  DEF2\r\n";
        const QString run2 = "2 hits found on IGTC database:\r\n  XYZ9\r\n  ABC1\r\n";
        const QDateTime when(QDate(2026, 3, 7), QTime(9, 0, 0));
        const QStringList saved =
            IgtcSaveItems("100", run1, when) + IgtcSaveItems("150", run2, when);
        QStringList cells = saved;
        cells.removeAll(QString());  // empty cells are not read
        QTest::newRow("spreadsheet of two IGTC saves")
            << cells << QString("hits.csv") << QuotedItemsBytes(saved);
    }
    void commandLineAsWindow() {
        QFETCH(QStringList, entries);
        QFETCH(QString, file);
        QFETCH(QByteArray, input);
        find(entries);
        const QString save = tmp_.filePath("cli.xls");
        QStringList args{"unique", "--save", save};
        if (!file.isEmpty()) {
            QFile f(tmp_.filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(input);
            f.close();
            args << f.fileName();
            input.clear();
        }
        const CliRun r = Cli(args, input);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QCOMPARE(AfterFirstLine(r.out), AfterFirstLine(w_->ResultText().toUtf8()));
        QCOMPARE(AfterFirstLine(test::ReadBytes(save)),
                 AfterFirstLine(QuotedItemsBytes(UniqueSaveItems(w_->ResultText()))));
    }

    // An entry without a hit name: an error naming the line, exit status 1,
    // nothing saved, printed or shown on the output.
    void commandLineFailure() {
        const QString save = tmp_.filePath("never.xls");
        const QString pdf = tmp_.filePath("never.pdf");
        const CliRun r = Cli({"unique", "--save", save, "--report-pdf", pdf}, "A\nB | 1\n|C\nD\n");
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("standard input, line 3: " + UnreadableEntryMessage(3, "|C")),
                 qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QVERIFY(!QFile::exists(save));
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_MAIN(FrmUniqueTest)
#include "test_frmunique.moc"
