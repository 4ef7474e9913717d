#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "common/gui/platform.h"
#include "common/gui/qtprinter.h"
#include "common/textrules.h"
#include "igtc/blastreports.h"
#include "igtc/gui/frmigtc.h"
#include "shell/appcontext.h"
#include "support/testsupport.h"

using namespace quill;
using namespace quill::ui;

namespace {

QString Section(const QString& name, int score) {
    return "Query= " + name + "\r\n         (1234 letters)\r\n\r\n" +
           "Sequences producing significant alignments:      (bits) Value\r\n\r\n" +
           "IGTC|CMHD-CT1 trap (Pax6)  " + QString::number(score) + "  1e-50\r\n\r\n";
}

const QString kTwoHits = Section("ABC1", 250) + Section("XYZ9", 50) + Section("DEF2", 100);
const QString kTwoHitsOutput = "2 hits found on IGTC database:\r\n  ABC1\r\n  DEF2\r\n";

}  // namespace

class FrmIgtcTest : public QObject {
    Q_OBJECT

    AppContext ctx_;
    std::unique_ptr<FrmIGTC> w_;
    std::unique_ptr<PlatformDouble> platform_;

    template <class T>
    T* get(const char* name) {
        T* c = w_->findChild<T*>(name);
        if (!c) qFatal("control %s missing", name);
        return c;
    }
    bool enabled(const char* name) { return get<QWidget>(name)->isEnabled(); }
    QString textOf(const char* name) { return get<QWidget>(name)->property("text").toString(); }
    QStringList results() {
        QStringList names;
        auto* lst = get<QListWidget>("lstResults");
        for (int i = 0; i < lst->count(); ++i) names << lst->item(i)->text();
        return names;
    }
    void process(const QString& text, const QString& cutoff) {
        get<QPlainTextEdit>("txtInput")->setPlainText(text);
        get<QLineEdit>("txtCutoff")->setText(cutoff);
        get<QPushButton>("cmdProcess")->click();
    }

  private slots:
    void init() {
        SetNowForTesting(QDateTime(QDate(2026, 3, 7), QTime(14, 5, 9)));
        platform_ = std::make_unique<PlatformDouble>();
        w_ = std::make_unique<FrmIGTC>(ctx_);
    }
    void cleanup() {
        w_.reset();
        platform_.reset();
        SetNowForTesting(std::nullopt);
    }

    void startState() {
        QVERIFY(!enabled("cmdSave") && !enabled("cmdPrint") && !enabled("txtCutoff1"));
        // Reports are read in columns; Tab leaves the input box.
        const auto* input = get<QPlainTextEdit>("txtInput");
        QVERIFY(QFontInfo(input->font()).fixedPitch());
        QVERIFY(QFontInfo(get<QPlainTextEdit>("txtOutput")->font()).fixedPitch());
        QVERIFY(input->tabChangesFocus());
    }

    void processKeepsPassingQueries() {
        process(kTwoHits, "100abc");
        QCOMPARE(results(), QStringList({"ABC1", "DEF2"}));
        QCOMPARE(w_->OutputText(), kTwoHitsOutput);
        QCOMPARE(get<QPlainTextEdit>("txtOutput")->toPlainText(),
                 QString("2 hits found on IGTC database:\n  ABC1\n  DEF2\n"));
        QCOMPARE(textOf("txtCutoff1"), QString("100abc"));
        QCOMPARE(textOf("lblReading"), QString("Read as legacy BLAST text."));
        QVERIFY(enabled("cmdSave") && enabled("cmdPrint") && enabled("cmdProcess"));
        QVERIFY(platform_->shown.isEmpty());

        // Enter in the minimum box processes; the unreadable query is counted.
        get<QPlainTextEdit>("txtInput")->setPlainText(kTwoHits + "Query= cut off");
        get<QLineEdit>("txtCutoff")->setText("200");
        QTest::keyClick(get<QLineEdit>("txtCutoff"), Qt::Key_Return);
        QCOMPARE(results(), QStringList({"ABC1"}));
        QCOMPARE(textOf("lblReading"),
                 QString("Read as legacy BLAST text. 1 query could not be read."));

        process(kTwoHits, "300");
        QCOMPARE(results(), QStringList());
        QCOMPARE(w_->OutputText(), QString("No hits found."));
    }

