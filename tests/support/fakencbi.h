#pragma once
// A stand-in for NCBI's E-utilities behind the page loader: a small gene and
// Nucleotide database that answers every esearch, esummary, elink and efetch
// the E-utilities lookup asks, single or grouped, GET or POST, from the same
// data, so that a run one term at a time and a gathered run see the same
// genes and records. MakeLab builds a list of terms with every outcome.
// Every reply it gives is kept under the page server's key of its request
// (path?decoded query, a POST's body as the query), and WriteFolder writes
// them as a page-server folder: what a replay over the real web access
// needs, once a run has asked the stand-in through a loopback address (so
// that no e-mail or key is in the keys).

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QUrl>
#include <functional>

#include "eutils/eutils.h"
#include "web/pageloader.h"

namespace quill::test {

class FakeNcbi : public PageLoader {
  public:
    struct Gene {
        qint64 uid = 0;
        QString name, aliases;
        int status = 0;
        qint64 current = 0;
        QList<qint64> rna;
    };
    struct Record {
        qint64 uid = 0;
        QString caption;
        int version = 1;
        QString status = QStringLiteral("live"), replacedBy;
        QString AccessionVersion() const { return caption + '.' + QString::number(version); }
    };
    QList<Gene> genes;
    QMap<qint64, Record> records;
    QStringList asked;                              // index keys, in order
    QStringList posted;                             // those that came by POST
    QHash<QString, QStringList> params;             // index key -> its parameters
    std::function<bool(const QString& key)> fails;  // answered 500 after the tries
    QMap<QString, QByteArray> replies;              // index key -> the reply given

    int NavigateAndWait(const QString&) override { return ServerError; }
    QString Markup() const override { return {}; }
    int FetchRaw(const QString& address, const RawFetch& how, RawReply* reply) override {
        const QString query =
            how.postBody.isEmpty() ? address.section('?', 1) : QString::fromLatin1(how.postBody);
        const QString util = address.section('?', 0, 0).section('/', -1).section('.', 0, 0);
        QStringList parts;
        QList<std::pair<QString, QString>> p;
        for (const QString& part : query.split('&')) {
            const QString name = part.section('=', 0, 0);
            const QString value = QUrl::fromPercentEncoding(part.section('=', 1).toLatin1());
            parts << name + '=' + value;
            p.append({name, value});
        }
        const QString key = "/entrez/eutils/" + util + ".fcgi?" + parts.join('&');
        asked << key;
        params.insert(key, parts);
        if (!how.postBody.isEmpty()) posted << key;
        *reply = RawReply();
        if (fails && fails(key)) {
            reply->status = 500;
            reply->failure = {QStringLiteral("500 Internal Server Error"), how.shownAddress};
            return ServerError;
        }
        reply->status = 200;
        // A request asked before gets the reply it got then (the same data).
        const auto given = replies.constFind(key);
        reply->body = given != replies.constEnd() ? given.value() : Answer(util, p).toUtf8();
        replies.insert(key, reply->body);
        return Loaded;
    }

    // The replies given so far as a page-server folder (index.tsv and one
    // file a reply); false when a file cannot be written.
    bool WriteFolder(const QString& dir) const {
        QByteArray index = "# The stand-in NCBI's replies.\n";
        int n = 0;
        for (auto it = replies.begin(); it != replies.end(); ++it) {
            const QString file = QStringLiteral("r%1.%2").arg(++n).arg(
                it.key().contains("/efetch.fcgi?") ? "txt" : "xml");
            QFile out(QDir(dir).filePath(file));
            if (!out.open(QIODevice::WriteOnly) || out.write(it.value()) != it.value().size())
                return false;
            index += (it.key() + '\t' + file + '\n').toUtf8();
        }
        QFile out(QDir(dir).filePath(QStringLiteral("index.tsv")));
        return out.open(QIODevice::WriteOnly) && out.write(index) == index.size();
    }

