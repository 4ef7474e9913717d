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
        if (const int got = client_.Get(GeneSearch(symbol, taxon), ParseESearch, &found);
            got != PageLoader::Loaded)
            return Ended(got);
        if (found.ids.isEmpty()) return Done(SearchEngine::kNotFound);
        ids = found.ids;
    }
    GeneSummaryReply hits;
    if (const int got = client_.Get(GeneSummaries(ids), ParseGeneSummaries, &hits);
        got != PageLoader::Loaded)
        return Ended(got);
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
            const int got =
                client_.Get(GeneSummaries(verdict.replacedBy), ParseGeneSummaries, &successors);
            if (got == PageLoader::Canceled) return SearchEngine::kCanceled;
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
    int got = client_.Get(
        RnaLinks(geneIds), [](const QByteArray& body) { return ParseELink(body, kRefSeqRnaLink); },
        &links);
    if (got != PageLoader::Loaded) return Ended(got);
    QHash<qint64, QList<qint64>> linked;
    QList<qint64> all;
    for (const LinkSet& set : links.sets) {
        if (set.inputs.isEmpty()) continue;
        linked[set.inputs.first()] += set.links;
        for (qint64 id : set.links)
            if (!all.contains(id)) all << id;
    }
    QHash<qint64, NuccoreSummary> summaries;
    if (!all.isEmpty()) {
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
    got = client_.Get(request, ParseGenBank, &reply);
    if (got != PageLoader::Loaded) return Ended(got);
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
    int got = client_.Get(AccessionSearch(accession), ParseESearch, &found);
    if (got != PageLoader::Loaded) return Ended(got);
    if (found.ids.isEmpty()) return Done(SearchEngine::kAccessionNotFound);

    NuccoreSummaryReply summaries;
    got = client_.Get(NuccoreSummaries(found.ids), ParseNuccoreSummaries, &summaries);
    if (got != PageLoader::Loaded) return Ended(got);
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
    got = client_.Get(GenBankRecords({record.uid}), ParseGenBank, &gb);
    if (got != PageLoader::Loaded) return Ended(got);
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

std::unique_ptr<TermSource> MakeTermSource(SearchEngine& engine, Module1& module,
                                           const Settings& settings, PageLoader& loader,
                                           const SearchOptions& options, RunView& view) {
    if (settings.Source != Settings::SequenceSource::Eutils) return nullptr;
    return std::make_unique<EutilsLookup>(engine, module, settings, loader, options, view);
}

}  // namespace quill
