#include "igtc/blastreports.h"

#include <QHash>
#include <QIODevice>
#include <QList>
#include <QXmlStreamReader>
#include <algorithm>
#include <optional>

#include "igtc/bytescan.h"
#include "text/textrules.h"

namespace quill {

namespace {

using scan::ForwardFinder;
using scan::HitRowReader;
using scan::TextOf;

bool IsLineSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

QByteArrayView TrimmedView(const char* b, const char* e) {
    while (b < e && IsLineSpace(*b)) ++b;
    while (e > b && IsLineSpace(e[-1])) --e;
    return QByteArrayView(b, e - b);
}

double Score(const QString& text) {
    return RoundHalfEven(Val(text));
}

// The highest of the scores seen so far, none before the first.
class Best {
  public:
    void Add(double score) {
        if (!any_ || score > best_) best_ = score;
        any_ = true;
    }
    bool Any() const { return any_; }
    bool Reaches(int minimum) const { return any_ && best_ >= minimum; }

  private:
    bool any_ = false;
    double best_ = 0;
};

// Lines of text joined by one blank each, every line trimmed and empty lines
// left out.
QString JoinLines(const char* t, qsizetype n) {
    QString text = TextOf(t, n);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList parts;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty()) parts << trimmed;
    }
    QString joined = parts.join(QLatin1Char(' '));
    scan::ShowDeflineJoins(joined);
    return joined;
}

// A name from a table cell or an XML element, on one line: line breaks
// and no-break spaces become blanks, blanks around it go.
QString OneLine(QString name) {
    for (QChar& c : name)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0xA0))
            c = QLatin1Char(' ');
    scan::ShowDeflineJoins(name);
    return name.trimmed();
}

// Line [begin, end) with end at the line feed or the end of the text.
struct Line {
    qsizetype begin;
    qsizetype end;
};

// The first line that holds more than blanks, from position from on.
std::optional<Line> FirstTextLine(const QByteArray& text, qsizetype from) {
    const char* t = text.constData();
    const qsizetype n = text.size();
    for (qsizetype b = from; b < n;) {
        const void* nl = std::memchr(t + b, '\n', n - b);
        const qsizetype e = nl ? static_cast<const char*>(nl) - t : n;
        for (qsizetype i = b; i < e; ++i)
            if (!IsLineSpace(t[i])) return Line{b, e};
        b = e + 1;
    }
    return std::nullopt;
}

bool StartsWith(const QByteArray& text, Line line, const char* prefix) {
    return QByteArrayView(text.constData() + line.begin, line.end - line.begin)
        .startsWith(QByteArrayView(prefix));
}

// A "(N letters)" after the first query, before the first "Length=" line.
BlastFormat PairwiseForm(const QByteArray& text) {
    ForwardFinder query(text, "query=");
    const qsizetype q = query.Find(0);
    if (q < 0) return BlastFormat::None;
    ForwardFinder length(text, "\nlength=");
    ForwardFinder letters(text, "letters");
    const qsizetype len = length.Find(q);
    const qsizetype limit = len < 0 ? text.size() : len;
    const char* t = text.constData();
    for (qsizetype l = letters.Find(q + 6); l >= 0 && l < limit; l = letters.Find(l + 1))
        if (l >= 2 && t[l - 1] == ' ' && scan::IsDigit(t[l - 2])) return BlastFormat::Legacy;
    return len >= 0 ? BlastFormat::PlusText : BlastFormat::None;
}

// The line after row, when it holds more than blanks and is not an
// alignment's header.
HitRowReader::Row NextRow(const QByteArray& text, HitRowReader::Row row) {
    const char* t = text.constData();
    const qsizetype n = text.size();
    const qsizetype b = row.end + 1;
    if (b >= n) return {};
    const void* nl = std::memchr(t + b, '\n', n - b);
    const qsizetype e = nl ? static_cast<const char*>(nl) - t : n;
    const QByteArrayView line = TrimmedView(t + b, t + e);
    if (line.isEmpty() || line.startsWith('>')) return {};
    return {b, e};
}

