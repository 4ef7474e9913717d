#include "igtc/igtcparser.h"

#include <cmath>
#include <cstring>

#include "igtc/bytescan.h"
#include "text/textrules.h"

namespace quill {

namespace {

using scan::BlankAt;
using scan::ForwardFinder;
using scan::IsDigit;
using scan::Utf8Length;

// Characters that a number by the leading-number rule may hold or skip.
bool MayContinueNumber(char c) {
    if (IsDigit(c)) return true;
    const char l = scan::FoldCase(c);
    if ((l >= 'a' && l <= 'f') || l == 'h' || l == 'o') return true;
    return c == '+' || c == '-' || c == '.' || c == '&' || c == '\t' || c == '\n' || c == '\r';
}

// True when the leading-number rule finds a number at the start of text,
// false when it reads the text as 0 for want of one (a word, a bracket).
bool ReadsAsNumber(const QString& text) {
    const auto skipped = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; };
    const auto digit = [](QChar c, int base) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9') return u - u'0' < base;
        return base == 16 && ((u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F'));
    };
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && skipped(text[i])) ++i;
    if (i + 1 < n && text[i] == u'&') {
        const QChar k = text[i + 1].toLower();
        if (k == u'h' || k == u'o') {
            for (i += 2; i < n && skipped(text[i]); ++i) {
            }
            return i < n && digit(text[i], k == u'h' ? 16 : 8);
        }
    }
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
    bool point = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (skipped(c)) continue;
        if (digit(c, 10)) return true;
        if (c != u'.' || point) return false;
        point = true;
    }
    return false;
}

// The parser's state over one text.
class Scanner {
  public:
    explicit Scanner(const QByteArray& text, LineBreaks breaks = LineBreaks::AsIs)
        : text_(text),
          breaks_(breaks),
          query_(text, "query="),
          letters_(text, "letters"),
          value_(text, "value"),
          paren_(text, ")"),
          noHits_(text, "***** no hits found", 0),  // found through the rare "*"
          rows_(text) {}

    // Adds the queries that start before limit to r.
    void Run(int minimum, IgtcResult& r, qsizetype limit) {
        QByteArray name;
        qsizetype q = query_.Find(0);
        while (q >= 0 && q < limit) {
            ++r.queries;
            // The name starts one character after the "=", past the blank
            // that normally follows it.
            qsizetype s = q + 6;
            if (s < text_.size()) s += Utf8Length(static_cast<unsigned char>(text_[s]));
            if (s > text_.size()) s = text_.size();
            const std::optional<qsizetype> nameEnd = NameEndAt(s);
            if (!nameEnd) {
                ++r.skippedQueries;
            } else if (const std::optional<double> score = ScoreAt(s)) {
                if (*score >= minimum) {
                    ++r.kept;
                    if (r.namesAsBytes) {
                        r.keptLines += "  ";
                        // A byte order mark that starts a name is dropped,
                        // as reading the name's bytes as text drops it.
                        const qsizetype from =
                            QByteArrayView(text_).sliced(s, *nameEnd - s).startsWith("\xEF\xBB\xBF")
                                ? s + 3
                                : s;
                        AppendName(from, *nameEnd, r.keptLines);
                        r.keptLines += "\r\n";
                    } else {
                        name.clear();
                        AppendName(s, *nameEnd, name);
                        r.names.append(QString::fromUtf8(name));
                    }
                }
            } else if (SectionAt(s).noHits) {
                ++r.queriesWithoutHits;
            } else {
                ++r.skippedQueries;
            }
            q = query_.Find(s);
        }
    }

    // The end of the name of the query whose name starts at s, or nullopt
    // when the query has no "(N letters)" of its own.
    std::optional<qsizetype> NameEndAt(qsizetype s) {
        const qsizetype l = letters_.Find(s);
        if (l < 0) return std::nullopt;
        const qsizetype next = query_.Find(s);
        if (next >= 0 && next < l) return std::nullopt;
        // Back from the character before the blank in front of "letters"
        // over the digits of the query length, a character at a time: the
        // name ends before the character in front of the digits, whole.
        if (l != digitsFor_) {
            const char* t = text_.constData();
            qsizetype j = l > 0 ? scan::CharStart(t, l - 1) - 1 : -1;
            while (j >= 0 && IsDigit(t[j])) --j;
            digitsFor_ = l;
            beforeDigits_ = j >= 0 ? scan::CharStart(t, j) : j;
        }
        const qsizetype j = beforeDigits_;
        if (j < s) return std::nullopt;  // no room for a name
        return j;
    }

