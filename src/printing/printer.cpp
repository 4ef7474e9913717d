#include "printing/printer.h"

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

// Where a printed line may break.
bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Whether the first end characters of text hold anything visible.
bool HasContent(const QString& text, qsizetype end) {
    for (qsizetype i = 0; i < end; ++i)
        if (!IsBlank(text[i])) return true;
    return false;
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

double Printer::Width(const QString& line) const {
    return TextWidthPoints(font_, line) * UnitsPerPointX();
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

QList<QList<Printer::Run>> Printer::WrapLine(QList<Run> runs) const {
    QList<QList<Run>> lines;
    const double left = ScaleLeft();
    const double right = left + ScaleWidth();
    const double slack = ScaleWidth() * 1e-9;  // rounding of the widths
    if (!runs.isEmpty() && runs.first().x < left) {
        const double shift = left - runs.first().x;
        for (Run& r : runs) r.x += shift;
    }
    // The indentation continued lines keep: where the first visible
    // character stands (the line start when that is at the right edge).
    double indent = runs.isEmpty() ? LineStartX() : runs.first().x;
    for (const Run& r : runs) {
        qsizetype i = 0;
        while (i < r.text.size() && IsBlank(r.text[i])) ++i;
        if (i < r.text.size()) {
            indent = r.x + Width(r.text.left(i));
            break;
        }
    }
    const double average = AverageCharWidthPoints(font_) * UnitsPerPointX();
    if (indent + average > right) indent = LineStartX();

    // The most of the first end characters of a run that fit before the
    // right edge. Only about a line's worth of text is measured, however long
    // the run.
    const auto fitting = [&](const Run& r, qsizetype end) {
        const auto fits = [&](qsizetype n) { return r.x + Width(r.text.left(n)) <= right + slack; };
        qsizetype lo = 0;
        qsizetype hi = std::clamp<qsizetype>(
            static_cast<qsizetype>(std::max(0.0, (right - r.x) / std::max(average, 1e-9))) * 2 + 8,
            1, end);
        while (fits(hi)) {
            lo = hi;
            if (hi == end) return end;
            hi = std::min(end, hi * 2);
        }
        while (lo + 1 < hi) {  // fits(lo) or lo == 0; !fits(hi)
            const qsizetype mid = lo + (hi - lo) / 2;
            (fits(mid) ? lo : hi) = mid;
        }
        return lo;
    };

    for (;;) {
        // The first run whose visible part runs past the right edge, and how
        // much of it fits.
        qsizetype over = -1;
        qsizetype fit = 0;
        for (qsizetype i = 0; i < runs.size() && over < 0; ++i) {
            const QString& t = runs[i].text;
            qsizetype end = t.size();
            while (end > 0 && IsBlank(t[end - 1])) --end;
            if (end == 0) continue;
            fit = fitting(runs[i], end);
            if (fit < end) over = i;
        }
        if (over < 0) {
            lines.append(runs);
            return lines;
        }
        const auto contentBefore = [&runs](qsizetype run, qsizetype pos) {
            for (qsizetype j = 0; j < run; ++j)
                if (HasContent(runs[j].text, runs[j].text.size())) return true;
            return HasContent(runs[run].text, pos);
        };
        const Run& r = runs[over];
        // Break at the last blank that fits and has something before it.
        qsizetype breakRun = -1;
        qsizetype breakPos = 0;
        for (qsizetype j = over; j >= 0 && breakRun < 0; --j) {
            const QString& t = runs[j].text;
            qsizetype b = j == over ? std::min(fit, t.size() - 1) : t.size() - 1;
            while (b >= 0 && !IsBlank(t[b])) --b;
            if (b < 0) continue;
            if (!contentBefore(j, b)) break;  // no earlier blank has either
            breakRun = j;
            breakPos = b;
        }
        const bool atBlank = breakRun >= 0;
        if (!atBlank) {
            // Else after the last character that fits.
            qsizetype k = fit;
            if (k > 0 && k < r.text.size() && r.text[k - 1].isHighSurrogate()) --k;
            if (k == 0 && !contentBefore(over, 0)) {
                // Nothing of the line fits where it stands: move it to the
                // indentation, or take one character when it stands there.
                if (r.x > indent + slack) {
                    const double shift = indent - r.x;
                    runs = runs.mid(over);  // what stands before it is blank
                    for (Run& run : runs) run.x += shift;
                    continue;
                }
                k = (r.text.size() > 1 && r.text[0].isHighSurrogate()) ? 2 : 1;
            }
            breakRun = over;
            breakPos = k;
        }

        QList<Run> line = runs.mid(0, breakRun);
        QString head = runs[breakRun].text.left(breakPos);
        if (atBlank)
            while (!head.isEmpty() && IsBlank(head.back())) head.chop(1);
        if (!head.isEmpty()) line.append({runs[breakRun].x, head});
        lines.append(line);

        // The rest goes on at the indentation, its runs keeping their
        // distances; the blanks at a break are dropped.
        qsizetype j = breakRun;
        qsizetype c = breakPos;
        while (atBlank) {
            while (c < runs[j].text.size() && IsBlank(runs[j].text[c])) ++c;
            if (c < runs[j].text.size() || j + 1 >= runs.size()) break;
            ++j;
            c = 0;
        }
        const double shift = indent - (runs[j].x + Width(runs[j].text.left(c)));
        QList<Run> rest;
        bool content = false;
        if (c < runs[j].text.size()) {
            rest.append({indent, runs[j].text.mid(c)});
            content = HasContent(rest.last().text, rest.last().text.size());
        }
        for (qsizetype n = j + 1; n < runs.size(); ++n) {
            rest.append({runs[n].x + shift, runs[n].text});
            content = content || HasContent(runs[n].text, runs[n].text.size());
        }
        if (!content) return lines;  // only blanks were left
        runs = rest;
    }
}

void Printer::EmitLine(const QList<Run>& runs) {
    BreakPageIfFull();
    for (const Run& r : runs)
        if (!r.text.isEmpty()) pieces_.append({page_, r.x, y_, r.text, font_});
    EndLine();
}

void Printer::PrintLine(const QList<PrintItem>& items) {
    QList<Run> runs;  // the line being laid out, not yet broken
    double x = x_;
    const auto add = [&](const QString& text) {
        if (text.isEmpty()) return;
        runs.append({x, text});
        x += Width(text);
    };
    const auto finish = [&] {
        for (const QList<Run>& line : WrapLine(runs)) EmitLine(line);
        runs.clear();
        x = x_;
    };
    for (const PrintItem& item : items) {
        switch (item.kind) {
            case PrintItem::Kind::Text: {
                const QStringList lines = SplitLines(item.text);
                for (qsizetype i = 0; i < lines.size(); ++i) {
                    if (i > 0) finish();
                    add(lines[i]);
                }
                break;
            }
            case PrintItem::Kind::Number:
                add(PrintedNumberText(item.number));
                break;
            case PrintItem::Kind::Column: {
                const int column = std::max(1, item.column);
                const double target =
                    LineStartX() + (column - 1) * AverageCharWidthPoints(font_) * UnitsPerPointX();
                // Past the column already: the next line continues there.
                if (x > target + 1e-9) finish();
                x = target;
                break;
            }
        }
    }
    finish();
}

void Printer::PrintCentred(const QString& text) {
    const double width = TextWidth(text);
    if (width <= ScaleWidth()) {
        x_ = (ScaleWidth() - width) / 2 + ScaleLeft();
        PrintLine(text);
        return;
    }
    for (const QString& line : SplitLines(text)) {
        for (const QList<Run>& part : WrapLine({{ScaleLeft(), line}})) {
            QString t;
            for (const Run& r : part) t += r.text;
            EmitLine({{(ScaleWidth() - Width(t)) / 2 + ScaleLeft(), t}});
        }
    }
}

void Printer::BeginReport() {
    SetScale(10800, 15840, -720);
    SetFontName(QStringLiteral("Times New Roman"));
    SetFontSize(13);
    SetFontBold(true);
    SetFontUnderline(false);
    SetCurrentY(720);
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
