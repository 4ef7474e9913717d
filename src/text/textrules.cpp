#include "text/textrules.h"

#include <QLocale>
#include <QStringDecoder>
#include <QUtf8StringView>
#include <cmath>
#include <limits>

namespace quill {

int InStr(int start, const QString& hay, const QString& needle, Qt::CaseSensitivity cs) {
    if (start < 1 || needle.isEmpty() || start > hay.size()) return 0;
    const qsizetype at = hay.indexOf(needle, start - 1, cs);
    return at < 0 ? 0 : static_cast<int>(at) + 1;
}

std::optional<QString> Cut(const QString& text, int p, int n) {
    if (p < 1 || n < 0) return std::nullopt;
    const qint64 last = static_cast<qint64>(p) - 1 + n;  // index one past the cut
    if (last > text.size()) return std::nullopt;
    return text.mid(p - 1, n);
}

QString DecodeInputText(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    QStringDecoder cp1252("windows-1252", QStringDecoder::Flag::Stateless);
    if (cp1252.isValid()) return cp1252.decode(bytes);
    return QString::fromLatin1(bytes);
}

QString StripAmp(const QString& text) {
    QString s = text;
    for (qsizetype at = s.indexOf(QLatin1String("amp")); at >= 0;
         at = s.indexOf(QLatin1String("amp"), qMax<qsizetype>(0, at - 2))) {
        s.remove(at, 4);  // "amp" and the one character after it
    }
    return s;
}

QString StripColons(const QString& text) {
    QString s = text;
    s.remove(QLatin1Char(':'));
    return s;
}

QStringList TrimmedReportLines(const QString& text) {
    QStringList lines;
    const QStringList pieces = text.split(QStringLiteral("\r\n"));
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        const QString& piece = pieces[i];
        qsizetype b = 0;
        qsizetype e = piece.size();
        while (b < e && piece[b] == QLatin1Char(' ')) ++b;
        while (e > b && piece[e - 1] == QLatin1Char(' ')) --e;
        if (e > b) lines << piece.mid(b, e - b);
    }
    return lines;
}

QString SlashesToSpaces(const QString& text) {
    QString s = text;
    s.replace(QLatin1Char('/'), QLatin1Char(' '));
    return s;
}

QString WithCrLfLines(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            out += kCrLf;
        } else if (c == QLatin1Char('\n') || c == QChar::ParagraphSeparator ||
                   c == QChar::LineSeparator) {
            out += kCrLf;
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

bool IsSkipped(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

int DigitValue(QChar c, int base) {
    int v = -1;
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        v = u - u'0';
    else if (u >= u'a' && u <= u'f')
        v = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        v = u - u'A' + 10;
    return (v >= 0 && v < base) ? v : -1;
}

// Reads hexadecimal or octal digits after &H / &O. As with 16-bit prefixed
// literals, four hex digits (or six octal ones) that set the sign bit read
// as the negative 16-bit value.
double ReadPrefixed(const QString& t, qsizetype i, int base) {
    double value = 0;
    int digits = 0;
    for (; i < t.size(); ++i) {
        if (IsSkipped(t[i])) continue;
        const int d = DigitValue(t[i], base);
        if (d < 0) break;
        value = value * base + d;
        ++digits;
    }
    if (value >= 32768 && value <= 65535 && digits <= (base == 16 ? 4 : 6))
        value -= 65536;
    else if (value >= 2147483648.0 && value <= 4294967295.0)
        value -= 4294967296.0;
    return value;
}

}  // namespace

double Val(const QString& text) {
    const QString& t = text;
    qsizetype i = 0;
    auto skip = [&] {
        while (i < t.size() && IsSkipped(t[i])) ++i;
    };
    skip();
    if (i + 1 < t.size() && t[i] == u'&') {
        const QChar k = t[i + 1].toUpper();
        if (k == u'H') return ReadPrefixed(t, i + 2, 16);
        if (k == u'O') return ReadPrefixed(t, i + 2, 8);
    }
    std::string num;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        if (t[i] == u'-') num += '-';
        ++i;
    }
    bool anyDigit = false;
    bool seenPoint = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (IsSkipped(c)) continue;
        if (c.unicode() >= u'0' && c.unicode() <= u'9') {
            num += static_cast<char>(c.unicode());
            anyDigit = true;
        } else if (c == u'.' && !seenPoint) {
            num += '.';
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!anyDigit) return 0.0;
    // Exponent: E or D, optional sign, digits (blanks skipped). Without a
    // digit after it, the exponent letter is not part of the number.
    if (i < t.size() && (t[i].toUpper() == u'E' || t[i].toUpper() == u'D')) {
        qsizetype j = i + 1;
        std::string exp = "e";
        while (j < t.size() && IsSkipped(t[j])) ++j;
        if (j < t.size() && (t[j] == u'+' || t[j] == u'-')) {
            exp += static_cast<char>(t[j].unicode());
            ++j;
        }
        bool expDigit = false;
        for (; j < t.size(); ++j) {
            if (IsSkipped(t[j])) continue;
            if (t[j].unicode() >= u'0' && t[j].unicode() <= u'9') {
                exp += static_cast<char>(t[j].unicode());
                expDigit = true;
            } else {
                break;
            }
        }
        if (expDigit) num += exp;
    }
    // strtod would follow the C locale's decimal point; QByteArray::toDouble
    // always reads a period.
    bool ok = false;
    const double v = QByteArray::fromStdString(num).toDouble(&ok);
    if (!ok) {
        // Overflowing exponents: keep the sign, saturate.
        if (num.find("e-") != std::string::npos) return 0.0;
        return num[0] == '-' ? -std::numeric_limits<double>::infinity()
                             : std::numeric_limits<double>::infinity();
    }
    return v;
}

double RoundHalfEven(double value) {
    return std::nearbyint(value);  // default rounding mode: to nearest, ties to even
}

std::optional<qint16> ToInt16(double value) {
    if (std::isnan(value)) return std::nullopt;
    const double r = RoundHalfEven(value);
    if (r < -32768.0 || r > 32767.0) return std::nullopt;
    return static_cast<qint16>(r);
}

std::optional<qint32> ToInt32(double value) {
    if (std::isnan(value)) return std::nullopt;
    const double r = RoundHalfEven(value);
    if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
    return static_cast<qint32>(r);
}

namespace {
std::optional<QDateTime>& FixedNow() {
    static std::optional<QDateTime> fixed;
    return fixed;
}
}  // namespace

QDateTime Now() {
    return FixedNow() ? *FixedNow() : QDateTime::currentDateTime();
}
void SetNowForTesting(std::optional<QDateTime> fixed) {
    FixedNow() = std::move(fixed);
}

QString ShortDateTime(const QDateTime& when) {
    const QLocale loc = QLocale::system();
    // The long time format carries seconds; drop a time-zone part if the
    // locale's format has one.
    QString timeFormat = loc.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QLatin1Char('t')).replace(QLatin1String("  "), QLatin1String(" "));
    return loc.toString(when.date(), QLocale::ShortFormat) + QStringLiteral(", ") +
           loc.toString(when.time(), timeFormat.trimmed());
}

QString FixedDateTime(const QDateTime& when) {
    return when.toString(QStringLiteral("MM-dd-yyyy, HH:mm:ss"));
}

}  // namespace quill