    // A refused processing changes nothing: the list, the output, the
    // minimum of the result, and so the printout and the saved file, all
    // still describe the last result.
    void refusedInput_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cutoff");
        QTest::addColumn<QString>("shown");
        const QString invalid = "Message|Minimum score|Enter a valid minimum score|None";
        QTest::newRow("no text") << ""
                                 << "100"
                                 << "Message|Enter IGTC results|No text was found|None";
        QTest::newRow("no number") << kTwoHits << "abc" << invalid;
        QTest::newRow("out of range")
            << kTwoHits << "40000"
            << "Message|Minimum score|Enter a minimum score between -32768 and 32767|None";
        QTest::newRow("not a report")
            << "Dear colleague,\nthe results follow."
            << "100"
            << "Message|BLAST report|" + kNotBlastMessage + "|Exclamation";
    }
    void refusedInput() {
        QFETCH(QString, text);
        QFETCH(QString, cutoff);
        QFETCH(QString, shown);
        process(kTwoHits, "100");
        process(text, cutoff);
        QCOMPARE(platform_->log(), QStringList{shown});
        QCOMPARE(results(), QStringList({"ABC1", "DEF2"}));
        QCOMPARE(w_->OutputText(), kTwoHitsOutput);
        QCOMPARE(textOf("txtCutoff1"), QString("100"));
        QVERIFY(enabled("cmdProcess") && enabled("cmdSave"));
        QCOMPARE(textOf("cmdProcess"), QString("&Process"));
    }

    void clearEmptiesOnlyTheInput() {
        process(kTwoHits, "100");
        get<QPushButton>("cmdClear")->click();
        QCOMPARE(get<QPlainTextEdit>("txtInput")->toPlainText(), QString());
        QCOMPARE(results(), QStringList({"ABC1", "DEF2"}));
        QVERIFY(enabled("cmdSave") && enabled("cmdPrint"));
    }

    void focusSelectsAllInput() {
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        auto* input = get<QPlainTextEdit>("txtInput");
        input->setPlainText(kTwoHits);
        get<QLineEdit>("txtCutoff")->setFocus();
        QApplication::processEvents();
        input->setFocus();
        QApplication::processEvents();
        QCOMPARE(input->textCursor().selectedText().size(), input->toPlainText().size());
    }

    void saveWritesTheHitList() {
        QTemporaryDir dir;
        const QString path = dir.filePath("hits.xls");
        process(kTwoHits, "100abc");
        platform_->queueSaveFile(path);
        get<QPushButton>("cmdSave")->click();
        QCOMPARE(platform_->log(), QStringList{"SaveFile||Excel Worksheet (*.xls)|*.xls|None"});
        const QString heading = "IGTC search, " + ShortDateTime(Now()) + ", 100abc minimum cutoff";
        QCOMPARE(test::ReadText(path), "\"" + heading +
                                           "\"\r\n\"\"\r\n\"2 hits found on IGTC database:\"\r\n"
                                           "\"ABC1\"\r\n\"DEF2\"\r\n");
        // Saving again replaces the file.
        process(kTwoHits, "300");
        platform_->queueSaveFile(path);
        get<QPushButton>("cmdSave")->click();
        QCOMPARE(test::ReadText(path),
                 "\"IGTC search, " + ShortDateTime(Now()) + ", 300 minimum cutoff\"\r\n\"\"\r\n");
    }

    void saveProblems() {
        QTemporaryDir dir;
        process(kTwoHits, "100");
        get<QPushButton>("cmdSave")->click();  // dialog cancelled
        QCOMPARE(platform_->messageTexts(), QStringList());

        const QString bad = dir.filePath("no/such/folder/hits.xls");
        platform_->queueSaveFile(bad);
        get<QPushButton>("cmdSave")->click();
        QCOMPARE(platform_->messageTexts().size(), 1);
        QVERIFY(platform_->messageTexts()[0].contains("not saved"));
        QVERIFY(!QFile::exists(bad));
    }

    // No to the question prints nothing; Yes asks for a title and prints.
    void printReport() {
        PrinterDouble printers;
        process(kTwoHits, "100abc");
        const QString question = "Question|Print|Ok to print hits?|Question";
        platform_->queueAnswer(false);
        get<QPushButton>("cmdPrint")->click();
        QCOMPARE(platform_->log(), QStringList{question});
        QVERIFY(printers.documents.isEmpty());

        platform_->clear();
        platform_->queueAnswer(true);
        platform_->queueInput("Trap screen");
        get<QPushButton>("cmdPrint")->click();
        QCOMPARE(platform_->log(),
                 QStringList({question, "Input|Title|Enter title of search:|None"}));
        QCOMPARE(printers.documents.size(), 1);
        const PrintedDocument& doc = printers.documents[0];
        QCOMPARE(doc.lines,
                 QStringList({"Trap screen",
                              "IGTC Hits for " + ShortDateTime(Now()) + ", 100abc minimum cutoff",
                              " 2  hits found:", "ABC1", "DEF2"}));

        // No hits, and the title box cancelled: an empty title line.
        process(kTwoHits, "1000");
        platform_->queueAnswer(true);
        get<QPushButton>("cmdPrint")->click();
        QCOMPARE(printers.documents.size(), 2);
        QCOMPARE(printers.documents[1].lines.last(), QString("No hits found"));
        QCOMPARE(printers.documents[1].lineCount, 4);
    }

    void openIgtcPage() {
        ctx_.settings.IgtcServerBase = "http://127.0.0.1:9";
        get<QPushButton>("cmdOpenIGTC")->click();
        QCOMPARE(platform_->openedUrls, QStringList({"http://127.0.0.1:9/dataaccess/blast.html"}));
    }

    // The command line gives the output text the window gives, for the same
    // text and minimum, whatever the line ends.
    void sameOutputAsCommandLine_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("cutoff");
        const QByteArray twoLine = "Query= ABC1 gene\r\ntrap\r\n   (88 letters)\r\nValue x) 300 ";
        QTest::newRow("two hits") << kTwoHits.toUtf8() << "100";
        QTest::newRow("name over CR LF") << twoLine << "100";
        QTest::newRow("name over LF") << QByteArray(twoLine).replace("\r\n", "\n") << "100";
        QTest::newRow("name over CR") << QByteArray(twoLine).replace("\r\n", "\r") << "100";
        QTest::newRow("score over CR LF")
            << QByteArray("Query= A (5 letters) Value) 1\r\n2 ") << "2";
        QTest::newRow("no-break spaces") << QByteArray(
                                                "Query=\xC2\xA0\xC3\xA9"
                                                "A\xC2\xA0\r\n (5 letters) Value)\xC2\xA0"
                                                "300\xC2\xA0\xC2\xA0"
                                                "1e-5 ")
                                         << "300";
        QTest::newRow("non-ASCII before the length") << QByteArray(
                                                            "Query= AB\xC3\x9F"
                                                            "12 letters Value) 9 ")
                                                     << "1";
        const QDir real(QUILL_REALDATA_DIR);
        for (const QString& f : real.entryList({"*blast*", "*Blast*"}, QDir::Files))
            QTest::newRow(qPrintable(f)) << test::ReadBytes(real.filePath(f)) << "30";
    }
    void sameOutputAsCommandLine() {
        QFETCH(QByteArray, text);
        QFETCH(QString, cutoff);
        process(QString::fromUtf8(text), cutoff);
        QProcess cli;
        cli.start(QUILL_CLI_PATH, {"igtc", "--min-score", cutoff});
        QVERIFY(cli.waitForStarted());
        cli.write(text);
        cli.closeWriteChannel();
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(cli.readAllStandardOutput()), w_->OutputText());
        QCOMPARE(QString::fromUtf8(cli.readAllStandardError()).trimmed(), textOf("lblReading"));
    }
};

QTEST_MAIN(FrmIgtcTest)
#include "test_frmigtc.moc"