    // Appends the name in bytes s..end to out. Line breaks become blanks (a
    // CR LF one blank as the text box holds it, two as they stand), and so do
    // no-break spaces; trailing blanks go; each 0x01 shows as " >" (which
    // leaves the trailing blanks in front of it alone, as it is no blank).
    void AppendName(qsizetype s, qsizetype end, QByteArray& out) const {
        const char* t = text_.constData();
        const qsizetype start = out.size();
        out.resize(start + 2 * (end - s));
        char* o = out.data() + start;
        for (qsizetype i = s; i < end; ++i) {
            const char c = t[i];
            if (c == '\r' && breaks_ == LineBreaks::AsTextBox && i + 1 < end && t[i + 1] == '\n')
                continue;
            if (c == '\r' || c == '\n') {
                *o++ = ' ';
            } else if (c == '\xC2' && i + 1 < end && t[i + 1] == '\xA0') {
                *o++ = ' ';
                ++i;
            } else if (c == '\x01') {
                *o++ = ' ';
                *o++ = '>';
            } else {
                *o++ = c;
            }
        }
        const char* const first = out.constData() + start;
        while (o > first && o[-1] == ' ') --o;
        out.truncate(o - out.constData());
    }

    // A query's section: from its name up to the next "query=" or the end of
    // the text. Its hit table's "Value" (-1 when the section has none), and
    // whether BLAST said it found no hits before any such table.
    struct Section {
        qsizetype end;
        qsizetype value;
        bool noHits;
    };
    Section SectionAt(qsizetype s) {
        const qsizetype next = query_.Find(s);
        const qsizetype end = next < 0 ? text_.size() : next;
        qsizetype v = value_.Find(s);
        if (v >= end) v = -1;
        const qsizetype none = noHits_.Find(s);
        return {end, v, none >= 0 && none < end && (v < 0 || none < v)};
    }

    // The rounded score of the query whose name starts at s, read inside its
    // own section only; nullopt when there is none.
    std::optional<double> ScoreAt(qsizetype s) {
        const Section section = SectionAt(s);
        if (section.noHits || section.value < 0) return std::nullopt;
        const qsizetype v = section.value;
        if (v == scoreFor_) return score_;
        scoreFor_ = v;
        score_ = std::nullopt;
        qsizetype paren = paren_.Find(v);
        if (paren >= section.end) paren = -1;
        scan::HitRowReader::Row row = rows_.FirstRow(v);
        if (row.begin >= section.end) row = {};
        if (row.end > section.end) row.end = section.end;
        // The ")" normally lies on the first hit row ("name (gene) score E");
        // where it lies further on, the rows have no parentheses and the
        // score is the row's bit score.
        if (row.begin >= 0 && (paren < 0 || paren >= row.end)) return score_ = BitScore(row, v);
        if (paren < 0) return score_;
        const qsizetype n = text_.size();
        const char* t = text_.constData();
        qsizetype p = paren + 1;
        while (p < n && BlankAt(t, n, p)) p += BlankAt(t, n, p);
        if (p >= n) return score_;
        // Only a blank ends the token; a token at the very end of the text
        // ends there. The number is read from the token's start up to the
        // first character that can neither be part of a number nor be
        // skipped inside one (a blank or no-break space is such a
        // character), so only that stretch is taken: the reading stays
        // linear however long the token runs. The section's end is such a
        // character (the "q" of "query=").
        if (p != tokenFor_) {
            qsizetype e = p + 1;
            while (e < n && MayContinueNumber(t[e])) ++e;
            QString token = QString::fromUtf8(t + p, e - p);
            Normalize(token);
            tokenFor_ = p;
            tokenScore_ = RoundHalfEven(Val(token));
            tokenReadsAsNumber_ = ReadsAsNumber(token);
        }
        score_ = tokenScore_;
        // A word after a ")" inside the row's description, as in "Owl
        // monkey (A.trivirgatus) insulin gene ... 357 4e-96": the row's bit
        // score instead.
        if (!tokenReadsAsNumber_ && row.begin >= 0 && paren >= row.begin) {
            const std::optional<double> bits = BitScore(row, v);
            if (bits) score_ = bits;
        }
        return score_;
    }