IgtcResult ReadPlusText(const QByteArray& text, int minimum) {
    IgtcResult r;
    const char* t = text.constData();
    const qsizetype n = text.size();
    ForwardFinder query(text, "query=");
    ForwardFinder length(text, "\nlength=");
    ForwardFinder table(text, "producing significant alignments:");
    ForwardFinder noHits(text, "***** no hits found *****", 0);  // found through the rare "*"
    HitRowReader rows(text);
    for (qsizetype q = query.Find(0); q >= 0;) {
        ++r.queries;
        const qsizetype s = q + 6;
        const qsizetype next = query.Find(s);
        const qsizetype limit = next < 0 ? n : next;
        const qsizetype len = length.Find(s);
        q = next;
        if (len < 0 || len >= limit) {
            ++r.skippedQueries;
            continue;
        }
        const qsizetype tab = table.Find(len);
        const qsizetype none = noHits.Find(len);
        const bool hasTable = tab >= 0 && tab < limit;
        if (none >= 0 && none < limit && (!hasTable || none < tab)) {
            ++r.queriesWithoutHits;  // no score
            continue;
        }
        // The rows stand sorted by E-value, so the best bit score need not
        // be the first row's: take the highest of the table's rows, which
        // run up to the first line that holds only blanks.
        Best best;
        HitRowReader::Row row = hasTable ? rows.FirstRow(tab) : HitRowReader::Row{};
        while (row.begin >= 0 && row.begin < limit) {
            const std::optional<QByteArray> token = rows.BitScoreToken(row, 0);
            if (!token) break;
            best.Add(Score(QString::fromLatin1(*token)));
            row = NextRow(text, row);
        }
        if (!best.Any()) {
            ++r.skippedQueries;
            continue;
        }
        if (best.Reaches(minimum)) r.names << JoinLines(t + s, len - s);
    }
    r.output = IgtcOutputText(r.names);
    return r;
}

