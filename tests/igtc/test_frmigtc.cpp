#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "igtc/blastreports.h"
#include "igtc/gui/frmigtc.h"
#include "printing/gui/qtprinter.h"
#include "support/testsupport.h"
#include "text/textrules.h"
#include "widgets/appcontext.h"
#include "widgets/platform.h"

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

    // Processing keeps the passing queries; Enter in the minimum box
    // processes too, and Clear empties only the input.
    void processKeepsPassingQueries() {
        QVERIFY(!enabled("cmdSave") && !enabled("cmdPrint"));
        process(kTwoHits, "100abc");
        QCOMPARE(results(), QStringList({"ABC1", "DEF2"}));
        QCOMPARE(w_->OutputText(), kTwoHitsOutput);
        QCOMPARE(textOf("txtCutoff1"), QString("100abc"));
        QVERIFY(enabled("cmdSave") && enabled("cmdPrint") && enabled("cmdProcess"));

        get<QPlainTextEdit>("txtInput")
            ->setPlainText(kTwoHits +
                           "Query= NONE\n (5 letters)\n\n ***** No hits found ******\n\n" +
                           "Query= cut off");
        get<QLineEdit>("txtCutoff")->setText("200");
        QTest::keyClick(get<QLineEdit>("txtCutoff"), Qt::Key_Return);
        QCOMPARE(results(), QStringList({"ABC1"}));
        QCOMPARE(textOf("lblReading"), QString("Read as legacy BLAST text. 1 query without hits. "
                                               "1 query could not be read."));

        get<QPushButton>("cmdClear")->click();
        QCOMPARE(get<QPlainTextEdit>("txtInput")->toPlainText(), QString());
        QCOMPARE(results(), QStringList({"ABC1"}));
        QVERIFY(platform_->shown.isEmpty());
    }

    // A refused processing changes nothing: the list, the output and the
    // minimum of the result still describe the last result.
    void refusedInputChangesNothing() {
        for (const auto& [text, cutoff] : std::initializer_list<std::pair<QString, QString>>{
                 {kTwoHits, "40000"}, {"Dear colleague,\nthe results follow.", "100"}}) {
            process(kTwoHits, "100");
            process(text, cutoff);
            QCOMPARE(results(), QStringList({"ABC1", "DEF2"}));
            QCOMPARE(w_->OutputText(), kTwoHitsOutput);
            QCOMPARE(textOf("txtCutoff1"), QString("100"));
            QVERIFY(enabled("cmdProcess"));
        }
        QCOMPARE(platform_->messageTexts(),
                 QStringList({"Enter a minimum score between -32768 and 32767", kNotBlastMessage}));
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

    // The hit list saved (a file that cannot be written gives a message);
    // printed on Yes to the question, with the title asked for.
    void saveAndPrint() {
        PrinterDouble printers;
        QTemporaryDir dir;
        const QString path = dir.filePath("hits.xls"), bad = dir.filePath("no/such/hits.xls");
        process(kTwoHits, "100abc");
        platform_->queueSaveFile(path);
        get<QPushButton>("cmdSave")->click();
        const QString heading = "IGTC search, " + ShortDateTime(Now()) + ", 100abc minimum cutoff";
        QCOMPARE(test::ReadText(path), "\"" + heading +
                                           "\"\r\n\"\"\r\n\"2 hits found on IGTC database:\"\r\n"
                                           "\"ABC1\"\r\n\"DEF2\"\r\n");
        platform_->queueSaveFile(bad);
        get<QPushButton>("cmdSave")->click();
        QCOMPARE(platform_->messageTexts().size(), 1);
        QVERIFY(!QFile::exists(bad));

        platform_->queueAnswer(false);
        get<QPushButton>("cmdPrint")->click();
        QVERIFY(printers.documents.isEmpty());
        platform_->queueAnswer(true);
        platform_->queueInput("Trap screen");
        get<QPushButton>("cmdPrint")->click();
        QCOMPARE(printers.documents.size(), 1);
        QCOMPARE(printers.documents[0].lines,
                 QStringList({"Trap screen",
                              "IGTC Hits for " + ShortDateTime(Now()) + ", 100abc minimum cutoff",
                              " 2  hits found:", "ABC1", "DEF2"}));
    }

    void openIgtcPage() {
        ctx_.settings.IgtcServerBase = "http://127.0.0.1:9";
        get<QPushButton>("cmdOpenIGTC")->click();
        QCOMPARE(platform_->openedUrls, QStringList({"http://127.0.0.1:9/dataaccess/blast.html"}));
    }

    // The command line gives the output text the window gives, for the same
    // text and minimum, whatever the line ends and blanks.
    void sameOutputAsCommandLine_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("cutoff");
        QTest::newRow("name over CR LF")
            << QByteArray("Query= ABC1 gene\r\ntrap\r\n   (88 letters)\r\nValue x) 300 ") << "100";
        QTest::newRow("name in Latin-1")
            << QByteArray("Query= B\xe4r\xa0trap\r\n   (88 letters)\r\nValue x) 300 ") << "100";
        const QDir real(QUILL_REALDATA_DIR);
        for (const QString& f : real.entryList({"*blast*", "*Blast*"}, QDir::Files))
            QTest::newRow(qPrintable(f)) << test::ReadBytes(real.filePath(f)) << "30";
    }
    void sameOutputAsCommandLine() {
        QFETCH(QByteArray, text);
        QFETCH(QString, cutoff);
        process(DecodeInputText(text), cutoff);
        const test::CliRun cli = test::Cli({"igtc", "--min-score", cutoff}, text);
        QCOMPARE(cli.status, 0);
        QCOMPARE(cli.out, w_->OutputText());
        QCOMPARE(cli.err.trimmed(), textOf("lblReading"));
    }
};

QTEST_MAIN(FrmIgtcTest)
#include "test_frmigtc.moc"