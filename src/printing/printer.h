#pragma once
// src/printing: the layer every printed report goes through. This header and
// printer.cpp (quill_core: no Qt Gui) lay the lines of a report out into
// pieces on pages, the same for every output; pdf/ (quill_pdf, Qt Gui alone)
// measures real fonts and draws the pieces into PDF files, for the windows
// and, through the pdf module, for the command line; gui/ (with the windows)
// prints on the system's printer or offers a PDF file instead. The reports
// themselves stand with their job areas (search/searchreport.h,
// igtc/igtcreport.h, profile/screening.h, unique/uniquehits.h).
//
// A Printer lays the lines out in a user coordinate system over the printable
// area of a page (like a sheet of paper seen through a ruler of the caller's
// choosing), keeps the current position and font, breaks a line that is
// wider than the printable area onto the lines below it, continues on a new
// page when a page is full, and hands the finished document to its output at
// EndDoc.
//
// The layout is done here, once for every output; an implementation only
// supplies the font metrics and the output. RecordingPrinter (below) keeps the
// printed pieces for tests; the Qt implementation (printing/gui/qtprinter.h)
// prints on the default printer or into a PDF file.
//
// Typical use:
//   p.BeginReport();
//   p.PrintCentred(title);
//   p.SetFontSize(11);
//   p.PrintLine({PrintItem::Number(5), PrintItem::Text(" hits found:")});
//   p.PrintLine({PrintItem::Column(7), PrintItem::Text(name)});
//   bool printed = p.EndDoc();

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace quill {

// One item of a printed line.
struct PrintItem {
    enum class Kind { Text, Number, Column };
    Kind kind = Kind::Text;
    QString text;       // Text: printed unchanged (line breaks inside end lines)
    double number = 0;  // Number: printed by the number print rule
    int column = 0;     // Column: move to this print column

    static PrintItem Text(const QString& t) { return {Kind::Text, t, 0, 0}; }
    static PrintItem Number(double n) { return {Kind::Number, QString(), n, 0}; }
    // Moves the print position to print column n of the line: column 1 is the
    // start of the line, each column is one average character width of the
    // current font. When the position is already past that column, the line
    // ends and the next one continues at that column.
    static PrintItem Column(int n) { return {Kind::Column, QString(), 0, n}; }
};

// The text a number item prints: a blank in front of a number that is not
// negative (the place of the sign), the number in decimal, one blank after it.
QString PrintedNumberText(double n);

// The font in force for a printed piece.
struct PrintFont {
    QString name;
    double size = 10;
    bool bold = false;
    bool underline = false;
    bool operator==(const PrintFont&) const = default;
};

// One piece of text as it lands on a page, in user coordinates: (x, y) is the
// top left corner of the piece's line box.
struct PrintedPiece {
    int page = 1;  // 1-based
    double x = 0;
    double y = 0;
    QString text;
    PrintFont font;
};

class Printer {
  public:
    Printer();
    virtual ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // The user coordinate system: the printable area of the page is width
    // units wide and height units high; its left edge has the coordinate left
    // and its top edge the coordinate top. Sets the position to (left, top)
    // only if it lies outside the new area.
    void SetScale(double width, double height, double left, double top = 0);
    // Until SetScale, the coordinate system is twips (1/1440 inch) with the
    // origin at the top left corner of the printable area.
    double ScaleWidth() const;
    double ScaleHeight() const;
    double ScaleLeft() const { return scaled_ ? scaleLeft_ : 0; }
    double ScaleTop() const { return scaled_ ? scaleTop_ : 0; }

    // The current print position, in user units.
    double CurrentX() const { return x_; }
    double CurrentY() const { return y_; }
    void SetCurrentX(double x) { x_ = x; }
    void SetCurrentY(double y) { y_ = y; }

    // The font of the next printed pieces.
    void SetFontName(const QString& name) { font_.name = name; }
    void SetFontSize(double points);  // sizes below 1 point count as 1
    void SetFontBold(bool on) { font_.bold = on; }
    void SetFontUnderline(bool on) { font_.underline = on; }

    // Printed width of text in the current font, in user units; for text
    // with line breaks the width of its widest line.
    double TextWidth(const QString& text) const;
    // Height of one line of the current font, in user units.
    double TextHeight() const;

    // Prints the items one after another from the current position, without
    // separators, then ends the line: the position goes to the start of the
    // next line (x = the line start, y one line lower). A line that does not
    // fit below the current position goes to the top of a new page first.
    //
    // A line that runs past the right edge of the printable area continues
    // on the next line, at the line's indentation (where its first visible
    // character stands): it breaks at the last blank that still fits, the
    // blanks at the break dropped, or where there is none, after the last
    // character that fits. A line that would start left of the printable
    // area starts at its left edge.
    void PrintLine(const QList<PrintItem>& items = {});
    void PrintLine(const QString& text) { PrintLine({PrintItem::Text(text)}); }
    // Prints text centred between the left and right edge of the printable
    // area: x = (ScaleWidth - TextWidth(text)) / 2 + ScaleLeft. A text wider
    // than the area breaks as PrintLine breaks it, each line centred.
    void PrintCentred(const QString& text);
    // Continues on a new page, at its top.
    void NewPage();

    // The page every printed report starts with: a printable area 10800
    // units wide and 15840 high whose left edge has the coordinate -720 (so
    // that lines start 720 units in), bold 13-point Times New Roman without
    // underline, and the position at height 720, where the title lines go.
    void BeginReport();

    // Ends the document and hands it to the output. True only when the
    // document was printed (or written); false when nothing was printed, the
    // output failed or the user gave up; Error() then says why.
    bool EndDoc();
    bool Ended() const { return ended_; }
    QString Error() const { return error_; }

    // The x coordinate where lines start: 0 when 0 lies inside the printable
    // area (so that a coordinate system with a negative left edge gives a left
    // margin), else the left edge.
    double LineStartX() const;

    // Everything printed so far, in order.
    const QList<PrintedPiece>& Pieces() const { return pieces_; }
    int PageCount() const { return page_; }
    // Number of lines printed (including empty ones); 0 means nothing printed.
    int LineCount() const { return lines_; }

  protected:
    // Metrics of the current font, in points (1/72 inch).
    virtual double TextWidthPoints(const PrintFont& font, const QString& line) const = 0;
    virtual double LineHeightPoints(const PrintFont& font) const = 0;
    virtual double AverageCharWidthPoints(const PrintFont& font) const = 0;
    // Size of the printable area in points; user units map onto it.
    virtual double PageWidthPoints() const = 0;
    virtual double PageHeightPoints() const = 0;
    // Hands the finished document to the output. Returns false with a reason
    // in *error when it could not be printed.
    virtual bool Output(QString* error) = 0;

  private:
    // A stretch of text of one line, starting at x.
    struct Run {
        double x = 0;
        QString text;
    };

    double UnitsPerPointX() const;
    double UnitsPerPointY() const;
    double Width(const QString& line) const;
    void EndLine();
    void BreakPageIfFull();
    double TopOfNewPage() const;
    // The lines one line of runs takes on the page, broken where it runs past
    // the right edge.
    QList<QList<Run>> WrapLine(QList<Run> runs) const;
    // Prints the runs on the current line and ends it.
    void EmitLine(const QList<Run>& runs);

    double scaleWidth_ = 0;
    double scaleHeight_ = 0;
    double scaleLeft_ = 0;
    double scaleTop_ = 0;
    bool scaled_ = false;
    double x_ = 0;
    double y_ = 0;
    PrintFont font_;
    QList<PrintedPiece> pieces_;
    int page_ = 1;
    int lines_ = 0;
    bool lineChecked_ = false;  // the current line was checked against the page end
    bool haveTop_ = false;      // firstTop_ holds the height of the first line
    double firstTop_ = 0;
    bool ended_ = false;
    QString error_;
};

// A printer that records what is printed, for tests. Its metrics are simple
// and deterministic: the printable area is 8 x 10.5 inches (576 x 756 points),
// every character is FontSize / 2 points wide (average width the same), a
// line is FontSize * 1.2 points high. In the default coordinate system (twips,
// 20 units a point) a character of a 13-point font is 130 units wide.
class RecordingPrinter : public Printer {
  public:
    RecordingPrinter();
    ~RecordingPrinter() override;

    // Makes EndDoc fail with this reason (to test the callers' handling).
    void FailOutputWith(const QString& reason) { failWith_ = reason; }
    // Called by EndDoc with the finished document (before it reports).
    std::function<void(const RecordingPrinter&)> onEndDoc;
    // The printed pieces' texts joined per line (pieces with the same page
    // and y), for quick checks.
    QStringList LineTexts() const;

  protected:
    double TextWidthPoints(const PrintFont& font, const QString& line) const override;
    double LineHeightPoints(const PrintFont& font) const override;
    double AverageCharWidthPoints(const PrintFont& font) const override;
    double PageWidthPoints() const override { return 576; }
    double PageHeightPoints() const override { return 756; }
    bool Output(QString* error) override;

  private:
    QString failWith_;
};

// What a printer printed, for an output that draws it: the pieces in user
// coordinates, the coordinate system they are in, and the number of pages.
struct PrintedPages {
    QList<PrintedPiece> pieces;
    double scaleWidth = 0;
    double scaleHeight = 0;
    double scaleLeft = 0;
    double scaleTop = 0;
    int pageCount = 1;
};

inline PrintedPages PrintedPagesOf(const Printer& printer) {
    return {printer.Pieces(),    printer.ScaleWidth(), printer.ScaleHeight(),
            printer.ScaleLeft(), printer.ScaleTop(),   printer.PageCount()};
}

}  // namespace quill
