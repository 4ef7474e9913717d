#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "widgets/platform.h"
#include "printing/gui/qtprinter.h"
#include "printing/printer.h"
#include "support/testsupport.h"

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

class PrinterTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { QtPrinter::SetNoPrinterForTesting(true); }

    void numberText() {
        QCOMPARE(PrintedNumberText(-0.0), QString(" 0 "));
        QCOMPARE(PrintedNumberText(2.5), QString(" 2.5 "));
    }

    void badScaleIsIgnored() {
        RecordingPrinter p;
        QCOMPARE(p.ScaleWidth(), 576.0 * 20);  // twips until SetScale
        p.SetScale(10800, 15840, -720);
        for (const auto& [w, h] :
             std::initializer_list<std::pair<double, double>>{{0, 100}, {100, -5}, {NAN, 100}})
            p.SetScale(w, h, 0);
        QCOMPARE(p.ScaleWidth(), 10800.0);
        QCOMPARE(p.ScaleHeight(), 15840.0);
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
        QCOMPARE(pc.last().x, 300 + p.TextWidth("ab 7 x-2 "));
        QCOMPARE(p.CurrentX(), p.LineStartX());
        QCOMPARE(p.CurrentY(), pc[0].y + p.TextHeight());

        p.PrintLine("ACGT\r\nTTGA\nCC\rG");
        QCOMPARE(p.LineTexts().mid(1), QStringList({"ACGT", "TTGA", "CC", "G"}));
        QCOMPARE(p.Pieces().last().x, p.LineStartX());
        QCOMPARE(p.Pieces().last().y, pc[0].y + 4 * p.TextHeight());
        QCOMPARE(p.TextWidth("ab\nabcd"), p.TextWidth("abcd"));
    }

    // Column n stands n - 1 average characters (one each in this printer)
    // after the line start; text already past it moves it to the next line.
    void columns() {
        // Where "N" lands, in characters after the line start and in lines.
        const auto place = [](const QString& before, int column) {
            RecordingPrinter p;
            p.SetScale(10800, 15840, 360);
            p.SetFontSize(10);
            p.PrintLine({PrintItem::Text(before), PrintItem::Column(column), PrintItem::Text("N")});
            const PrintedPiece& n = p.Pieces().last();
            return QPointF((n.x - p.LineStartX()) / p.TextWidth("x"), n.y / p.TextHeight());
        };
        QCOMPARE(place("", 0), QPointF(0, 0));  // column 0 counts as 1
        QCOMPARE(place("abc", 7), QPointF(6, 0));
        QCOMPARE(place("abcdef", 7), QPointF(6, 0));
        QCOMPARE(place("abcdefgh", 7), QPointF(6, 1));
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
        QVERIFY(pc[lines - 2].y + 2 * p.TextHeight() > 15840);  // no room for one more
        QCOMPARE(pc[lines - 1].page, 2);
        QCOMPARE(pc.last().y, 720.0 + p.TextHeight());
    }

    // A line wider than the printable area goes on below, never past its
    // edge: at the last blank that fits (the blank dropped), else after the
    // last character that fits, continuing at the line's indentation
    // (centred lines each centred); a page end on the way continues on the
    // next page. In the report coordinates a character of 11-point type is
    // 103.125 units wide, so a line from 0 holds 97 characters.
    void longLinesBreak_data() {
        QTest::addColumn<QString>("kind");  // "column", "plain" or "centred"
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("joint");  // what joins the printed lines
        const QString name =
            "Mus musculus paired box gene 6 (Pax6), transcript variant 1, mRNA, complete cds, "
            "from a cDNA clone of an adult eye library";
        const QString sequence = QString("ACGTTGCA").repeated(40);
        QTest::newRow("long name, indented") << "column" << name << " ";
        QTest::newRow("unbroken sequence") << "plain" << sequence << "";
        QTest::newRow("unbroken sequence, indented") << "column" << sequence << "";
        QTest::newRow("blank just past the edge") << "plain" << QString(97, 'x') + " tail"
                                                  << " ";
        QTest::newRow("long title, centred") << "centred" << name << " ";
    }
    void longLinesBreak() {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QString, joint);
        RecordingPrinter p;
        p.SetScale(10800, 15840, -720);
        p.SetFontSize(11);
        p.SetCurrentY(720);
        p.PrintLine("head");
        const double height = p.TextHeight();
        p.SetCurrentY(15840 - 1.5 * height);  // the last line of the page
        if (kind == "centred")
            p.PrintCentred(text);
        else if (kind == "column")
            p.PrintLine({PrintItem::Column(10), PrintItem::Text(text)});
        else
            p.PrintLine(text);

        const QList<PrintedPiece> pieces = p.Pieces().mid(1);
        QVERIFY(pieces.size() >= 2);
        QStringList lines;
        const double indent = pieces.first().x;
        for (int i = 0; i < pieces.size(); ++i) {
            const PrintedPiece& piece = pieces[i];
            lines << piece.text;
            const double width = p.TextWidth(piece.text);
            QVERIFY2(piece.x >= -720 && piece.x + width <= 10080, qPrintable(piece.text));
            if (kind == "centred")
                QCOMPARE(piece.x + 720, 10080 - (piece.x + width));
            else
                QCOMPARE(piece.x, indent);
            // Each line takes what fits: the next word or character would not.
            if (i + 1 < pieces.size()) {
                const QString next = joint.isEmpty()
                                         ? pieces[i + 1].text.left(1)
                                         : joint + pieces[i + 1].text.section(' ', 0, 0);
                QVERIFY(kind == "centred" || piece.x + p.TextWidth(piece.text + next) > 10080);
            }
            // The first part ends page 1, the rest go on from the top of page 2.
            QCOMPARE(piece.page, i == 0 ? 1 : 2);
            if (i > 0) QCOMPARE(piece.y, 720 + (i - 1) * height);
        }
        QCOMPARE(lines.join(joint), text);
        QCOMPARE(p.LineCount(), 1 + pieces.size());
    }

    void endDoc() {
        RecordingPrinter empty;
        QVERIFY(!empty.EndDoc());
        QVERIFY(!empty.Error().isEmpty());

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

QTEST_MAIN(PrinterTest)
#include "test_printer.moc"
