// The printer layer on the recording printer: number text, the coordinate
// system, items and columns, page ends, long lines and the report page.

#include <QtTest>

#include "printing/printer.h"

using namespace quill;

class PrinterTest : public QObject {
    Q_OBJECT
  private slots:
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
    }

    // The report page: the title centred on an area 10800 units wide whose
    // left edge is at -720, in bold 13-point Times New Roman from height 720
    // (an underline left on before is off); lines start at 0.
    void beginReport() {
        RecordingPrinter p;
        p.SetFontUnderline(true);
        p.BeginReport();
        p.PrintCentred("Trap screen");
        p.PrintLine("Pax6");
        const QList<PrintedPiece>& pc = p.Pieces();
        QVERIFY(pc[0].font == (PrintFont{"Times New Roman", 13, true, false}));
        QCOMPARE(pc[0].y, 720.0);
        QCOMPARE(pc[0].x, (10800 - p.TextWidth("Trap screen")) / 2 - 720);
        QCOMPARE(pc[1].x, 0.0);
        QCOMPARE(p.ScaleHeight(), 15840.0);
    }
};

QTEST_GUILESS_MAIN(PrinterTest)
#include "test_printer.moc"