IgtcResult ReadTabular(const QByteArray& text, int minimum) {
    struct Query {
        QString name;
        Best best;
        bool badRow = false;
    };
    QList<Query> queries;
    QHash<QByteArray, qsizetype> byKey;
    const auto queryFor = [&](const QByteArray& key, const QString& name) {
        const auto it = byKey.constFind(key);
        if (it != byKey.cend()) return *it;
        queries.append(Query{name, Best(), false});
        byKey.insert(key, queries.size() - 1);
        return queries.size() - 1;
    };

    qsizetype idColumn = 0;
    qsizetype bitColumn = 11;
    qsizetype current = -1;  // the query of the "# Query:" block the rows are in
    QByteArray lastId;       // the query id of the last row outside such blocks
    qsizetype lastAt = -1;
    const char* t = text.constData();
    const qsizetype n = text.size();
    for (qsizetype b = 0; b < n;) {
        const void* nl = std::memchr(t + b, '\n', n - b);
        const qsizetype e = nl ? static_cast<const char*>(nl) - t : n;
        const QByteArrayView line = TrimmedView(t + b, t + e);
        b = e + 1;
        if (line.isEmpty()) continue;
        if (line.startsWith('#')) {
            const QByteArray comment = line.sliced(1).toByteArray().trimmed();
            if (comment.startsWith("Query:")) {
                const QByteArray def = comment.mid(6).trimmed();
                const qsizetype blank = def.indexOf(' ');
                current =
                    queryFor(blank < 0 ? def : def.left(blank), OneLine(QString::fromUtf8(def)));
            } else if (comment.startsWith("Fields:")) {
                const QList<QByteArray> fields = comment.mid(7).split(',');
                idColumn = bitColumn = -1;
                for (qsizetype i = 0; i < fields.size(); ++i) {
                    const QByteArray f = fields[i].trimmed();
                    if (f == "bit score") bitColumn = i;
                    if (idColumn < 0 && (f == "query id" || f == "query acc." ||
                                         f == "query acc.ver" || f == "query gi"))
                        idColumn = i;
                }
            }
            continue;
        }
        // The two cells wanted, without splitting the whole row.
        std::optional<QByteArrayView> idCell, bitCell;
        const qsizetype wanted = std::max(idColumn, bitColumn);
        for (qsizetype column = 0, from = 0; column <= wanted; ++column) {
            const qsizetype tab = line.indexOf('\t', from);
            const QByteArrayView cell = line.sliced(from, (tab < 0 ? line.size() : tab) - from);
            if (column == idColumn) idCell = cell;
            if (column == bitColumn) bitCell = cell;
            if (tab < 0) break;
            from = tab + 1;
        }
        qsizetype at = current;
        if (at < 0) {
            if (!idCell) continue;  // no query to give the row to
            const QByteArrayView id = TrimmedView(idCell->begin(), idCell->end());
            // Rows of one query normally stand together.
            if (lastAt < 0 || id != QByteArrayView(lastId)) {
                lastId = id.toByteArray();
                lastAt = queryFor(lastId, OneLine(QString::fromUtf8(lastId)));
            }
            at = lastAt;
        }
        Query& query = queries[at];
        if (!bitCell) {
            query.badRow = true;
            continue;
        }
        query.best.Add(Score(QString::fromLatin1(*bitCell)));
    }

    IgtcResult r;
    r.queries = int(queries.size());
    for (const Query& q : queries) {
        if (q.best.Any()) {
            if (q.best.Reaches(minimum)) r.names << q.name;
        } else if (q.badRow) {
            ++r.skippedQueries;
        } else {
            ++r.queriesWithoutHits;  // a "# Query:" block without rows
        }
    }
    r.output = IgtcOutputText(r.names);
    return r;
}

IgtcResult ReadXml(const QByteArray& text, int minimum) {
    IgtcResult r;
    // The reader is given text, not bytes, so that an encoding declared in
    // the report does not decode the text a second time.
    QXmlStreamReader xml(QString::fromUtf8(text));
    QString reportName;  // the report's own query, for iterations without one
    QString name;
    bool inIteration = false;
    Best best;
    while (!xml.atEnd() && !xml.hasError()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        const QStringView element = xml.name();
        if (token == QXmlStreamReader::StartElement) {
            if (element == u"Iteration") {
                inIteration = true;
                name = reportName;
                best = Best();
            } else if (element == u"BlastOutput_query-def") {
                reportName = xml.readElementText().trimmed();
            } else if (element == u"Iteration_query-def") {
                name = xml.readElementText().trimmed();
            } else if (element == u"Hsp_bit-score") {
                best.Add(Score(xml.readElementText()));
            }
        } else if (token == QXmlStreamReader::EndElement && element == u"Iteration") {
            inIteration = false;
            ++r.queries;
            if (!best.Any()) ++r.queriesWithoutHits;
            if (best.Reaches(minimum)) r.names << OneLine(name);
        }
    }
    if (xml.hasError() && inIteration) {
        // The report breaks off inside a query.
        ++r.queries;
        ++r.skippedQueries;
    }
    r.output = IgtcOutputText(r.names);
    return r;
}

// The report's text as UTF-8 bytes: the bytes themselves when they are valid
// UTF-8 (without a leading byte order mark), else their reading as
// DecodeInputText gives it (Windows-1252), so that no character is lost.
QByteArray ReportUtf8(const QByteArray& bytes) {
    if (!QByteArrayView(bytes).isValidUtf8()) return DecodeInputText(bytes).toUtf8();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QByteArray::fromRawData(bytes.constData() + 3, bytes.size() - 3);
    return bytes;
}

