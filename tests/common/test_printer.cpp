#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "common/gui/platform.h"
#include "common/gui/qtprinter.h"
#include "common/printer.h"
#include "support/testsupport.h"

using namespace quill;
using namespace quill::ui;

namespace {

// The output of a poppler tool run on a PDF file; null when the tool is missing.
QString PdfTool(const QString& name, const QStringList& args) {
    const QString tool = QStandardPaths::findExecutable(name);
    QProcess p;
    if (!tool.isEmpty()) p.start(tool, args);
    if (tool.isEmpty() || !p.waitForFinished(10000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

void PrintSample(Printer& p) {
    p.SetScale(10800, 15840, -720);
    p.SetFontName("Times New Roman");
    p.SetFontBold(true);
    p.SetFontSize(13);
    p.SetCurrentY(720);
    p.PrintCentred("Quarterly trap screen");
    p.SetFontSize(11);
    p.PrintLine({PrintItem::Number(2), PrintItem::Text(" hits found:")});
    p.SetFontBold(false);
    p.PrintLine({PrintItem::Column(7), PrintItem::Text("Pax6")});
    p.PrintLine({PrintItem::Column(7), PrintItem::Text("Sox2")});
}

}  // namespace

class PrinterTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QtPrinter::SetNoPrinterForTesting(true); }

    void numberText_data() {
        QTest::addColumn<double>("n");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << " 0 ";
        QTest::newRow("minus zero") << -0.0 << " 0 ";
        QTest::newRow("negative") << -3.0 << "-3 ";
        QTest::newRow("large") << 123456789.0 << " 123456789 ";
        QTest::newRow("fraction") << 2.5 << " 2.5 ";
    }
    void numberText() {
        QFETCH(double, n);
        QFETCH(QString, text);
        QCOMPARE(PrintedNumberText(n), text);
    }

    void badScaleIsIgnored_data() {
        QTest::addColumn<double>("w");
        QTest::addColumn<double>("h");
        QTest::newRow("zero width") << 0.0 << 100.0;
        QTest::newRow("negative height") << 100.0 << -5.0;
        QTest::newRow("nan") << std::nan("") << 100.0;
    }
    void badScaleIsIgnored() {
        QFETCH(double, w);
        QFETCH(double, h);
        RecordingPrinter p;
        QCOMPARE(p.ScaleWidth(), 576.0 * 20);  // twips until SetScale
        p.SetScale(10800, 15840, -720);
        p.SetScale(w, h, 0);
        QCOMPARE(p.ScaleWidth(), 10800.0);
        QCOMPARE(p.ScaleHeight(), 15840.0);
        QCOMPARE(p.ScaleLeft(), -720.0);
        QCOMPARE(p.LineStartX(), 0.0);  // a negative left edge is the margin
        p.SetScale(1000, 1000, 500);
        QCOMPARE(p.LineStartX(), 500.0);
    }

    // Items follow each other without gaps; a line ends at the line start one
    // line lower; line breaks inside a text end lines too.
    void itemsFollowEachOther() {
        RecordingPrinter p;
        p.SetFontSize(10);
        p.SetCurrentX(300);
        p.PrintLine({PrintItem::Text("ab"), PrintItem::Number(7), PrintItem::Text("x"),
                     PrintItem::Number(-2), PrintItem::Text(")")});
        const QList<PrintedPiece>& pc = p.Pieces();
        QCOMPARE(p.LineTexts(), QStringList({"ab 7 x-2 )"}));
        QCOMPARE(pc[0].x, 300.0);
        for (qsizetype i = 1; i < pc.size(); ++i) {
            QCOMPARE(pc[i].x, pc[i - 1].x + p.TextWidth(pc[i - 1].text));
            QCOMPARE(pc[i].y, pc[0].y);
        }
        QCOMPARE(p.CurrentX(), p.LineStartX());
        QCOMPARE(p.CurrentY(), pc[0].y + p.TextHeight());

        p.PrintLine("ACGT\r\nTTGA\nCC\rG");
        QCOMPARE(p.LineTexts().mid(1), QStringList({"ACGT", "TTGA", "CC", "G"}));
        QCOMPARE(p.Pieces().last().x, p.LineStartX());
        QCOMPARE(p.Pieces().last().y, pc[0].y + 4 * p.TextHeight());
        QCOMPARE(p.TextWidth("ab\nabcd"), p.TextWidth("abcd"));
    }

    // Column n stands n - 1 average characters (one each in this printer)
    // after the line start.
    void columns_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("upToColumn");
        QTest::addColumn<bool>("nextLine");
        QTest::newRow("column 1") << "" << 1 << "" << false;
        QTest::newRow("column 0 counts as 1") << "" << 0 << "" << false;
        QTest::newRow("column after text") << "abc" << 7 << "abcdef" << false;
        QTest::newRow("exactly at the column") << "abcdef" << 7 << "abcdef" << false;
        QTest::newRow("past the column: next line") << "abcdefgh" << 7 << "abcdef" << true;
    }
    void columns() {
        QFETCH(QString, before);
        QFETCH(int, column);
        QFETCH(QString, upToColumn);
        QFETCH(bool, nextLine);
        RecordingPrinter p;
        p.SetScale(10800, 15840, 360);
        p.SetFontSize(10);
        p.PrintLine({PrintItem::Text(before), PrintItem::Column(column), PrintItem::Text("N")});
        const PrintedPiece& last = p.Pieces().last();
        QCOMPARE(last.text, QString("N"));
        QCOMPARE(last.x, p.LineStartX() + p.TextWidth(upToColumn));
        QCOMPARE(last.y, nextLine ? p.TextHeight() : 0.0);
    }

