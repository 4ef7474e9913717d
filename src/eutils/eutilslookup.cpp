#include "eutils/eutilslookup.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "text/textrules.h"

namespace quill {

namespace {

constexpr int kOk = 0;

const QString kUniGeneRetired =
    QStringLiteral("UniGene was retired in 2019; search by gene symbol or accession");

// A term as it goes into a query: one line, no quotes or brackets of its
// own, quoted when it has blanks.
QString QueryTerm(const QString& term) {
    QString t = term.simplified();
    t.remove(QLatin1Char('"')).remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    return t.contains(QLatin1Char(' ')) ? QLatin1Char('"') + t + QLatin1Char('"') : t;
}

QString AccessionOf(const NuccoreSummary& r) {
    return r.accessionVersion.isEmpty() ? r.caption : r.accessionVersion;
}

bool IsRecordOf(const GenBankRecord& record, const NuccoreSummary& summary) {
    return record.accessionVersion == summary.accessionVersion ||
           record.accessionVersion.section(QLatin1Char('.'), 0, 0) == summary.caption;
}

}  // namespace

EutilsLookup::EutilsLookup(SearchEngine& engine, Module1& module, const Settings& settings,
                           PageLoader& loader, const SearchOptions& options, RunView& view)
    : engine_(engine),
      m_(module),
      settings_(settings),
      options_(options),
      view_(view),
      client_(settings, loader, [&view](const QString& text) { view.PageProblem(text); }) {}

int EutilsLookup::Ended(int got) {
    return got == PageLoader::Canceled ? SearchEngine::kCanceled : Done(SearchEngine::kNcbiError);
}

int EutilsLookup::Done(int outcome) {
    view_.AddProgress(outcome == SearchEngine::kSeveralClusters ? step_ / 4 : step_);
    return outcome;
}

// ---------------------------------------------------------------------------
// Terms of the sequence search

int EutilsLookup::LookUpTerm(const QString& term) {
    reason_.clear();
    genes_.clear();
    step_ = m_.ProgressStep;
    const bool mouse = options_.Current().species == SearchPolicy::Species::Mouse;
    engine_.Results().OrgCode = mouse ? QStringLiteral("Mm") : QStringLiteral("Hs");
    qint64 taxon = mouse ? kMouseTaxon : kHumanTaxon;
    QString symbol;
    QList<qint64> ids;

    static const QRegularExpression kCluster(QStringLiteral("^(mm|hs)\\.(\\d+)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch cluster = kCluster.match(term.trimmed());
    if (cluster.hasMatch()) {
        const bool mm = cluster.captured(1).toLower() == QLatin1String("mm");
        taxon = mm ? kMouseTaxon : kHumanTaxon;
        ids = UniGeneGenes(
            (mm ? QStringLiteral("Mm.") : QStringLiteral("Hs.")) + cluster.captured(2), &reason_);
        if (ids.isEmpty()) {
            reason_ = kUniGeneRetired + reason_;
            return Done(SearchEngine::kNotFound);
        }
        reason_.clear();
    } else {
        symbol = QueryTerm(StripColons(term));
        if (symbol.isEmpty()) return Done(SearchEngine::kNotFound);
        ESearchReply found;
        if (const auto it = gathered_.termIds.constFind(symbol.toLower());
            it != gathered_.termIds.constEnd())
            found.ids = *it;
        else if (const int got = client_.Get(GeneSearch(symbol, taxon), ParseESearch, &found);
                 got != PageLoader::Loaded)
            return Ended(got);
        if (found.ids.isEmpty()) return Done(SearchEngine::kNotFound);
        ids = found.ids;
    }
    GeneSummaryReply hits;
    if (AllIn(ids, gathered_.genes)) {
        for (qint64 id : ids) hits.genes << gathered_.genes.value(id);
    } else if (const int got = client_.Get(GeneSummaries(ids), ParseGeneSummaries, &hits);
               got != PageLoader::Loaded) {
        return Ended(got);
    }
    symbol.remove(QLatin1Char('"'));
    return GeneTerm(hits.genes, symbol, taxon, term);
}

int EutilsLookup::GeneTerm(const QList<GeneSummary>& hits, const QString& symbol, qint64 taxon,
                           const QString& term) {
    const GeneVerdict verdict = ClassifyGenes(symbol, taxon, hits);
    if (verdict.kind == GeneVerdict::NotFound) {
        if (!verdict.replacedBy.isEmpty()) {
            // The successors' symbols, when NCBI gives them (this request
            // stays within the term's budget); else their ids alone.
            GeneSummaryReply successors;
            if (AllIn(verdict.replacedBy, gathered_.genes)) {
                for (qint64 id : verdict.replacedBy) successors.genes << gathered_.genes.value(id);
            } else if (client_.Get(GeneSummaries(verdict.replacedBy), ParseGeneSummaries,
                                   &successors) == PageLoader::Canceled) {
                return SearchEngine::kCanceled;
            }
            QStringList named;
            for (qint64 id : verdict.replacedBy) {
                QString name;
                for (const GeneSummary& g : successors.genes)
                    if (g.uid == id) name = g.name;
                named << QStringLiteral("GeneID ") + QString::number(id) +
                             (name.isEmpty() ? QString() : QStringLiteral(" (") + name + ')');
            }
            reason_ = QStringLiteral("replaced by ") + named.join(QStringLiteral(", "));
        } else if (verdict.retired) {
            reason_ = QStringLiteral("retired");
        }
        return Done(SearchEngine::kNotFound);
    }
    const bool one = verdict.kind == GeneVerdict::One;
    if (const int r = Transcripts(verdict.genes, one ? term : QString()); r != kOk) return r;
    if (one) return Done(Apply(genes_.first()));
    // Several candidates: the run lists those with transcripts and takes
    // them one by one (LookUpCandidate).
    genes_.removeIf([](const GeneOutcome& g) { return !g.hasTranscripts; });
    return Done(SearchEngine::kSeveralClusters);
}

QStringList EutilsLookup::Candidates() {
    QStringList labels;
    for (const GeneOutcome& g : genes_) labels << g.label;
    return labels;
}

int EutilsLookup::LookUpCandidate(int index) {
    view_.AddProgress(m_.ProgressStep);
    return Apply(genes_.at(index));
}

int EutilsLookup::Apply(const GeneOutcome& gene) {
    SearchResults& results = engine_.Results();
    switch (gene.outcome) {
        case SearchEngine::kMrnaFound:
            m_.ChosenAccession = gene.accession;
            m_.SequenceText = gene.sequence;
            break;
        case SearchEngine::kModelFound:
            results.ModelSequences = QStringList{Num(gene.models.size())} + gene.modelBlocks;
            results.ModelNames.clear();
            for (const NuccoreSummary& model : gene.models)
                results.ModelNames << AccessionOf(model);
            break;
        default:
            m_.SequenceText.clear();
            break;
    }
    return gene.outcome;
}

// The genes' RefSeq RNA: one elink for all of them, one esummary for all
// their records, the choices, then one efetch for every record taken.
int EutilsLookup::Transcripts(const QList<GeneSummary>& genes, const QString& single) {
    QList<qint64> geneIds;
    for (const GeneSummary& g : genes) geneIds << g.uid;
    ELinkReply links;
    int got = PageLoader::Loaded;
    if (AllIn(geneIds, gathered_.links)) {
        for (qint64 id : geneIds) links.sets << LinkSet{{id}, gathered_.links.value(id)};
    } else {
        got = client_.Get(
            RnaLinks(geneIds),
            [](const QByteArray& body) { return ParseELink(body, kRefSeqRnaLink); }, &links);
        if (got != PageLoader::Loaded) return Ended(got);
    }
    QHash<qint64, QList<qint64>> linked;
    QList<qint64> all;
    for (const LinkSet& set : links.sets) {
        if (set.inputs.isEmpty()) continue;
        linked[set.inputs.first()] += set.links;
        for (qint64 id : set.links)
            if (!all.contains(id)) all << id;
    }
    QHash<qint64, NuccoreSummary> summaries;
    if (AllIn(all, gathered_.records)) {
        for (qint64 id : all) summaries.insert(id, gathered_.records.value(id));
    } else {
        NuccoreSummaryReply reply;
        got = client_.Get(NuccoreSummaries(all), ParseNuccoreSummaries, &reply);
        if (got != PageLoader::Loaded) return Ended(got);
        for (const NuccoreSummary& s : reply.records) summaries.insert(s.uid, s);
    }

    const SearchPolicy policy = options_.Current();
    QList<qint64> fetch;
    for (const GeneSummary& g : genes) {
        GeneOutcome gene;
        gene.label = (QStringLiteral("GeneID:") + QString::number(g.uid) + ' ' + g.name + ' ' +
                      g.description)
                         .trimmed();
        QList<NuccoreSummary> records;
        for (qint64 id : linked.value(g.uid))
            if (summaries.contains(id)) records << summaries.value(id);
        records = OrderTranscripts(records);
        gene.hasTranscripts = !records.isEmpty();
        if (gene.hasTranscripts && IsCuratedTranscript(records.first())) {
            ChoiceTable table;
            table.kind = ChoiceTable::Kind::Mrna;
            table.prompt = QStringLiteral("There are ") + Num(records.size()) +
                           QStringLiteral(" mRNA sequence(s) to choose from for ") +
                           (single.isEmpty() ? gene.label : single) +
                           QStringLiteral(".  Which one do you want?");
            for (const NuccoreSummary& r : records)
                table.rows << ChoiceRow{client_.Shown(GenBankRecords({r.uid})), AccessionOf(r),
                                        r.title};
            if (!engine_.Choose(table, policy, SearchEngine::AutoPick::FirstNmThenXm))
                return SearchEngine::kCanceled;
            for (int k = 0; k < table.rows.size(); ++k) {
                if (table.rows.at(k).url != m_.ChosenUrl) continue;
                gene.outcome = SearchEngine::kMrnaFound;
                gene.pickedUid = records.at(k).uid;
                gene.accession = m_.ChosenAccession;
                if (!fetch.contains(gene.pickedUid)) fetch << gene.pickedUid;
            }
        } else if (gene.hasTranscripts) {
            gene.outcome = SearchEngine::kModelFound;
            gene.models = records.mid(0, kMaxModels);
            for (const NuccoreSummary& r : gene.models)
                if (!fetch.contains(r.uid)) fetch << r.uid;
        }
        genes_ << gene;
    }
    if (fetch.isEmpty()) return kOk;

    const EutilsRequest request = GenBankRecords(fetch);
    GenBankReply reply;
    if (AllIn(fetch, gathered_.texts)) {
        for (qint64 id : fetch)
            reply.records << GenBankRecord{summaries.value(id).accessionVersion,
                                           gathered_.texts.value(id)};
    } else if (got = client_.Get(request, ParseGenBank, &reply); got != PageLoader::Loaded) {
        return Ended(got);
    }
    // The record of a summary; nullopt (a service error) when the reply
    // lacks it.
    auto textOf = [&reply](const NuccoreSummary& s) -> std::optional<QString> {
        for (const GenBankRecord& record : reply.records)
            if (IsRecordOf(record, s)) return record.text;
        return std::nullopt;
    };
    for (GeneOutcome& gene : genes_) {
        QList<NuccoreSummary> wanted = gene.models;
        if (gene.outcome == SearchEngine::kMrnaFound) wanted = {summaries.value(gene.pickedUid)};
        for (const NuccoreSummary& s : wanted) {
            const std::optional<QString> text = textOf(s);
            if (!text)
                return Ended(client_.Fail(
                    request, QStringLiteral("the reply lacks the record of ") + AccessionOf(s)));
            const std::optional<QString> block = SearchEngine::CutSequenceBlock(*text);
            if (gene.outcome == SearchEngine::kModelFound) {
                gene.modelBlocks << block.value_or(QString());
            } else if (block) {
                gene.sequence = *block;
            } else {
                // A record without a sequence: the gene is not reported as
                // having one.
                gene.outcome = SearchEngine::kClusterOnly;
            }
        }
    }
    return kOk;
}

QList<qint64> EutilsLookup::UniGeneGenes(const QString& cluster, QString* problem) {
    if (settings_.UniGeneMapFile.isEmpty()) return {};
    if (!mapRead_) {
        mapRead_ = true;
        QFile file(settings_.UniGeneMapFile);
        if (!file.open(QIODevice::ReadOnly)) {
            mapProblem_ = QStringLiteral(" (the UniGene map %1 cannot be read)")
                              .arg(QDir::toNativeSeparators(settings_.UniGeneMapFile));
        }
        while (!file.atEnd()) {
            const QList<QByteArray> cols = file.readLine().trimmed().split('\t');
            bool ok = false;
            const qint64 gene = cols.first().toLongLong(&ok);
            if (ok && cols.size() >= 2) unigeneMap_[QString::fromLatin1(cols.at(1))] << gene;
        }
    }
    *problem = mapProblem_;
    return unigeneMap_.value(cluster);
}

// ---------------------------------------------------------------------------
// Accessions

int EutilsLookup::LookUpAccession(const QString& term) {
    reason_.clear();
    step_ = m_.ProgressStep;
    const QString accession = QueryTerm(term);
    if (accession.isEmpty()) return Done(SearchEngine::kAccessionNotFound);
    ESearchReply found;
    int got = PageLoader::Loaded;
    if (const auto it = gathered_.termIds.constFind(accession.toLower());
        it != gathered_.termIds.constEnd())
        found.ids = *it;
    else if (got = client_.Get(AccessionSearch(accession), ParseESearch, &found);
             got != PageLoader::Loaded)
        return Ended(got);
    if (found.ids.isEmpty()) return Done(SearchEngine::kAccessionNotFound);

    NuccoreSummaryReply summaries;
    if (AllIn(found.ids, gathered_.records)) {
        for (qint64 id : found.ids) summaries.records << gathered_.records.value(id);
    } else if (got = client_.Get(NuccoreSummaries(found.ids), ParseNuccoreSummaries, &summaries);
               got != PageLoader::Loaded) {
        return Ended(got);
    }
    if (summaries.records.isEmpty()) return Done(SearchEngine::kAccessionNotFound);
    // The record of that accession (and version, when given); else the first.
    NuccoreSummary record = summaries.records.first();
    for (const NuccoreSummary& s : summaries.records) {
        if (s.accessionVersion.compare(accession, Qt::CaseInsensitive) == 0 ||
            s.caption.compare(accession, Qt::CaseInsensitive) == 0) {
            record = s;
            break;
        }
    }
    if (!record.status.isEmpty() &&
        record.status.compare(QLatin1String("live"), Qt::CaseInsensitive)) {
        reason_ = record.replacedBy.isEmpty() ? record.status + QStringLiteral(" record")
                                              : QStringLiteral("replaced by ") + record.replacedBy;
        return Done(SearchEngine::kAccessionNotFound);
    }

    GenBankReply gb;
    if (gathered_.texts.contains(record.uid)) {
        gb.records << GenBankRecord{record.accessionVersion, gathered_.texts.value(record.uid)};
    } else if (got = client_.Get(GenBankRecords({record.uid}), ParseGenBank, &gb);
               got != PageLoader::Loaded) {
        return Ended(got);
    }
    std::optional<QString> block;
    for (const GenBankRecord& r : gb.records)
        if (IsRecordOf(r, record) || gb.records.size() == 1)
            block = SearchEngine::CutSequenceBlock(r.text);
    if (!block) {
        reason_ = QStringLiteral("the record has no sequence");
        return Done(SearchEngine::kAccessionNotFound);
    }
    m_.SequenceText = *block;
    return Done(SearchEngine::kAccessionFound);
}

// ---------------------------------------------------------------------------
// Gathering

namespace {

int Batches(qsizetype n, int per) {
    return static_cast<int>((n + per - 1) / per);
}

bool SameText(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The gene has the symbol as its name or one of its aliases.
bool Bears(const GeneSummary& g, const QString& symbol) {
    if (SameText(g.name, symbol)) return true;
    const QStringList aliases = g.aliases.split(QLatin1Char(','));
    return std::any_of(aliases.begin(), aliases.end(),
                       [&symbol](const QString& a) { return SameText(a.trimmed(), symbol); });
}

// The record an accession term names: accession.version, or without a
// version the live record of the accession (else any of it).
bool Names(const NuccoreSummary& r, const QString& accession, bool anyStatus) {
    if (accession.contains(QLatin1Char('.'))) return SameText(r.accessionVersion, accession);
    return SameText(r.caption, accession) &&
           (anyStatus || r.status.isEmpty() || SameText(r.status, QStringLiteral("live")));
}

template <class T>
QList<QList<T>> Chunks(const QList<T>& all, int per) {
    QList<QList<T>> chunks;
    for (qsizetype i = 0; i < all.size(); i += per) chunks << all.mid(i, per);
    return chunks;
}

void AddOnce(QList<qint64>& to, qint64 id) {
    if (!to.contains(id)) to << id;
}

}  // namespace

template <class T>
bool EutilsLookup::AllIn(const QList<qint64>& ids, const QHash<qint64, T>& hash) {
    return std::all_of(ids.begin(), ids.end(), [&hash](qint64 id) { return hash.contains(id); });
}

template <class Reply, class Parse>
int EutilsLookup::Ask(const EutilsRequest& request, Parse parse, Reply* reply) {
    planned_ = qMax(planned_, ++asked_);
    view_.SetStatusLine(gathering_ + QStringLiteral(": request ") + Num(asked_) +
                        QStringLiteral(" of ") + Num(planned_));
    return client_.Get(request, parse, reply);
}

int EutilsLookup::Gather(const QStringList& terms, bool accessions) {
    if (!settings_.EutilsBatch || terms.isEmpty()) return kOk;
    asked_ = planned_ = 0;
    gathering_ = QStringLiteral("Looking up ") + Num(terms.size()) +
                 (accessions ? QStringLiteral(" accessions") : QStringLiteral(" genes")) +
                 QStringLiteral(" at NCBI");
    const int r = accessions ? GatherAccessions(terms) : GatherGenes(terms);
    return r == PageLoader::Canceled ? SearchEngine::kCanceled : kOk;
}

// A failed request leaves its ids out of gathered_: their terms are looked
// up one by one in the walk. Returns Canceled or Loaded.
int EutilsLookup::GatherSummaries(const QList<qint64>& ids, bool genes) {
    for (const QList<qint64>& chunk : Chunks(ids, kSummaryBatch)) {
        if (genes) {
            GeneSummaryReply r;
            if (Ask(GeneSummaries(chunk), ParseGeneSummaries, &r) == PageLoader::Canceled)
                return PageLoader::Canceled;
            for (const GeneSummary& g : r.genes) gathered_.genes.insert(g.uid, g);
        } else {
            NuccoreSummaryReply r;
            if (Ask(NuccoreSummaries(chunk), ParseNuccoreSummaries, &r) == PageLoader::Canceled)
                return PageLoader::Canceled;
            for (const NuccoreSummary& s : r.records) gathered_.records.insert(s.uid, s);
        }
    }
    return PageLoader::Loaded;
}

// The merged GenBank text split back per record by its accession.version.
int EutilsLookup::GatherTexts(const QList<qint64>& ids) {
    for (const QList<qint64>& chunk : Chunks(ids, kFetchBatch)) {
        GenBankReply r;
        if (Ask(GenBankRecords(chunk), ParseGenBank, &r) == PageLoader::Canceled)
            return PageLoader::Canceled;
        for (qint64 id : chunk) {
            for (const GenBankRecord& record : r.records)
                if (IsRecordOf(record, gathered_.records.value(id)))
                    gathered_.texts.insert(id, record.text);
        }
    }
    return PageLoader::Loaded;
}

int EutilsLookup::GatherGenes(const QStringList& terms) {
    const qint64 taxon =
        options_.Current().species == SearchPolicy::Species::Mouse ? kMouseTaxon : kHumanTaxon;
    static const QRegularExpression kCluster(QStringLiteral("^(mm|hs)\\.(\\d+)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    QStringList symbols, seen;
    QList<std::pair<qint64, QList<qint64>>> clusters;  // taxon, genes
    QList<qint64> ids;
    for (const QString& term : terms) {
        const QRegularExpressionMatch cluster = kCluster.match(term.trimmed());
        if (cluster.hasMatch()) {
            const bool mm = cluster.captured(1).toLower() == QLatin1String("mm");
            QString problem;
            const QList<qint64> genes = UniGeneGenes(
                (mm ? QStringLiteral("Mm.") : QStringLiteral("Hs.")) + cluster.captured(2),
                &problem);
            clusters.append({mm ? kMouseTaxon : kHumanTaxon, genes});
            for (qint64 id : genes) AddOnce(ids, id);
            continue;
        }
        const QString symbol = QueryTerm(StripColons(term));
        if (symbol.isEmpty() || seen.contains(symbol.toLower())) continue;
        seen << symbol.toLower();
        symbols << symbol;
    }
    const int n = static_cast<int>(symbols.size() + clusters.size());
    planned_ = Batches(symbols.size(), kGroupTerms) + Batches(n, kSummaryBatch) +
               2 * Batches(n, kLinkBatch) + Batches(3 * n, kSummaryBatch);

    QList<std::pair<QStringList, QList<qint64>>> groups;
    for (const QStringList& group : Chunks(symbols, kGroupTerms)) {
        ESearchReply found;
        const int got = Ask(GeneGroupSearch(group, taxon), ParseESearch, &found);
        if (got == PageLoader::Canceled) return got;
        // A group without any hit is left to the single searches too: a
        // server that answers every search it does not know with no hits
        // (the bundled sample set) would else find nothing.
        if (got != PageLoader::Loaded || found.ids.isEmpty()) continue;
        groups.append({group, found.ids});
        for (qint64 id : found.ids) AddOnce(ids, id);
    }
    if (GatherSummaries(ids, true) == PageLoader::Canceled) return PageLoader::Canceled;

    // Each term's hits, judged as its own search's would be.
    QList<qint64> chosen, successors;
    const auto judge = [&](const QString& symbol, qint64 tax, const QList<qint64>& hitIds) {
        QList<GeneSummary> hits;
        for (qint64 id : hitIds) hits << gathered_.genes.value(id);
        const GeneVerdict v = ClassifyGenes(symbol, tax, hits);
        for (const GeneSummary& g : v.genes) AddOnce(chosen, g.uid);
        for (qint64 id : v.replacedBy)
            if (!gathered_.genes.contains(id)) AddOnce(successors, id);
    };
    for (const auto& [group, found] : groups) {
        if (!AllIn(found, gathered_.genes)) continue;
        for (const QString& symbol : group) {
            QString bare = symbol;
            bare.remove(QLatin1Char('"'));
            QList<qint64> hitIds;
            for (qint64 id : found)
                if (Bears(gathered_.genes.value(id), bare)) hitIds << id;
            gathered_.termIds.insert(symbol.toLower(), hitIds);
            judge(bare, taxon, hitIds);
        }
    }
    for (const auto& [tax, genes] : clusters)
        if (!genes.isEmpty() && AllIn(genes, gathered_.genes)) judge(QString(), tax, genes);
    if (GatherSummaries(successors, true) == PageLoader::Canceled) return PageLoader::Canceled;
    return GatherTranscripts(chosen);
}

int EutilsLookup::GatherTranscripts(const QList<qint64>& geneIds) {
    planned_ = asked_ + Batches(geneIds.size(), kLinkBatch) +
               Batches(3 * geneIds.size(), kSummaryBatch) + Batches(geneIds.size(), kFetchBatch);
    QList<qint64> records;
    for (const QList<qint64>& chunk : Chunks(geneIds, kLinkBatch)) {
        ELinkReply r;
        const int got = Ask(
            RnaLinks(chunk),
            [](const QByteArray& body) { return ParseELink(body, kRefSeqRnaLink); }, &r);
        if (got == PageLoader::Canceled) return got;
        if (got != PageLoader::Loaded) continue;
        for (qint64 id : chunk) gathered_.links.insert(id, {});
        for (const LinkSet& set : r.sets) {
            if (set.inputs.isEmpty() || !gathered_.links.contains(set.inputs.first())) continue;
            gathered_.links[set.inputs.first()] += set.links;
            for (qint64 id : set.links) AddOnce(records, id);
        }
    }
    planned_ =
        asked_ + Batches(records.size(), kSummaryBatch) + Batches(geneIds.size(), kFetchBatch);
    if (GatherSummaries(records, false) == PageLoader::Canceled) return PageLoader::Canceled;

    // The records the walk takes without asking: a gene's models, or the
    // mRNA the automatic rule picks (a dialog's other pick is asked then).
    const SearchPolicy policy = options_.Current();
    QList<qint64> fetch;
    for (qint64 gene : geneIds) {
        const QList<qint64> linked = gathered_.links.value(gene);
        if (!AllIn(linked, gathered_.records)) continue;
        QList<NuccoreSummary> ordered;
        for (qint64 id : linked) ordered << gathered_.records.value(id);
        ordered = OrderTranscripts(ordered);
        if (ordered.isEmpty()) continue;
        if (!IsCuratedTranscript(ordered.first())) {
            for (const NuccoreSummary& r : ordered.mid(0, kMaxModels)) AddOnce(fetch, r.uid);
            continue;
        }
        qint64 pick = 0;
        for (const QLatin1String prefix : {QLatin1String("nm_"), QLatin1String("xm_")})
            for (const NuccoreSummary& r : ordered)
                if (policy.optAuto && !pick && AccessionOf(r).left(3).toLower() == prefix)
                    pick = r.uid;
        if (!pick && policy.optAutoOne && ordered.size() == 1) pick = ordered.first().uid;
        if (pick) AddOnce(fetch, pick);
    }
    planned_ = asked_ + Batches(fetch.size(), kFetchBatch);
    return GatherTexts(fetch);
}

int EutilsLookup::GatherAccessions(const QStringList& terms) {
    QStringList accessions, seen;
    for (const QString& term : terms) {
        const QString accession = QueryTerm(term);
        if (accession.isEmpty() || seen.contains(accession.toLower())) continue;
        seen << accession.toLower();
        accessions << accession;
    }
    const auto n = accessions.size();
    planned_ = Batches(n, kGroupTerms) + Batches(n, kSummaryBatch) + Batches(n, kFetchBatch);
    QList<std::pair<QStringList, QList<qint64>>> groups;
    QList<qint64> ids;
    for (const QStringList& group : Chunks(accessions, kGroupTerms)) {
        ESearchReply found;
        const int got = Ask(AccessionGroupSearch(group), ParseESearch, &found);
        if (got == PageLoader::Canceled) return got;
        // A group without any hit is left to the single searches too: a
        // server that answers every search it does not know with no hits
        // (the bundled sample set) would else find nothing.
        if (got != PageLoader::Loaded || found.ids.isEmpty()) continue;
        groups.append({group, found.ids});
        for (qint64 id : found.ids) AddOnce(ids, id);
    }
    if (GatherSummaries(ids, false) == PageLoader::Canceled) return PageLoader::Canceled;
    QList<qint64> fetch;
    for (const auto& [group, found] : groups) {
        if (!AllIn(found, gathered_.records)) continue;
        for (const QString& accession : group) {
            QList<qint64> hits;
            for (const bool anyStatus : {false, true}) {
                for (qint64 id : found)
                    if (hits.isEmpty() && Names(gathered_.records.value(id), accession, anyStatus))
                        hits << id;
            }
            gathered_.termIds.insert(accession.toLower(), hits);
            if (hits.isEmpty()) continue;
            const NuccoreSummary& record = gathered_.records[hits.first()];
            if (record.status.isEmpty() || SameText(record.status, QStringLiteral("live")))
                AddOnce(fetch, record.uid);
        }
    }
    planned_ = asked_ + Batches(fetch.size(), kFetchBatch);
    return GatherTexts(fetch);
}

std::unique_ptr<TermSource> MakeTermSource(SearchEngine& engine, Module1& module,
                                           const Settings& settings, PageLoader& loader,
                                           const SearchOptions& options, RunView& view) {
    if (settings.Source != Settings::SequenceSource::Eutils) return nullptr;
    return std::make_unique<EutilsLookup>(engine, module, settings, loader, options, view);
}

}  // namespace quill