  private:
    static QString Value(const QList<std::pair<QString, QString>>& p, const QString& name) {
        for (const auto& [n, v] : p)
            if (n == name) return v;
        return {};
    }
    static QList<qint64> Ids(const QString& text) {
        QList<qint64> ids;
        for (const QString& id : text.split(',', Qt::SkipEmptyParts)) ids << id.toLongLong();
        return ids;
    }
    static QStringList Tokens(const QString& term, const QString& field) {
        QStringList out;
        QRegularExpression re("(\"[^\"]+\"|[^\\s()\"]+)\\[" + field + "\\]");
        for (const auto& m : re.globalMatch(term)) out << m.captured(1).remove('"');
        return out;
    }
    static bool Same(const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    }
    const Gene* GeneOf(qint64 uid) const {
        for (const Gene& g : genes)
            if (g.uid == uid) return &g;
        return nullptr;
    }
    QString Answer(const QString& util, const QList<std::pair<QString, QString>>& p) const {
        const QString db = Value(p, "db");
        if (util == "esearch") {
            const QString term = Value(p, "term");
            QList<qint64> ids;
            if (db == "gene") {
                for (const QString& symbol : Tokens(term, "sym"))
                    for (const Gene& g : genes) {
                        const QStringList aliases = g.aliases.split(", ");
                        const bool bears =
                            Same(g.name, symbol) ||
                            std::any_of(aliases.begin(), aliases.end(),
                                        [&](const QString& a) { return Same(a, symbol); });
                        if (bears && !ids.contains(g.uid)) ids << g.uid;
                    }
            } else {
                for (const QString& acc : Tokens(term, "accn"))
                    for (const Record& r : records)
                        if ((acc.contains('.') ? Same(r.AccessionVersion(), acc)
                                               : Same(r.caption, acc) && r.status == "live") &&
                            !ids.contains(r.uid))
                            ids << r.uid;
            }
            std::sort(ids.begin(), ids.end());
            QString x = "<eSearchResult><Count>" + QString::number(ids.size()) + "</Count><IdList>";
            for (qint64 id : ids) x += "<Id>" + QString::number(id) + "</Id>";
            return x + "</IdList></eSearchResult>\n";
        }
        const QList<qint64> ids = util == "elink" ? QList<qint64>() : Ids(Value(p, "id"));
        if (util == "esummary" && db == "gene") {
            QString x = "<eSummaryResult><DocumentSummarySet status=\"OK\">";
            for (qint64 id : ids)
                if (const Gene* g = GeneOf(id))
                    x += QStringLiteral(
                             "<DocumentSummary uid=\"%1\"><Name>%2</Name><Description>"
                             "gene %2</Description><Status>%3</Status><CurrentID>%4"
                             "</CurrentID><OtherAliases>%5</OtherAliases><TaxID>10090"
                             "</TaxID></DocumentSummary>")
                             .arg(g->uid)
                             .arg(g->name)
                             .arg(g->status)
                             .arg(g->current)
                             .arg(g->aliases);
            return x + "</DocumentSummarySet></eSummaryResult>\n";
        }
        if (util == "esummary") {
            QString x = "<eSummaryResult>";
            for (qint64 id : ids)
                if (records.contains(id)) {
                    const Record& r = records[id];
                    x += QStringLiteral(
                             "<DocSum><Id>%1</Id><Item Name=\"Caption\">%2</Item>"
                             "<Item Name=\"Title\">record %2</Item><Item "
                             "Name=\"Status\">%3</Item><Item Name=\"ReplacedBy\">%4"
                             "</Item><Item Name=\"AccessionVersion\">%5</Item>"
                             "<Item Name=\"TaxId\">10090</Item></DocSum>")
                             .arg(r.uid)
                             .arg(r.caption, r.status, r.replacedBy, r.AccessionVersion());
                }
            return x + "</eSummaryResult>\n";
        }
        if (util == "elink") {
            QString x = "<eLinkResult>";
            for (const auto& [n, v] : p) {
                if (n != "id") continue;
                const Gene* g = GeneOf(v.toLongLong());
                x += "<LinkSet><DbFrom>gene</DbFrom><IdList><Id>" + v + "</Id></IdList>";
                if (g && !g->rna.isEmpty()) {
                    x += "<LinkSetDb><DbTo>nuccore</DbTo><LinkName>" + kRefSeqRnaLink +
                         "</LinkName>";
                    for (qint64 id : g->rna)
                        x += "<Link><Id>" + QString::number(id) + "</Id></Link>";
                    x += "</LinkSetDb>";
                }
                x += "</LinkSet>";
            }
            return x + "</eLinkResult>\n";
        }
        QString text;  // efetch: the records one after another
        for (qint64 id : ids) {
            if (!records.contains(id)) continue;
            const Record& r = records[id];
            QString bases;
            for (qint64 k = r.uid * 7 + 3; bases.size() < 30; k = k * 5 % 9973)
                bases += "acgt"[k % 4];
            text += "LOCUS       " + r.caption + "   30 bp    mRNA\nDEFINITION  record " +
                    r.caption + ".\nACCESSION   " + r.caption + "\nVERSION     " +
                    r.AccessionVersion() + "\nORIGIN      \n        1 " + bases + "\n//\n";
        }
        return text;
    }
};

// n gene terms (and n / 4 accession terms) with every outcome, one per
// term in turn: an mRNA (NM_ and XM_), two NM_, only models, no RNA, not
// found, retired and replaced, retired, only an alias of two genes, NR_
// only, a repeated term, a UniGene id; accessions found, replaced (old
// version), not found.
inline void MakeLab(FakeNcbi& ncbi, int n, QStringList* terms, QStringList* accessions) {
    qint64 next = 500000;
    auto record = [&](const QString& prefix, qint64 i, int version = 1) {
        FakeNcbi::Record r;
        r.uid = ++next;
        r.caption = prefix + QString::number(100000 + i);
        r.version = version;
        ncbi.records.insert(r.uid, r);
        return r.uid;
    };
    for (int i = 0; i < n; ++i) {
        const QString name = "Gn" + QString::number(i);
        FakeNcbi::Gene g;
        g.uid = 10000 + i;
        g.name = name;
        g.aliases = "Other" + QString::number(i);
        QString term = name;
        switch (i % 11) {
            case 0:
                g.rna = {record("XM_", i), record("NM_", i)};
                break;
            case 1:
                g.rna = {record("NM_", i), record("NM_", i + n)};
                break;
            case 2:
                g.rna = {record("XM_", i), record("XR_", i)};
                break;
            case 3:
                break;
            case 4:
                term = "Nothere" + QString::number(i);
                break;
            case 5: {
                g.status = 1;
                g.current = 20000 + i;
                FakeNcbi::Gene s;
                s.uid = g.current;
                s.name = "Succ" + QString::number(i);
                ncbi.genes << s;
                break;
            }
            case 6:
                g.status = 2;
                break;
            case 7: {
                term = "Shared" + QString::number(i);
                g.aliases = term;
                g.rna = {record("NM_", i)};
                FakeNcbi::Gene h;
                h.uid = 30000 + i;
                h.name = "Twin" + QString::number(i);
                h.aliases = "X, " + term;
                h.rna = {record("XM_", i)};
                ncbi.genes << h;
                break;
            }
            case 8:
                g.rna = {record("NR_", i)};
                break;
            case 9:
                term = terms->isEmpty() ? name : terms->last();
                break;
            case 10:
                term = "Mm." + QString::number(i);
                break;
        }
        ncbi.genes << g;
        *terms << term;
    }
    for (int i = 0; i < n / 4; ++i) {
        const qint64 uid = record("NM_", 900000 + i, 2);
        if (i % 4 == 1) {  // its first version, replaced
            const qint64 old = record("NM_", 900000 + i, 1);
            ncbi.records[old].status = "replaced";
            ncbi.records[old].replacedBy = ncbi.records[uid].AccessionVersion();
            *accessions << ncbi.records[old].AccessionVersion();
        } else if (i % 4 == 2) {
            *accessions << "AB" + QString::number(900000 + i);
        } else {
            *accessions << (i % 4 ? ncbi.records[uid].caption
                                  : ncbi.records[uid].AccessionVersion());
        }
    }
}

}  // namespace quill::test