BlastFormat DetectUtf8(const QByteArray& utf8) {
    const qsizetype start = utf8.startsWith("\xEF\xBB\xBF") ? 3 : 0;  // a byte order mark
    const std::optional<Line> first = FirstTextLine(utf8, start);
    if (!first) return BlastFormat::None;
    const QByteArrayView head = QByteArrayView(utf8)
                                    .sliced(first->begin)
                                    .first(std::min<qsizetype>(4096, utf8.size() - first->begin));
    if (head.contains("<BlastOutput")) return BlastFormat::Xml;
    const QByteArrayView line(utf8.constData() + first->begin, first->end - first->begin);
    if (StartsWith(utf8, *first, "#") &&
        (line.contains("BLAST") || line.contains("# Query:") || line.contains("# Fields:")))
        return BlastFormat::Tabular;
    if (line.count('\t') >= 11) return BlastFormat::Tabular;
    return PairwiseForm(utf8);
}

IgtcResult ReadUtf8(const QByteArray& utf8, int minimum, LineBreaks breaks,
                    KeptNames kept = KeptNames::List) {
    const BlastFormat format = DetectUtf8(utf8);
    IgtcResult r;
    switch (format) {
        case BlastFormat::Legacy:
            r = ParseIgtcResultsUtf8(utf8, minimum, breaks, kept);
            break;
        case BlastFormat::PlusText:
            r = ReadPlusText(utf8, minimum);
            break;
        case BlastFormat::Tabular:
            r = ReadTabular(utf8, minimum);
            break;
        case BlastFormat::Xml:
            r = ReadXml(utf8, minimum);
            break;
        case BlastFormat::None:
            r.output = kNotBlastMessage;
            break;
    }
    r.format = format;
    return r;
}

// Appends up to count bytes of in to buffer; false when none were left.
bool ReadOn(QIODevice& in, QByteArray& buffer, qsizetype count) {
    const qsizetype had = buffer.size();
    buffer.resize(had + count);
    const qint64 got = in.read(buffer.data() + had, count);
    buffer.resize(had + std::max<qint64>(got, 0));
    return got > 0;
}

// The bytes after a "query=" that a piece of a legacy text carries past its
// end: enough for every reading of the last section's end (the score token
// and the blanks before it stop at the "q", the hit table's column titles
// are looked at for 40 bytes).
constexpr qsizetype kPieceTail = 64;

const char* const kBom = "\xEF\xBB\xBF";  // a byte order mark

// The start of the last "query=" (letter case ignored) in text[from, to)
// that does not follow another "query=" directly (which the reading passes
// over as part of the name), or -1.
qsizetype LastQueryStart(const QByteArray& text, qsizetype from, qsizetype to) {
    const char* t = text.constData();
    const auto isQueryAt = [&](qsizetype at) {
        if (at < 0) return false;
        for (int k = 0; k < 6; ++k)
            if (scan::FoldCase(t[at + k]) != "query="[k]) return false;
        return true;
    };
    for (qsizetype e = to - 1; e >= from + 5; --e) {
        if (t[e] != '=') continue;
        const qsizetype at = e - 5;
        if (isQueryAt(at) && !(at >= 6 && isQueryAt(at - 6))) return at;
    }
    return -1;
}

}  // namespace

QString BlastFormatName(BlastFormat format) {
    switch (format) {
        case BlastFormat::Legacy:
            return QStringLiteral("legacy BLAST text");
        case BlastFormat::PlusText:
            return QStringLiteral("BLAST+ text");
        case BlastFormat::Tabular:
            return QStringLiteral("BLAST+ tabular");
        case BlastFormat::Xml:
            return QStringLiteral("BLAST+ XML");
        case BlastFormat::None:
            break;
    }
    return QStringLiteral("not a BLAST report");
}

BlastFormat DetectBlastFormat(const QByteArray& bytes) {
    return DetectUtf8(ReportUtf8(bytes));
}

