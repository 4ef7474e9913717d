#pragma once
// Byte-level helpers shared by the BLAST report readings. The readings work
// on the UTF-8 bytes of a report and search forward only, so that every
// reading stays linear in the length of the text.

#include <QByteArray>
#include <QString>
#include <cstring>
#include <optional>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quill::scan {

inline char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the UTF-8 sequence that starts with this byte (1 for anything
// that is not a lead byte).
inline int Utf8Length(unsigned char c) {
    if (c >= 0xF0 && c <= 0xF7) return 4;
    if (c >= 0xE0) return c <= 0xEF ? 3 : 1;
    if (c >= 0xC0) return 2;
    return 1;
}

// The start of the character whose last byte is at i: back over at most
// three continuation bytes to their lead byte.
inline qsizetype CharStart(const char* t, qsizetype i) {
    qsizetype b = i;
    while (b > 0 && i - b < 3 && (static_cast<unsigned char>(t[b]) & 0xC0) == 0x80) --b;
    const unsigned char lead = static_cast<unsigned char>(t[b]);
    return (lead >= 0xC0 && b + Utf8Length(lead) - 1 >= i) ? b : i;
}

// Bytes of the blank at i: 1 for a blank, 2 for a no-break space (which the
// window's text box shows as a blank), 0 for anything else.
inline int BlankAt(const char* t, qsizetype n, qsizetype i) {
    if (t[i] == ' ') return 1;
    if (t[i] == '\xC2' && i + 1 < n && t[i + 1] == '\xA0') return 2;
    return 0;
}

// Text of bytes as the window's text box gives it: a no-break space is a
// blank.
inline QString TextOf(const char* t, qsizetype n) {
    QString s = QString::fromUtf8(t, n);
    s.replace(QChar(0xA0), QLatin1Char(' '));
    return s;
}

// Legacy NCBI reports join the definition lines of identical sequences with
// the control character 0x01; BLAST shows each join as " >", and so do the
// names read here.
inline void ShowDeflineJoins(QString& name) {
    if (name.contains(QChar(0x01))) name.replace(QChar(0x01), QStringLiteral(" >"));
}

// First occurrence of a fixed lower-case needle, letter case ignored, at or
// after a position, for positions that never go back: an earlier answer that
// still lies at or after the new position is the answer again, so every byte
// is scanned at most once. A needle with a character that has no case (the
// "=" of "query=", the ")") is found through that character with memchr; a
// needle of letters only ("letters", "value") through its first letter in
// either case, sixteen bytes at a time where the processor allows. A caller
// may name the character to find the needle through (a rare one).
class ForwardFinder {
  public:
    ForwardFinder(const QByteArray& hay, const char* needle, qsizetype anchor = -1)
        : hay_(hay.constData()),
          size_(hay.size()),
          needle_(needle),
          len_(std::strlen(needle)),
          anchor_(anchor) {
        for (qsizetype i = len_ - 1; anchor_ < 0 && i >= 0; --i) {
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
        const qsizetype last = size_ - len_;
        const char first = needle_[0];
        qsizetype i = from;
#ifdef __SSE2__
        // A letter or'ed with 0x20 is its lower case; nothing else becomes it.
        const __m128i caseBit = _mm_set1_epi8(0x20);
        const __m128i wanted = _mm_set1_epi8(first);
        for (; i <= last && i + 16 <= size_; i += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay_ + i));
            unsigned mask =
                unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(block, caseBit), wanted)));
            while (mask) {
                const qsizetype at = i + __builtin_ctz(mask);
                if (at > last) return -1;
                if (MatchesAt(at)) return at;
                mask &= mask - 1;
            }
        }
#endif
        for (; i <= last; ++i)
            if ((hay_[i] | 0x20) == first && MatchesAt(i)) return i;
        return -1;
    }

    const char* hay_;
    qsizetype size_;
    const char* needle_;
    qsizetype len_;
    qsizetype anchor_;  // position of the character the needle is found through
    bool asked_ = false;
    qsizetype lastFrom_ = 0;
    qsizetype last_ = -1;
};

// The first hit row under a hit table's column titles, and its bit score.
// Asked with the positions of the titles' "Value" in increasing order; rows
// found once are not looked for again.
class HitRowReader {
  public:
    explicit HitRowReader(const QByteArray& text)
        : t_(text.constData()), n_(text.size()), titleEnd_(text, "\n"), rowEnd_(text, "\n") {}

    struct Row {
        qsizetype begin = -1;  // -1: no row
        qsizetype end = -1;    // the line feed or the end of the text
    };

    // The first line after the line of value that holds more than blanks.
    Row FirstRow(qsizetype value) {
        const qsizetype titleEnd = titleEnd_.Find(value);
        if (titleEnd < 0) return {};
        if (titleEnd == rowFor_) return row_;
        rowFor_ = titleEnd;
        row_ = {};
        for (qsizetype b = titleEnd + 1; b < n_;) {
            qsizetype e = rowEnd_.Find(b);
            if (e < 0) e = n_;
            for (qsizetype i = b; i < e; ++i) {
                if (t_[i] != ' ' && t_[i] != '\t' && t_[i] != '\r' && !BlankAt(t_, n_, i)) {
                    row_ = {b, e};
                    return row_;
                }
            }
            b = e + 1;
        }
        return row_;
    }

    // Column titles after "Value" on its line (such as "N"): columns that
    // stand after the E-value on the rows. Only a short stretch is looked at.
    int ColumnsAfterValue(qsizetype value) const {
        int count = 0;
        bool inWord = false;
        for (qsizetype i = value + 5, end = std::min(n_, value + 40); i < end; ++i) {
            const char c = t_[i];
            if (c == '\n' || c == '\r') break;
            const bool blank = c == ' ' || c == '\t';
            if (!blank && !inWord) ++count;
            inWord = !blank;
        }
        return count;
    }

    // The bit score of a row: the token before the E-value, the E-value
    // being followed by columnsAfter more tokens. nullopt when the row has
    // too few tokens.
    std::optional<QByteArray> BitScoreToken(Row row, int columnsAfter) const {
        qsizetype i = row.end;
        for (int k = 0; k <= columnsAfter + 1; ++k) {
            while (i > row.begin && IsSpace(i - 1)) --i;
            if (i <= row.begin) return std::nullopt;
            const qsizetype tokenEnd = i;
            while (i > row.begin && !IsSpace(i - 1)) --i;
            if (k == columnsAfter + 1) return QByteArray(t_ + i, tokenEnd - i);
        }
        return std::nullopt;
    }

  private:
    bool IsSpace(qsizetype i) const {
        const char c = t_[i];
        if (c == ' ' || c == '\t' || c == '\r') return true;
        // Either byte of a no-break space.
        return (c == '\xA0' && i > 0 && t_[i - 1] == '\xC2') ||
               (c == '\xC2' && i + 1 < n_ && t_[i + 1] == '\xA0');
    }

    const char* t_;
    qsizetype n_;
    ForwardFinder titleEnd_;
    ForwardFinder rowEnd_;
    qsizetype rowFor_ = -2;  // the title line end row_ belongs to
    Row row_;
};

}  // namespace quill::scan
