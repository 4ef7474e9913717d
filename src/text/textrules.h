#pragma once
// src/text: the text, number and file rules every part shares, on Qt Core
// alone. This header: positions and cuts, the small text helpers, number
// reading and printing, the report lines, and the clock (Now, which tests may
// fix); quotedfile.h: the quoted-item files every Save writes, and writing a
// file atomically.
//
// Text and number rules shared by every engine: 1-based positions, safe cuts,
// the small text helpers, the leading-number rule and whole-number conversion.

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace quill {

// Line end of every report text and saved file.
inline const QString kCrLf = QStringLiteral("\r\n");
inline const QString kTab = QStringLiteral("\t");

// 1-based position of the first occurrence of needle in hay that starts at or
// after position start; 0 when there is none (also for start < 1, an empty
// needle, or start past the end).
int InStr(int start, const QString& hay, const QString& needle,
          Qt::CaseSensitivity cs = Qt::CaseSensitive);
inline int InStr(const QString& hay, const QString& needle,
                 Qt::CaseSensitivity cs = Qt::CaseSensitive) {
    return InStr(1, hay, needle, cs);
}
inline int InStrNoCase(int start, const QString& hay, const QString& needle) {
    return InStr(start, hay, needle, Qt::CaseInsensitive);
}

// The n characters of text that start at 1-based position p. A cut that does
// not lie inside the text (p < 1, n < 0, or p + n - 1 past the end) is a
// failure and gives nullopt; p one past the end with n == 0 gives "".
std::optional<QString> Cut(const QString& text, int p, int n);
// The characters from 1-based position p up to, not including, position e.
inline std::optional<QString> CutBetween(const QString& text, int p, int e) {
    return Cut(text, p, e - p);
}

// Removes every "amp" together with the one character after it, repeated
// until none is left ("&amp;" becomes "&").
QString StripAmp(const QString& text);
// Removes every ":".
QString StripColons(const QString& text);
// Replaces every "/" by one blank.
QString SlashesToSpaces(const QString& text);
// The text as a result box holds it: every line break (CR LF, a lone LF or CR,
// a paragraph or line separator) becomes CR LF. Saved results go through this,
// so the window and the command line write the same file.
QString WithCrLfLines(const QString& text);
// The lines of a report text that a saved hit list holds: every piece that
// ends with CR LF, blanks trimmed at both ends, empty ones left out.
QStringList TrimmedReportLines(const QString& text);

// Text of input bytes (a pasted report, a file of terms or hits): UTF-8 when
// the bytes are valid UTF-8, otherwise Windows-1252 (which also reads plain
// Latin-1), so that no character of a legacy file is lost.
QString DecodeInputText(QByteArrayView bytes);

// The leading-number rule: blanks, tabs and line feeds are skipped wherever
// they stand; optional sign, digits, one period, an exponent with E or D;
// &H and &O introduce hexadecimal and octal digits; reading stops at the first
// character that cannot continue the number; no number reads 0.
double Val(const QString& text);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);
// Whole-number conversion into a 16-bit signed integer: nullopt when the
// rounded value lies outside -32768..32767 (or is not a number).
std::optional<qint16> ToInt16(double value);
// Whole-number conversion with the 16-bit limit lifted: nullopt only outside
// the 32-bit range.
std::optional<qint32> ToInt32(double value);

// Decimal text of a number without blanks or leading zeros.
inline QString Num(qint64 n) {
    return QString::number(n);
}

// Current time; tests may fix it.
QDateTime Now();
void SetNowForTesting(std::optional<QDateTime> fixed);

// System short date and time format, joined by ", " (report headings).
QString ShortDateTime(const QDateTime& when);
// Fixed form "mm-dd-yyyy, hh:mm:ss" on the 24-hour clock.
QString FixedDateTime(const QDateTime& when);

}  // namespace quill
