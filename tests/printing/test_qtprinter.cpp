// The Qt printer: real font metrics, numbered PDF files in the PDF folder,
// and the PDF file offered when there is no printer.

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "printing/gui/qtprinter.h"
#include "printing/printer.h"
#include "support/testsupport.h"
#include "widgets/platform.h"

using namespace quill;
using namespace quill::ui;

namespace {

void PrintSample(Printer& p) {
    p.SetScale(10800, 15840, -720);
    p.SetFontName("Times New Roman");
    p.SetFontSize(13);
    p.SetCurrentY(720);
    p.PrintCentred("Quarterly trap screen");
    p.SetFontSize(11);
    p.PrintLine({PrintItem::Number(2), PrintItem::Text(" hits found:")});
    p.PrintLine({PrintItem::Column(7), PrintItem::Text("Pax6")});
    p.PrintLine({PrintItem::Column(7), PrintItem::Text("Sox2")});
}

}  // namespace

class QtPrinterTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QtPrinter::SetNoPrinterForTesting(true); }

    // With nothing printed no PDF file is offered.
    void nothingPrinted() {
        PlatformDouble platform;
        QVERIFY(!QtPrinter(nullptr, Settings()).EndDoc());
        QVERIFY(platform.shown.isEmpty());
    }

    // Prints go to numbered PDF files in the PDF folder, holding the text in
    // order on as many pages as were counted; when that folder cannot be
    // made, a PDF file elsewhere is offered.
    void printToPdfDir() {
        QTemporaryDir dir;
        Settings s;
        s.PrintToPdfDir = dir.filePath("prints");
        QtPrinter first(nullptr, s);
        PrintSample(first);
        // Real font metrics: widths differ by letter and grow with the size.
        const double wide = first.TextWidth("WWWWWWWWWW");
        QVERIFY(wide > 2 * first.TextWidth("iiiiiiiiii"));
        first.SetFontSize(22);
        QVERIFY(qAbs(first.TextWidth("WWWWWWWWWW") - 2 * wide) < wide * 0.05);
        for (int i = 0; i < 150; ++i) first.PrintLine("line " + QString::number(i));
        QVERIFY(first.PageCount() >= 2);
        QVERIFY(first.EndDoc());
        QtPrinter second(nullptr, s);
        PrintSample(second);
        QVERIFY(second.EndDoc());
        QCOMPARE(QDir(s.PrintToPdfDir).entryList(QDir::Files),
                 QStringList({"print-001.pdf", "print-002.pdf"}));

        const QString path = dir.filePath("prints/print-001.pdf");
        s.PrintToPdfDir = path + "/sub";  // below a plain file
        PlatformDouble platform;
        platform.queueAnswer(false);
        QtPrinter p(nullptr, s);
        PrintSample(p);
        QVERIFY(!p.EndDoc());
        QCOMPARE(platform.shown.size(), 1);
        QVERIFY(platform.shown.first().text.contains("could not be written"));

        QVERIFY(test::ReadBytes(path).startsWith("%PDF"));
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty()) QSKIP("poppler tools are not installed");
        QProcess tool;
        tool.start(pdftotext, {"-layout", path, "-"});
        QVERIFY(tool.waitForFinished(10000));
        const QString text = QString::fromUtf8(tool.readAllStandardOutput());
        for (const char* line : {"Quarterly trap screen", "2 hits found:", "Pax6", "Sox2"})
            QVERIFY2(text.contains(line), qPrintable(text));
        QVERIFY(text.indexOf("Pax6") < text.indexOf("Sox2"));
        QCOMPARE(text.count('\f'), first.PageCount());  // a form feed ends each page
    }

    void noPrinterOffersPdf_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("chosen");   // "": the file dialog was cancelled
        QTest::addColumn<QString>("written");  // "": nothing printed
        QTest::newRow("declined") << false << ""
                                  << "";
        QTest::newRow("accepted, no file chosen") << true << ""
                                                  << "";
        QTest::newRow("accepted") << true << "out.pdf"
                                  << "out.pdf";
        QTest::newRow("accepted, no suffix") << true << "out"
                                             << "out.pdf";
        QTest::newRow("unwritable file") << true << "missing/folder/out.pdf"
                                         << "";
    }
    void noPrinterOffersPdf() {
        QFETCH(bool, yes);
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QTemporaryDir dir;
        PlatformDouble platform;
        platform.queueAnswer(yes);
        platform.queueSaveFile(chosen.isEmpty() ? QString() : dir.filePath(chosen));
        QtPrinter p(nullptr, Settings());
        PrintSample(p);
        QCOMPARE(p.EndDoc(), !written.isEmpty());
        QVERIFY(platform.shown.first().text.startsWith("No printer is available"));
        // Only a chosen file that cannot be written gets a message.
        QCOMPARE(platform.messageTexts().size(), chosen.isEmpty() || !written.isEmpty() ? 0 : 1);
        if (!written.isEmpty()) {
            QCOMPARE(p.WrittenPdf(), dir.filePath(written));
            QVERIFY(test::ReadBytes(dir.filePath(written)).startsWith("%PDF"));
        } else {
            QVERIFY(!p.Error().isEmpty());
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
        }
    }
};

QTEST_MAIN(QtPrinterTest)
#include "test_qtprinter.moc"
