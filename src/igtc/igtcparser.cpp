#include "igtc/igtcparser.h"

#include <cmath>
#include <cstring>

#include "common/textrules.h"

namespace quill {

namespace {

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

// First occurrence of a fixed lower-case needle, letter case ignored, at or
// after a position, for positions that never go back: an earlier answer that
// still lies at or after the new position is the answer again, so every byte
// is scanned at most once. A needle with a character that has no case (the
// "=" of "query=", the ")") is found through that character with memchr.
class ForwardFinder {
  public:
    ForwardFinder(const QByteArray& hay, const char* needle)
        : hay_(hay.constData()), size_(hay.size()), needle_(needle), len_(std::strlen(needle)) {
        for (qsizetype i = len_ - 1; i >= 0; --i) {
            const char c = needle_[i];
            if (!(c >= 'a' && c <= 'z')) {
                anchor_ = i;
                break;
            }
        }
    }

    // 0-based position, -1 when there is none.
    qsizetype Find(qsizetype from) {
        if (from < 0) from = 0;
        if (asked_ && from >= lastFrom_ && (last_ < 0 || last_ >= from)) return last_;
        asked_ = true;
        lastFrom_ = from;
        last_ = anchor_ >= 0 ? FindByAnchor(from) : FindByScan(from);
        return last_;
    }

  private:
    bool MatchesAt(qsizetype at) const {
        for (qsizetype k = 0; k < len_; ++k)
            if (FoldCase(hay_[at + k]) != needle_[k]) return false;
        return true;
    }

    qsizetype FindByAnchor(qsizetype from) const {
        qsizetype at = from + anchor_;
        const char a = needle_[anchor_];
        while (at < size_) {
            const void* hit = std::memchr(hay_ + at, a, size_ - at);
            if (!hit) return -1;
            const qsizetype h = static_cast<const char*>(hit) - hay_;
            const qsizetype begin = h - anchor_;
            if (begin + len_ <= size_ && MatchesAt(begin)) return begin;
            at = h + 1;
        }
        return -1;
    }

    qsizetype FindByScan(qsizetype from) const {
        const char first = needle_[0];
        for (qsizetype i = from, last = size_ - len_; i <= last; ++i)
            if ((hay_[i] | 0x20) == first && MatchesAt(i)) return i;
        return -1;
    }

    const char* hay_;
    qsizetype size_;
    const char* needle_;
    qsizetype len_;
    qsizetype anchor_ = -1;  // position of a character without case
    bool asked_ = false;
    qsizetype lastFrom_ = 0;
    qsizetype last_ = -1;
};

// Length of the UTF-8 sequence that starts with this byte (1 for anything
// that is not a lead byte).
int Utf8Length(unsigned char c) {
    if (c >= 0xF0 && c <= 0xF7) return 4;
    if (c >= 0xE0) return c <= 0xEF ? 3 : 1;
    if (c >= 0xC0) return 2;
    return 1;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
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
          paren_(text, ")") {}

    IgtcResult Run(int minimum) {
        IgtcResult r;
        qsizetype q = query_.Find(0);
        while (q >= 0) {
            ++r.queries;
            // The name starts one character after the "=", past the blank
            // that normally follows it.
            qsizetype s = q + 6;
            if (s < text_.size()) s += Utf8Length(static_cast<unsigned char>(text_[s]));
            if (s > text_.size()) s = text_.size();
            const std::optional<QString> name = NameAt(s);
            const std::optional<double> score = name ? ScoreAt(s) : std::nullopt;
            if (!name || !score)
                ++r.skippedQueries;
            else if (*score >= minimum)
                r.names.append(*name);
            q = query_.Find(s);
        }
        r.output = IgtcOutputText(r.names);
        return r;
    }

    // The name of the query whose name starts at s, or nullopt when the
    // query has no "(N letters)" of its own.
    std::optional<QString> NameAt(qsizetype s) {
        const qsizetype l = letters_.Find(s);
        if (l < 0) return std::nullopt;
        const qsizetype next = query_.Find(s);
        if (next >= 0 && next < l) return std::nullopt;
        // Back from the character before the blank in front of "letters"
        // over the digits of the query length.
        if (l != digitsFor_) {
            qsizetype j = l - 2;
            while (j >= 0 && IsDigit(text_[j])) --j;
            digitsFor_ = l;
            beforeDigits_ = j;
        }
        const qsizetype j = beforeDigits_;
        if (j < s) return std::nullopt;  // no room for a name
        QString name = QString::fromUtf8(text_.constData() + s, j - s);
        Normalize(name);
        name.replace(QLatin1Char('\n'), QLatin1Char(' '));
        name.replace(QLatin1Char('\r'), QLatin1Char(' '));
        qsizetype end = name.size();
        while (end > 0 && name[end - 1] == QLatin1Char(' ')) --end;
        name.truncate(end);
        return name;
    }

    // The rounded score after s, or nullopt when there is none.
    std::optional<double> ScoreAt(qsizetype s) {
        const qsizetype v = value_.Find(s);
        if (v < 0) return std::nullopt;
        if (v == scoreFor_) return score_;
        scoreFor_ = v;
        score_ = std::nullopt;
        qsizetype p = paren_.Find(v);
        if (p < 0) return score_;
        const qsizetype n = text_.size();
        const char* t = text_.constData();
        ++p;
        while (p < n && t[p] == ' ') ++p;
        if (p >= n) return score_;
        // Only a blank ends the token; a token at the very end of the text
        // ends there.
        const void* blank = std::memchr(t + p + 1, ' ', n - p - 1);
        const qsizetype e = blank ? static_cast<const char*>(blank) - t : n;
        QString token = QString::fromUtf8(t + p, e - p);
        Normalize(token);
        score_ = RoundHalfEven(Val(token));
        return score_;
    }

  private:
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
    qsizetype digitsFor_ = -1;  // the "letters" position beforeDigits_ belongs to
    qsizetype beforeDigits_ = -1;
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

IgtcResult ParseIgtcResultsUtf8(const QByteArray& text, int minimum, LineBreaks breaks) {
    Scanner scanner(text, breaks);
    return scanner.Run(minimum);
}

IgtcResult ParseIgtcResults(const QString& text, int minimum, LineBreaks breaks) {
    return ParseIgtcResultsUtf8(text.toUtf8(), minimum, breaks);
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