IgtcResult ReadBlastReport(const QByteArray& bytes, int minimum, LineBreaks breaks,
                           KeptNames kept) {
    return ReadUtf8(ReportUtf8(bytes), minimum, breaks, kept);
}

IgtcResult ReadBlastReportFile(QIODevice& in, int minimum, LineBreaks breaks, KeptNames kept,
                               qsizetype pieceSize) {
    // Reads everything from the start: for a text that is no legacy text,
    // or not valid UTF-8 (read as a whole as Windows-1252).
    const auto whole = [&]() {
        in.seek(0);
        return ReadBlastReport(in.readAll(), minimum, breaks, kept);
    };
    // The first piece is large enough to tell the form by.
    const qsizetype firstSize = std::max<qsizetype>(pieceSize, 65536);
    QByteArray buffer;
    if (!ReadOn(in, buffer, firstSize) || buffer.size() < firstSize) return whole();
    // The form is told by the first piece where that piece holds all that
    // the telling looks at: the first line whole and 4096 bytes after its
    // start; a "(N letters)" found in it is found in the whole text too.
    const qsizetype bom = buffer.startsWith(kBom) ? 3 : 0;
    {
        const QByteArray first =
            QByteArray::fromRawData(buffer.constData() + bom, buffer.size() - bom);
        const std::optional<Line> line = FirstTextLine(first, first.startsWith(kBom) ? 3 : 0);
        if (!line || line->end >= first.size() || line->begin + 4096 > first.size() ||
            DetectUtf8(first) != BlastFormat::Legacy)
            return whole();
    }
    IgtcResult r;
    r.namesAsBytes = kept == KeptNames::Bytes;
    qsizetype start = bom;
    qsizetype searched = start + 1;  // no piece end lies before this
    bool more = true;
    for (;;) {
        // A piece ends at its last query's "query=" with some bytes after it
        // (while the text goes on); a section longer than the buffer reads
        // more first.
        qsizetype cut = -1;
        if (more) {
            const qsizetype to = buffer.size() - kPieceTail;
            cut = LastQueryStart(buffer, searched, to);
            if (cut < 0) {
                searched = std::max(searched, to - 5);
                more = ReadOn(in, buffer, pieceSize);
                continue;
            }
        }
        const qsizetype end = cut < 0 ? buffer.size() : cut;
        if (!QByteArrayView(buffer.constData() + start, end - start).isValidUtf8()) return whole();
        const qsizetype pieceEnd = cut < 0 ? buffer.size() : cut + kPieceTail;
        AddIgtcQueriesUtf8(QByteArray::fromRawData(buffer.constData() + start, pieceEnd - start),
                           end - start, minimum, breaks, r);
        if (cut < 0) break;
        buffer.remove(0, cut);
        start = 0;
        searched = 1;
        more = ReadOn(in, buffer, pieceSize);
    }
    r.format = BlastFormat::Legacy;
    if (!r.namesAsBytes) r.output = IgtcOutputText(r.names);
    return r;
}

IgtcResult ReadBlastReport(const QString& text, int minimum) {
    return ReadUtf8(text.toUtf8(), minimum, LineBreaks::AsTextBox);
}

QString ReadingSummary(const IgtcResult& result) {
    QString s = QStringLiteral("Read as ") + BlastFormatName(result.format) + QLatin1Char('.');
    if (result.queriesWithoutHits == 1)
        s += QStringLiteral(" 1 query without hits.");
    else if (result.queriesWithoutHits > 1)
        s += QStringLiteral(" %1 queries without hits.").arg(result.queriesWithoutHits);
    if (result.skippedQueries == 1)
        s += QStringLiteral(" 1 query could not be read.");
    else if (result.skippedQueries > 1)
        s += QStringLiteral(" %1 queries could not be read.").arg(result.skippedQueries);
    return s;
}

}  // namespace quill
