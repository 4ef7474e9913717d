#include "common/printer.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace quill {

namespace {

constexpr double kTwipsPerPoint = 20.0;

// The lines of a text: CR LF, LF and CR each end one.
QStringList SplitLines(const QString& text) {
    static const QRegularExpression kBreak(QStringLiteral("\r\n|\n|\r"));
    if (!text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) return {text};
    return text.split(kBreak);
}

}  // namespace

QString PrintedNumberText(double n) {
    QString digits;
    if (n == 0) n = 0;  // no "-0"
    if (std::isfinite(n) && n == std::floor(n) && std::fabs(n) < 1e15)
        digits = QString::number(static_cast<qint64>(n));
    else
        digits = QString::number(n, 'g', 15);
    return (n < 0 ? QString() : QStringLiteral(" ")) + digits + QLatin1Char(' ');
}

Printer::Printer() {
    font_.name = QStringLiteral("Arial");
}

Printer::~Printer() = default;

double Printer::ScaleWidth() const {
    return scaled_ ? scaleWidth_ : PageWidthPoints() * kTwipsPerPoint;
}

double Printer::ScaleHeight() const {
    return scaled_ ? scaleHeight_ : PageHeightPoints() * kTwipsPerPoint;
}

void Printer::SetScale(double width, double height, double left, double top) {
    // A zero or negative extent cannot map onto the page; keep the old one.
    if (!(width > 0) || !(height > 0) || !std::isfinite(left) || !std::isfinite(top)) return;
    scaleWidth_ = width;
    scaleHeight_ = height;
    scaleLeft_ = left;
    scaleTop_ = top;
    scaled_ = true;
    if (x_ < left || x_ > left + width) x_ = left;
    if (y_ < top || y_ > top + height) y_ = top;
}

void Printer::SetFontSize(double points) {
    font_.size = (std::isfinite(points) && points >= 1) ? points : 1;
}

double Printer::UnitsPerPointX() const {
    return ScaleWidth() / PageWidthPoints();
}
double Printer::UnitsPerPointY() const {
    return ScaleHeight() / PageHeightPoints();
}

double Printer::TextWidth(const QString& text) const {
    double widest = 0;
    for (const QString& line : SplitLines(text))
        widest = std::max(widest, TextWidthPoints(font_, line));
    return widest * UnitsPerPointX();
}

double Printer::TextHeight() const {
    return LineHeightPoints(font_) * UnitsPerPointY();
}

double Printer::LineStartX() const {
    const double left = ScaleLeft();
    return (left <= 0 && 0 <= left + ScaleWidth()) ? 0 : left;
}

void Printer::BreakPageIfFull() {
    if (lineChecked_) return;
    lineChecked_ = true;
    if (!haveTop_) {
        haveTop_ = true;
        firstTop_ = y_;
    }
    const double bottom = ScaleTop() + ScaleHeight();
    // A line taller than a whole page is printed anyway rather than forever
    // pushed onto the next page.
    if (y_ + TextHeight() > bottom && y_ > TopOfNewPage()) NewPage();
}

double Printer::TopOfNewPage() const {
    // Continued pages keep the top margin the first line of the document had.
    const double top = ScaleTop();
    if (haveTop_ && firstTop_ >= top && firstTop_ < top + ScaleHeight() / 2) return firstTop_;
    return top;
}

void Printer::NewPage() {
    ++page_;
    y_ = TopOfNewPage();
    lineChecked_ = true;
}

void Printer::EndLine() {
    BreakPageIfFull();
    y_ += TextHeight();
    x_ = LineStartX();
    lineChecked_ = false;
    ++lines_;
}

void Printer::PrintText(const QString& text) {
    BreakPageIfFull();
    if (text.isEmpty()) return;
    pieces_.append({page_, x_, y_, text, font_});
    x_ += TextWidth(text);
}

void Printer::PrintLine(const QList<PrintItem>& items) {
    for (const PrintItem& item : items) {
        switch (item.kind) {
            case PrintItem::Kind::Text: {
                const QStringList lines = SplitLines(item.text);
                for (qsizetype i = 0; i < lines.size(); ++i) {
                    if (i > 0) EndLine();
                    PrintText(lines[i]);
                }
                break;
            }
            case PrintItem::Kind::Number:
                PrintText(PrintedNumberText(item.number));
                break;
            case PrintItem::Kind::Column: {
                const int column = std::max(1, item.column);
                const double target =
                    LineStartX() + (column - 1) * AverageCharWidthPoints(font_) * UnitsPerPointX();
                // Past the column already: the next line continues there.
                if (x_ > target + 1e-9) EndLine();
                x_ = target;
                break;
            }
        }
    }
    EndLine();
}

void Printer::PrintCentred(const QString& text) {
    x_ = (ScaleWidth() - TextWidth(text)) / 2 + ScaleLeft();
    PrintLine(text);
}

bool Printer::EndDoc() {
    if (ended_) {
        if (error_.isEmpty()) error_ = QStringLiteral("The document was already ended.");
        return false;
    }
    ended_ = true;
    if (lines_ == 0) {
        error_ = QStringLiteral("Nothing was printed.");
        return false;
    }
    QString why;
    if (!Output(&why)) {
        error_ = why.isEmpty() ? QStringLiteral("The printout could not be produced.") : why;
        return false;
    }
    error_.clear();
    return true;
}

RecordingPrinter::RecordingPrinter() = default;
RecordingPrinter::~RecordingPrinter() = default;

double RecordingPrinter::TextWidthPoints(const PrintFont& font, const QString& line) const {
    return line.size() * font.size / 2;
}

double RecordingPrinter::LineHeightPoints(const PrintFont& font) const {
    return font.size * 1.2;
}

double RecordingPrinter::AverageCharWidthPoints(const PrintFont& font) const {
    return font.size / 2;
}

bool RecordingPrinter::Output(QString* error) {
    if (onEndDoc) onEndDoc(*this);
    if (!failWith_.isEmpty()) {
        *error = failWith_;
        return false;
    }
    return true;
}

QStringList RecordingPrinter::LineTexts() const {
    QStringList lines;
    int page = -1;
    double y = 0;
    for (const PrintedPiece& p : Pieces()) {
        if (lines.isEmpty() || p.page != page || p.y != y) {
            lines.append(QString());
            page = p.page;
            y = p.y;
        }
        lines.last() += p.text;
    }
    return lines;
}

}  // namespace quill
