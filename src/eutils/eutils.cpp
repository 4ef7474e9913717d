#include "eutils/eutils.h"

#include <QXmlStreamReader>
#include <algorithm>

namespace quill {

namespace {

const QString kTool = QStringLiteral("quillfish");

// Texts that NCBI's front end writes into a reply (status 200) when its
// stream from the back end breaks off; often with "+" for the blanks.
const char* const kBrokenTexts[] = {
    "Error reading from remote server",
    "Bad gateway",
    "Cannot process ID list",
    "server is temporarily unable to service your request",
    "Service unavailable",
    "Server Error",
    "ID list is empty",
    "Supplied id parameter is empty",
    "Resource temporarily unavailable",
    "Failed to retrieve sequence",
    "Failed to understand id",
};

// Lower case without blanks and "+", for comparing those texts.
QByteArray Squeezed(QByteArrayView text) {
    QByteArray s = text.toByteArray().toLower();
    s.removeIf([](char c) { return c == '+' || c == ' ' || c == '\t' || c == '\r'; });
    return s;
}

// The broken-stream text a line starts with (atStart) or holds, as the line
// gives it; "" when none.
QString BrokenText(QByteArrayView line, bool atStart) {
    const QByteArray s = Squeezed(line);
    for (const char* text : kBrokenTexts) {
        const QByteArray t = Squeezed(text);
        if (atStart ? s.startsWith(t) : s.contains(t))
            return QString::fromUtf8(line.toByteArray().trimmed().left(120))
                .replace(QLatin1Char('+'), QLatin1Char(' '));
    }
    return {};
}

QString BrokenTextIn(const QByteArray& body) {
    for (QByteArrayView line : body.split('\n'))
        if (QString t = BrokenText(line, false); !t.isEmpty()) return t;
    return {};
}

// Why a reply is not the text asked for (XML or GenBank).
QString NotTheReply(const QByteArray& body, const QString& what, const QString& detail) {
    if (const QString broken = BrokenTextIn(body); !broken.isEmpty())
        return QStringLiteral("the reply broke off: ") + broken;
    if (body.trimmed().isEmpty()) return QStringLiteral("empty reply");
    if (IsHtmlPage(body)) return QStringLiteral("an HTML page came instead of ") + what;
    return QStringLiteral("the reply is not ") + what + (detail.isEmpty() ? QString() : detail);
}

QString NotXml(const QByteArray& body, const QXmlStreamReader& x) {
    return NotTheReply(
        body, QStringLiteral("the expected XML"),
        x.hasError() ? QStringLiteral(" (%1, line %2)").arg(x.errorString()).arg(x.lineNumber())
                     : QString());
}

// Reads up to the root's first child; false (with *error) unless the reply is
// XML with that root.
bool OpenRoot(QXmlStreamReader& x, const QByteArray& body, QLatin1StringView root, QString* error) {
    if (x.readNextStartElement() && x.name() == root) return true;
    *error = x.hasError() || IsHtmlPage(body) || !x.isStartElement()
                 ? NotXml(body, x)
                 : QStringLiteral("unexpected reply <%1> instead of <%2>")
                       .arg(x.name().toString(), QString(root));
    return false;
}

// Reads the rest of the reply; a reply that breaks off or goes on past its
// root is no reply.
void Finish(QXmlStreamReader& x, const QByteArray& body, QString* error) {
    if (!error->isEmpty()) return;
    while (!x.atEnd()) x.readNext();
    if (x.hasError()) *error = NotXml(body, x);
}

QString NcbiError(QXmlStreamReader& x) {
    return QStringLiteral("NCBI error: ") +
           x.readElementText(QXmlStreamReader::SkipChildElements).simplified();
}

qint64 Id(QXmlStreamReader& x, QString* error) {
    const QString text = x.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
    bool ok = false;
    const qint64 id = text.toLongLong(&ok);
    if (!ok && error->isEmpty())
        *error = QStringLiteral("the reply has an id that is no number: ") + text;
    return id;
}

qint64 Number(const QString& text) {
    return text.trimmed().toLongLong();
}

QString JoinedIds(const QList<qint64>& ids) {
    QStringList parts;
    for (qint64 id : ids) parts << QString::number(id);
    return parts.join(QLatin1Char(','));
}

QString Text(QXmlStreamReader& x) {
    return x.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
}

// The fields of a gene's DocumentSummary; TaxID anywhere inside it.
void ReadGene(QXmlStreamReader& x, GeneSummary& g, bool top) {
    while (x.readNextStartElement()) {
        const QStringView n = x.name();
        if (n == QLatin1String("TaxID")) {
            g.taxId = Number(Text(x));
        } else if (!top) {
            ReadGene(x, g, false);
        } else if (n == QLatin1String("Name")) {
            g.name = Text(x);
        } else if (n == QLatin1String("Description")) {
            g.description = Text(x);
        } else if (n == QLatin1String("Status")) {
            g.status = static_cast<int>(Number(Text(x)));
        } else if (n == QLatin1String("CurrentID")) {
            g.currentId = Number(Text(x));
        } else if (n == QLatin1String("OtherAliases")) {
            g.aliases = Text(x);
        } else {
            ReadGene(x, g, false);
        }
    }
}

int PrefixRank(const QString& accession) {
    static const QStringList order{QStringLiteral("NM_"), QStringLiteral("NR_"),
                                   QStringLiteral("XM_"), QStringLiteral("XR_")};
    for (int i = 0; i < order.size(); ++i)
        if (accession.startsWith(order[i], Qt::CaseInsensitive)) return i;
    return -1;
}

QString AccessionOf(const NuccoreSummary& r) {
    return r.accessionVersion.isEmpty() ? r.caption : r.accessionVersion;
}

}  // namespace

bool IsHtmlPage(const QByteArray& body) {
    const QByteArray head = body.left(1024).toLower();
    return head.contains("<html") || head.contains("<!doctype html");
}

// ---------------------------------------------------------------------------
// Requests

QString EutilsAddress(const QString& base, const EutilsRequest& request, const QString& email,
                      const QString& apiKey) {
    QList<std::pair<QString, QString>> params = request.params;
    params.append({QStringLiteral("tool"), kTool});
    if (!email.isEmpty()) params.append({QStringLiteral("email"), email});
    if (!apiKey.isEmpty()) params.append({QStringLiteral("api_key"), apiKey});
    QStringList parts;
    for (const auto& [name, value] : params)
        parts << name + QLatin1Char('=') + QString::fromLatin1(value.toUtf8().toPercentEncoding());
    return base + QStringLiteral("/entrez/eutils/") + request.util + QStringLiteral(".fcgi?") +
           parts.join(QLatin1Char('&'));
}

QString EutilsIndexKey(const EutilsRequest& request) {
    QStringList parts;
    for (const auto& [name, value] : request.params) parts << name + QLatin1Char('=') + value;
    parts << QStringLiteral("tool=") + kTool;
    return QStringLiteral("/entrez/eutils/") + request.util + QStringLiteral(".fcgi?") +
           parts.join(QLatin1Char('&'));
}

EutilsRequest GeneSearch(const QString& symbol, qint64 taxon) {
    const QString organism =
        taxon == kHumanTaxon ? QStringLiteral("Homo sapiens") : QStringLiteral("Mus musculus");
    return {QStringLiteral("esearch"),
            {{QStringLiteral("db"), QStringLiteral("gene")},
             {QStringLiteral("term"),
              symbol + QStringLiteral("[sym] AND \"") + organism + QStringLiteral("\"[orgn]")},
             {QStringLiteral("retmax"), QStringLiteral("20")}}};
}

EutilsRequest GeneSummaries(const QList<qint64>& geneIds) {
    return {QStringLiteral("esummary"),
            {{QStringLiteral("db"), QStringLiteral("gene")},
             {QStringLiteral("id"), JoinedIds(geneIds)},
             {QStringLiteral("version"), QStringLiteral("2.0")}}};
}

EutilsRequest RnaLinks(const QList<qint64>& geneIds) {
    EutilsRequest r{QStringLiteral("elink"),
                    {{QStringLiteral("dbfrom"), QStringLiteral("gene")},
                     {QStringLiteral("db"), QStringLiteral("nuccore")}}};
    for (qint64 id : geneIds) r.params.append({QStringLiteral("id"), QString::number(id)});
    r.params.append({QStringLiteral("linkname"), kRefSeqRnaLink});
    return r;
}

EutilsRequest AccessionSearch(const QString& accession) {
    return {QStringLiteral("esearch"),
            {{QStringLiteral("db"), QStringLiteral("nuccore")},
             {QStringLiteral("term"), accession + QStringLiteral("[accn]")},
             {QStringLiteral("retmax"), QStringLiteral("5")}}};
}

EutilsRequest GeneGroupSearch(const QStringList& symbols, qint64 taxon) {
    EutilsRequest r = GeneSearch(symbols.join(QStringLiteral("[sym] OR ")), taxon);
    r.params[1].second = QLatin1Char('(') + r.params[1].second;
    r.params[1].second.replace(QStringLiteral("[sym] AND"), QStringLiteral("[sym]) AND"));
    r.params[2].second = QString::number(20 * symbols.size());
    return r;
}

EutilsRequest AccessionGroupSearch(const QStringList& accessions) {
    EutilsRequest r = AccessionSearch(accessions.join(QStringLiteral("[accn] OR ")));
    r.params[2].second = QString::number(5 * accessions.size());
    return r;
}

EutilsRequest NuccoreSummaries(const QList<qint64>& ids) {
    return {QStringLiteral("esummary"),
            {{QStringLiteral("db"), QStringLiteral("nuccore")},
             {QStringLiteral("id"), JoinedIds(ids)}}};
}

EutilsRequest GenBankRecords(const QList<qint64>& ids) {
    return {QStringLiteral("efetch"),
            {{QStringLiteral("db"), QStringLiteral("nuccore")},
             {QStringLiteral("id"), JoinedIds(ids)},
             {QStringLiteral("rettype"), QStringLiteral("gb")},
             {QStringLiteral("retmode"), QStringLiteral("text")}}};
}

// ---------------------------------------------------------------------------
// Parsers

static ESearchReply ReadESearch(const QByteArray& body) {
    ESearchReply r;
    QXmlStreamReader x(body);
    if (!OpenRoot(x, body, QLatin1StringView("eSearchResult"), &r.error)) return r;
    // Only the root's own children: the TranslationStack has Counts of its own.
    while (r.error.isEmpty() && x.readNextStartElement()) {
        const QStringView n = x.name();
        if (n == QLatin1String("Count")) {
            r.count = Number(Text(x));
        } else if (n == QLatin1String("IdList")) {
            while (x.readNextStartElement()) {
                if (x.name() == QLatin1String("Id"))
                    r.ids << Id(x, &r.error);
                else
                    x.skipCurrentElement();
            }
        } else if (n == QLatin1String("ErrorList")) {
            while (x.readNextStartElement()) {
                if (x.name() == QLatin1String("PhraseNotFound"))
                    r.phrasesNotFound << Text(x);
                else
                    x.skipCurrentElement();
            }
        } else if (n == QLatin1String("ERROR")) {
            r.error = NcbiError(x);
        } else {
            x.skipCurrentElement();
        }
    }
    Finish(x, body, &r.error);
    return r;
}

static GeneSummaryReply ReadGeneSummaries(const QByteArray& body) {
    GeneSummaryReply r;
    QXmlStreamReader x(body);
    if (!OpenRoot(x, body, QLatin1StringView("eSummaryResult"), &r.error)) return r;
    while (r.error.isEmpty() && x.readNextStartElement()) {
        if (x.name() == QLatin1String("ERROR")) {
            r.error = NcbiError(x);
        } else if (x.name() == QLatin1String("DocumentSummarySet")) {
            while (x.readNextStartElement()) {
                if (x.name() != QLatin1String("DocumentSummary")) {
                    x.skipCurrentElement();
                    continue;
                }
                GeneSummary g;
                g.uid = Number(x.attributes().value(QLatin1String("uid")).toString());
                ReadGene(x, g, true);
                r.genes << g;
            }
        } else {
            x.skipCurrentElement();
        }
    }
    Finish(x, body, &r.error);
    return r;
}

static NuccoreSummaryReply ReadNuccoreSummaries(const QByteArray& body) {
    NuccoreSummaryReply r;
    QXmlStreamReader x(body);
    if (!OpenRoot(x, body, QLatin1StringView("eSummaryResult"), &r.error)) return r;
    while (r.error.isEmpty() && x.readNextStartElement()) {
        if (x.name() == QLatin1String("ERROR")) {
            r.error = NcbiError(x);
            continue;
        }
        if (x.name() != QLatin1String("DocSum")) {
            x.skipCurrentElement();
            continue;
        }
        NuccoreSummary s;
        while (x.readNextStartElement()) {
            if (x.name() == QLatin1String("Id")) {
                s.uid = Id(x, &r.error);
                continue;
            }
            const QString item = x.attributes().value(QLatin1String("Name")).toString();
            const QString value = x.name() == QLatin1String("Item") ? Text(x) : QString();
            if (x.isStartElement()) x.skipCurrentElement();  // not an Item
            if (item == QLatin1String("Caption"))
                s.caption = value;
            else if (item == QLatin1String("Title"))
                s.title = value;
            else if (item == QLatin1String("AccessionVersion"))
                s.accessionVersion = value;
            else if (item == QLatin1String("Length"))
                s.length = Number(value);
            else if (item == QLatin1String("TaxId"))
                s.taxId = Number(value);
            else if (item == QLatin1String("Status"))
                s.status = value;
            else if (item == QLatin1String("ReplacedBy"))
                s.replacedBy = value;
            else if (item == QLatin1String("Comment"))
                s.comment = value;
        }
        r.records << s;
    }
    Finish(x, body, &r.error);
    return r;
}

static ELinkReply ReadELink(const QByteArray& body, const QString& linkName) {
    ELinkReply r;
    QXmlStreamReader x(body);
    if (!OpenRoot(x, body, QLatin1StringView("eLinkResult"), &r.error)) return r;
    while (r.error.isEmpty() && x.readNextStartElement()) {
        if (x.name() == QLatin1String("ERROR")) {
            r.error = NcbiError(x);
            continue;
        }
        if (x.name() != QLatin1String("LinkSet")) {
            x.skipCurrentElement();
            continue;
        }
        LinkSet set;
        while (r.error.isEmpty() && x.readNextStartElement()) {
            const QStringView n = x.name();
            if (n == QLatin1String("ERROR")) {
                r.error = NcbiError(x);
            } else if (n == QLatin1String("IdList")) {
                while (x.readNextStartElement()) {
                    if (x.name() == QLatin1String("Id"))
                        set.inputs << Id(x, &r.error);
                    else
                        x.skipCurrentElement();
                }
            } else if (n == QLatin1String("LinkSetDb")) {
                QString name;
                QList<qint64> links;
                while (x.readNextStartElement()) {
                    if (x.name() == QLatin1String("LinkName")) {
                        name = Text(x);
                    } else if (x.name() == QLatin1String("Link")) {
                        while (x.readNextStartElement()) {
                            if (x.name() == QLatin1String("Id"))
                                links << Id(x, &r.error);
                            else
                                x.skipCurrentElement();
                        }
                    } else {
                        x.skipCurrentElement();  // DbTo, Info ("Empty result")
                    }
                }
                if (linkName.isEmpty() || name == linkName) set.links += links;
            } else {
                x.skipCurrentElement();
            }
        }
        r.sets << set;
    }
    Finish(x, body, &r.error);
    return r;
}

static GenBankReply ReadGenBank(const QByteArray& body) {
    GenBankReply r;
    const QString kGenBank = QStringLiteral("GenBank text");
    GenBankRecord record;
    bool open = false;
    QString version;
    for (QByteArray line : body.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        // Record lines start with a capital keyword or blanks; any other line
        // starting with a broken-stream text ends the reply.
        if (!line.startsWith(' ')) {
            if (const QString broken = BrokenText(line, true); !broken.isEmpty()) {
                r.error = QStringLiteral("the reply broke off: ") + broken;
                return r;
            }
        }
        if (!open) {
            if (line.trimmed().isEmpty()) continue;
            if (!line.startsWith("LOCUS")) {
                r.error = NotTheReply(body, kGenBank, {});
                return r;
            }
            open = true;
            record = GenBankRecord();
            version.clear();
        }
        record.text += QString::fromUtf8(line) + QLatin1Char('\n');
        const auto firstWord = [&line] {
            return QString::fromUtf8(line.mid(12).trimmed()).section(QLatin1Char(' '), 0, 0);
        };
        if (line.startsWith("VERSION")) version = firstWord();
        if (line.startsWith("ACCESSION") && record.accessionVersion.isEmpty())
            record.accessionVersion = firstWord();
        // A record ends at a line of "//" alone, not at any line that starts so.
        if (line.trimmed() == "//") {
            if (!version.isEmpty()) record.accessionVersion = version;
            r.records << record;
            open = false;
        }
    }
    if (open)
        r.error = QStringLiteral("the GenBank text stops inside the record of %1 (no closing //)")
                      .arg(version.isEmpty() ? record.accessionVersion : version);
    else if (r.records.isEmpty())
        r.error = NotTheReply(body, kGenBank, {});
    return r;
}

// ---------------------------------------------------------------------------
// Rules

GeneVerdict ClassifyGenes(const QString& symbol, qint64 taxon, const QList<GeneSummary>& hits) {
    GeneVerdict v;
    QList<GeneSummary> live, aliasHits;
    for (const GeneSummary& g : hits) {
        if (g.taxId != taxon) continue;
        if (symbol.isEmpty() || g.name.compare(symbol, Qt::CaseInsensitive) == 0) {
            if (g.status == 0) {
                live << g;
            } else {
                v.retired = true;
                if (g.currentId != 0 && !v.replacedBy.contains(g.currentId))
                    v.replacedBy << g.currentId;
            }
            continue;
        }
        if (g.status != 0) continue;
        const QStringList aliases = g.aliases.split(QLatin1Char(','));
        if (std::any_of(aliases.begin(), aliases.end(), [&symbol](const QString& a) {
                return a.trimmed().compare(symbol, Qt::CaseInsensitive) == 0;
            }))
            aliasHits << g;
    }
    if (!live.isEmpty()) {
        v.kind = live.size() == 1 ? GeneVerdict::One : GeneVerdict::Several;
        v.genes = live;
    } else if (!aliasHits.isEmpty()) {
        v.kind = GeneVerdict::Several;
        v.genes = aliasHits;
    }
    if (v.kind != GeneVerdict::NotFound) {
        v.retired = false;
        v.replacedBy.clear();
    }
    return v;
}

bool IsCuratedTranscript(const NuccoreSummary& record) {
    const int rank = PrefixRank(AccessionOf(record));
    return rank == 0 || rank == 1;
}

QList<NuccoreSummary> OrderTranscripts(QList<NuccoreSummary> records) {
    records.removeIf([](const NuccoreSummary& r) {
        return PrefixRank(AccessionOf(r)) < 0 ||
               (!r.status.isEmpty() &&
                r.status.compare(QLatin1String("live"), Qt::CaseInsensitive));
    });
    std::stable_sort(records.begin(), records.end(),
                     [](const NuccoreSummary& a, const NuccoreSummary& b) {
                         const int ra = PrefixRank(AccessionOf(a)), rb = PrefixRank(AccessionOf(b));
                         if (ra != rb) return ra < rb;
                         return AccessionOf(a) < AccessionOf(b);
                     });
    return records;
}

// A reply that holds an error is no answer: whatever was read before the
// error (a stream that broke off, a second half that is no XML) is dropped,
// so that no half-read gene or record is ever taken for a whole one.
template <class Reply>
static Reply Answer(Reply reply) {
    if (!reply.error.isEmpty()) {
        const QString error = reply.error;
        reply = Reply();
        reply.error = error;
    }
    return reply;
}

ESearchReply ParseESearch(const QByteArray& body) {
    return Answer(ReadESearch(body));
}

GeneSummaryReply ParseGeneSummaries(const QByteArray& body) {
    return Answer(ReadGeneSummaries(body));
}

NuccoreSummaryReply ParseNuccoreSummaries(const QByteArray& body) {
    return Answer(ReadNuccoreSummaries(body));
}

ELinkReply ParseELink(const QByteArray& body, const QString& linkName) {
    return Answer(ReadELink(body, linkName));
}

GenBankReply ParseGenBank(const QByteArray& body) {
    return Answer(ReadGenBank(body));
}

}  // namespace quill