  private:
    // The bit score of a hit row under the "Value" at v: the token before the
    // E-value, counting further column titles after "Value" (such as "N") as
    // columns after it.
    std::optional<double> BitScore(scan::HitRowReader::Row row, qsizetype v) const {
        const std::optional<QByteArray> token =
            rows_.BitScoreToken(row, rows_.ColumnsAfterValue(v));
        if (!token) return std::nullopt;
        return RoundHalfEven(Val(QString::fromLatin1(*token)));
    }

    void Normalize(QString& piece) const {
        if (breaks_ != LineBreaks::AsTextBox || !piece.contains(QLatin1Char('\r'))) return;
        piece.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        piece.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }

    const QByteArray& text_;
    LineBreaks breaks_;
    ForwardFinder query_;
    ForwardFinder letters_;
    ForwardFinder value_;
    ForwardFinder paren_;
    ForwardFinder noHits_;
    scan::HitRowReader rows_;
    qsizetype digitsFor_ = -1;  // the "letters" position beforeDigits_ belongs to
    qsizetype beforeDigits_ = -1;
    qsizetype tokenFor_ = -1;  // the token start tokenScore_ belongs to
    double tokenScore_ = 0;
    bool tokenReadsAsNumber_ = false;
    qsizetype scoreFor_ = -1;  // the "value" position score_ belongs to
    std::optional<double> score_;
};

// Byte offset in the UTF-8 form of text of 1-based character position start.
qsizetype ByteOffset(const QString& text, int start) {
    if (start <= 1) return 0;
    if (start > text.size()) return text.toUtf8().size() + (start - text.size() - 1);
    return QStringView(text).left(start - 1).toUtf8().size();
}

}  // namespace

QString IgtcOutputText(const QStringList& names) {
    if (names.isEmpty()) return QStringLiteral("No hits found.");
    QString out = Num(names.size()) + QStringLiteral(" hits found on IGTC database:") + kCrLf;
    for (const QString& name : names) out += QStringLiteral("  ") + name + kCrLf;
    return out;
}

QByteArray IgtcOutputUtf8(const IgtcResult& result) {
    if (!result.namesAsBytes) return result.output.toUtf8();
    if (result.kept == 0) return QByteArrayLiteral("No hits found.");
    return QByteArray::number(result.kept) + " hits found on IGTC database:\r\n" + result.keptLines;
}

IgtcResult ParseIgtcResultsUtf8(const QByteArray& text, int minimum, LineBreaks breaks,
                                KeptNames kept) {
    IgtcResult r;
    r.namesAsBytes = kept == KeptNames::Bytes;
    Scanner scanner(text, breaks);
    scanner.Run(minimum, r, text.size());
    if (!r.namesAsBytes) r.output = IgtcOutputText(r.names);
    return r;
}

void AddIgtcQueriesUtf8(const QByteArray& text, qsizetype limit, int minimum, LineBreaks breaks,
                        IgtcResult& result) {
    Scanner scanner(text, breaks);
    scanner.Run(minimum, result, limit);
}

std::optional<double> ScoreAfter(const QString& text, int start) {
    const QByteArray bytes = text.toUtf8();
    Scanner scanner(bytes);
    return scanner.ScoreAt(ByteOffset(text, start));
}

bool PassesMinimumScore(const QString& text, int start, int minimum) {
    const std::optional<double> score = ScoreAfter(text, start);
    return score && *score >= minimum;
}

MinimumScore ReadMinimumScore(const QString& text) {
    const double v = Val(text);
    if (v == 0) return {MinimumScore::Status::Zero, 0};
    const std::optional<qint16> whole = ToInt16(v);
    if (!whole) return {MinimumScore::Status::OutOfRange, 0};
    return {MinimumScore::Status::Ok, *whole};
}

}  // namespace quill