    // A full page continues on the next one, at the top margin of the first.
    void pageBreaks() {
        RecordingPrinter p;
        p.SetScale(10800, 15840, -720);
        p.SetFontSize(10);
        p.SetCurrentY(720);
        int lines = 0;
        while (p.PageCount() < 2) p.PrintLine(QString::number(lines++));
        p.PrintLine("last");
        const QList<PrintedPiece>& pc = p.Pieces();
        QCOMPARE(pc.size(), lines + 1);
        for (const PrintedPiece& piece : pc) QVERIFY(piece.y + p.TextHeight() <= 15840);
        const PrintedPiece& lastOfPage1 = pc[lines - 2];
        QCOMPARE(lastOfPage1.page, 1);
        QVERIFY(lastOfPage1.y + 2 * p.TextHeight() > 15840);  // no room for one more
        QCOMPARE(pc[lines - 1].page, 2);
        QCOMPARE(pc[lines - 1].y, 720.0);
        QCOMPARE(pc.last().y, 720.0 + p.TextHeight());
    }

    void endDoc() {
        RecordingPrinter empty;
        QVERIFY(!empty.EndDoc());
        QVERIFY(!empty.Error().isEmpty());

        RecordingPrinter p;
        p.PrintLine("x");
        QVERIFY(p.EndDoc());
        QVERIFY(!p.EndDoc());  // ended once

        RecordingPrinter failing;
        failing.FailOutputWith("paper jam");
        failing.PrintLine("x");
        QVERIFY(!failing.EndDoc());
        QCOMPARE(failing.Error(), QString("paper jam"));

        // With nothing printed no PDF file is offered either.
        PlatformDouble platform;
        QVERIFY(!QtPrinter(nullptr, Settings()).EndDoc());
        QVERIFY(platform.shown.isEmpty());
    }

    void realMetrics() {
        auto p = QtPrinter::ForPdfFile(QDir::temp().filePath("unused.pdf"));
        p->SetFontName("Times New Roman");
        p->SetFontSize(13);
        const double narrow = p->TextWidth("iiiiiiiiii");
        const double wide = p->TextWidth("WWWWWWWWWW");
        QVERIFY(narrow > 0);
        QVERIFY(wide > 2 * narrow);
        p->SetFontSize(26);
        QVERIFY(qAbs(p->TextWidth("WWWWWWWWWW") - 2 * wide) < wide * 0.05);
        QVERIFY(p->TextHeight() > 0);
    }

