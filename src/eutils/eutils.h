#pragma once
// The E-utilities folder: NCBI's sequence databases as the sequence search
// and the accession search reach them today. The archive pages the program
// was first written for (UniGene among them) were retired by NCBI in 2019.
//   eutils.h        requests as canonical addresses, reply parsers, and the
//                   rules that sort genes and transcripts: pure functions
//   eutilsclient.h  the raw-reply fetch over the page loader: pacing, tries,
//                   the run's cache and the recording of replies
//   eutilslookup.h  the search engine's term source: gene symbols, UniGene
//                   cluster ids and accessions onto SearchEngine's outcomes
// A reply that is not what was asked for (an <ERROR>, a text telling that
// NCBI's stream broke off, an HTML page, an empty body, GenBank text without
// its closing "//") is a service error with a message, never "not found".
// Record ids are 64-bit: NCBI's pass 2^31.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace quill {

inline constexpr qint64 kMouseTaxon = 10090;
inline constexpr qint64 kHumanTaxon = 9606;
// The link from a gene to its RefSeq RNA records.
inline const QString kRefSeqRnaLink = QStringLiteral("gene_nuccore_refseqrna");

// One E-utility call: the utility and its parameters in canonical order
// (db or dbfrom first, then the call's own; a name may repeat).
struct EutilsRequest {
    QString util;  // "esearch", "esummary", "elink", "efetch"
    QList<std::pair<QString, QString>> params;
};

// {base}/entrez/eutils/{util}.fcgi?{params}&tool=quillfish[&email=..][&api_key=..]
// with every value percent-encoded (blanks as %20), so that the page
// server's match on the decoded query finds a recorded reply.
QString EutilsAddress(const QString& base, const EutilsRequest& request, const QString& email = {},
                      const QString& apiKey = {});
// The page server's index key of a request: path?decoded-query, without
// email and api_key.
QString EutilsIndexKey(const EutilsRequest& request);

// esearch db=gene: SYMBOL[sym] AND "Mus musculus"[orgn] (or "Homo sapiens"),
// without alive[prop], so that retired genes are seen as such.
EutilsRequest GeneSearch(const QString& symbol, qint64 taxon);
EutilsRequest GeneSummaries(const QList<qint64>& geneIds);  // esummary, version 2.0
// elink gene -> nuccore RefSeq RNA, one id= per gene (one LinkSet each).
EutilsRequest RnaLinks(const QList<qint64>& geneIds);
EutilsRequest AccessionSearch(const QString& accession);   // esearch db=nuccore [accn]
EutilsRequest NuccoreSummaries(const QList<qint64>& ids);  // esummary, version 1
EutilsRequest GenBankRecords(const QList<qint64>& ids);    // efetch gb text

// The grouped requests of a run's gathering (eutilslookup.h): the terms
// joined by OR, 20 hits (genes) or 5 (records) allowed per term, as the
// single searches allow.
EutilsRequest GeneGroupSearch(const QStringList& symbols, qint64 taxon);
EutilsRequest AccessionGroupSearch(const QStringList& accessions);
// Ids per esummary, and per elink or efetch, in a gathering.
inline constexpr int kSummaryBatch = 500;
inline constexpr int kLinkBatch = 200;
inline constexpr int kFetchBatch = 200;
// A request whose parameters are longer than this goes by POST.
inline constexpr int kPostOverChars = 1000;

// Parsed replies; a non-empty error is a service error, and such a reply
// holds nothing else (not what was read before the error).
struct ESearchReply {
    qint64 count = 0;  // the reply's own Count, not a term's in its TranslationStack
    QList<qint64> ids;
    QStringList phrasesNotFound;
    QString error;
};
struct GeneSummary {
    qint64 uid = 0;
    QString name, description, aliases;
    int status = 0;        // 0 live; else secondary or discontinued
    qint64 currentId = 0;  // the gene that replaced this one, 0 when none
    qint64 taxId = 0;
};
struct GeneSummaryReply {
    QList<GeneSummary> genes;
    QString error;
};
struct NuccoreSummary {
    qint64 uid = 0;
    QString caption, title, accessionVersion, status, replacedBy, comment;
    qint64 length = 0;
    qint64 taxId = 0;
};
struct NuccoreSummaryReply {
    QList<NuccoreSummary> records;
    QString error;
};
// One LinkSet: the ids asked about (IdList) and the linked ids.
struct LinkSet {
    QList<qint64> inputs, links;
};
struct ELinkReply {
    QList<LinkSet> sets;
    QString error;
};
struct GenBankRecord {
    QString accessionVersion;  // from VERSION (else ACCESSION)
    QString text;              // LOCUS up to and with "//"
};
struct GenBankReply {
    QList<GenBankRecord> records;
    QString error;
};

ESearchReply ParseESearch(const QByteArray& body);
GeneSummaryReply ParseGeneSummaries(const QByteArray& body);
NuccoreSummaryReply ParseNuccoreSummaries(const QByteArray& body);
// Links of the LinkSetDb named linkName ("": of every LinkSetDb).
ELinkReply ParseELink(const QByteArray& body, const QString& linkName);
GenBankReply ParseGenBank(const QByteArray& body);

// A body that is an HTML page (a proxy's or a server's error page).
bool IsHtmlPage(const QByteArray& body);

// What the hits of a gene search come to. Exact: the name equals the symbol
// (any case) and the taxon is the one asked for; an empty symbol counts
// every hit of the taxon as exact (genes named by a UniGene map).
struct GeneVerdict {
    enum Kind { NotFound, One, Several };
    Kind kind = NotFound;
    QList<GeneSummary> genes;  // One: the gene; Several: the candidates
    bool retired = false;      // NotFound: an exact hit is no longer live
    QList<qint64> replacedBy;  // NotFound: the genes that replaced retired hits
};
// One live exact hit: that gene. Several live exact hits, or none but live
// hits that have the symbol as an alias: those are the candidates. Else not
// found (retired, and replaced by, when the hits say so).
GeneVerdict ClassifyGenes(const QString& symbol, qint64 taxon, const QList<GeneSummary>& hits);

// The RefSeq RNA records in the program's order: NM_, NR_, XM_, XR_, then by
// accession; other records and records no longer live are left out.
QList<NuccoreSummary> OrderTranscripts(QList<NuccoreSummary> records);
// NM_ or NR_: a curated transcript (the mRNA outcome); XM_, XR_ are models.
bool IsCuratedTranscript(const NuccoreSummary& record);

}  // namespace quill