    // A PDF file holds the text in order, on as many pages as were counted.
    void pdfFileReadsBack() {
        QTemporaryDir dir;
        const QString path = dir.filePath("report.pdf");
        auto p = QtPrinter::ForPdfFile(path);
        PrintSample(*p);
        for (int i = 0; i < 150; ++i) p->PrintLine("line " + QString::number(i));
        QVERIFY(p->PageCount() >= 2);
        QVERIFY(p->EndDoc());
        QCOMPARE(p->WrittenPdf(), path);
        QVERIFY(test::ReadBytes(path).startsWith("%PDF"));
        const QString text = PdfTool("pdftotext", {"-layout", path, "-"});
        const QString info = PdfTool("pdfinfo", {path});
        if (text.isNull() || info.isNull()) QSKIP("poppler tools are not installed");
        for (const char* line : {"Quarterly trap screen", "2 hits found:", "Pax6", "Sox2"})
            QVERIFY2(text.contains(line), qPrintable(text));
        QVERIFY(text.indexOf("Pax6") < text.indexOf("Sox2"));
        const QRegularExpression pages("Pages:\\s*(\\d+)");
        QCOMPARE(pages.match(info).captured(1).toInt(), p->PageCount());
    }

    void printToPdfDirNumbersFiles() {
        QTemporaryDir dir;
        Settings s;
        s.PrintToPdfDir = dir.filePath("prints");
        for (int i = 0; i < 2; ++i) {
            QtPrinter p(nullptr, s);
            PrintSample(p);
            QVERIFY(p.EndDoc());
        }
        QCOMPARE(QDir(s.PrintToPdfDir).entryList(QDir::Files),
                 QStringList({"print-001.pdf", "print-002.pdf"}));
    }

    void noPrinterOffersPdf_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("file");  // "" = dialog cancelled, "BAD" = unwritable
        QTest::addColumn<bool>("printed");
        QTest::addColumn<int>("messages");
        QTest::newRow("declined") << false << "" << false << 0;
        QTest::newRow("accepted, no file chosen") << true << "" << false << 0;
        QTest::newRow("accepted") << true << "out.pdf" << true << 0;
        QTest::newRow("accepted, no suffix") << true << "out" << true << 0;
        QTest::newRow("unwritable file") << true << "BAD" << false << 1;
    }
    void noPrinterOffersPdf() {
        QFETCH(bool, yes);
        QFETCH(QString, file);
        QFETCH(bool, printed);
        QFETCH(int, messages);
        QTemporaryDir dir;
        PlatformDouble platform;
        platform.queueAnswer(yes);
        QString path;
        if (file == "BAD")
            path = dir.filePath("missing/folder/out.pdf");
        else if (!file.isEmpty())
            path = dir.filePath(file);
        platform.queueSaveFile(path);
        QtPrinter p(nullptr, Settings());
        PrintSample(p);
        QCOMPARE(p.EndDoc(), printed);
        QCOMPARE(platform.shown.first().kind, Shown::Question);
        QVERIFY(platform.shown.first().text.startsWith("No printer is available"));
        QVERIFY(platform.shown.first().text.contains("PDF"));
        QCOMPARE(platform.messageTexts().size(), messages);
        if (printed) {
            const QString written = path.endsWith(".pdf") ? path : path + ".pdf";
            QCOMPARE(p.WrittenPdf(), written);
            QVERIFY(test::ReadBytes(written).startsWith("%PDF"));
        } else {
            QVERIFY(!p.Error().isEmpty());
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
        }
    }

    void unwritablePdfDirOffersPdfElsewhere() {
        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath("file")).open(QIODevice::WriteOnly));
        Settings s;
        s.PrintToPdfDir = dir.filePath("file/sub");  // below a plain file
        PlatformDouble platform;
        platform.queueAnswer(false);
        QtPrinter p(nullptr, s);
        PrintSample(p);
        QVERIFY(!p.EndDoc());
        QCOMPARE(platform.shown.size(), 1);
        QVERIFY(platform.shown.first().text.contains("could not be written"));
    }
};

QTEST_MAIN(PrinterTest)
#include "test_printer.moc"
