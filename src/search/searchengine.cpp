#include "search/searchengine.h"

#include "eutils/eutilslookup.h"
#include "search/searchreport.h"
#include "text/textrules.h"
#include "web/webpageloader.h"

namespace quill {

namespace {

const QString kQuote = QStringLiteral("\"");
const QString kFirstSequenceLine = QStringLiteral("        1 ");

// The integer a piece of page text reads as (leading-number rule), or -1 when
// it is no usable count.
int CountFrom(const std::optional<QString>& text) {
    if (!text) return -1;
    const std::optional<qint32> n = ToInt32(Val(*text));
    return n ? *n : -1;
}

// Past 1000 terms a term's share of the bar rounds to 0: the bar then moves
// by whole terms, so that it ends full after term i (0-based) of n.
int WholeTermUnits(int i, int n) {
    return static_cast<int>(1000LL * (i + 1) / n - 1000LL * i / n);
}

}  // namespace

SearchEngine::SearchEngine(Module1& module, const Settings& settings, PageLoader& loader,
                           const SearchOptions& options, Chooser& chooser, RunView& view)
    : m_(module),
      settings_(settings),
      loader_(loader),
      options_(options),
      chooser_(chooser),
      view_(view) {}

SearchEngine::~SearchEngine() = default;

// ---------------------------------------------------------------------------
// Runs

void SearchEngine::BeginUniGeneRun() {
    results_.lstmRNA.clear();
    results_.lstModel.clear();
    results_.lstEST.clear();
    results_.lstNotFound.clear();
    results_.lstWatchOut.clear();
    results_.lstIsCluster.clear();
    results_.lstMMs.clear();
    results_.lstModelM.clear();
    results_.lstmRNAM.clear();
    results_.lstESTM.clear();
    results_.lstNcbiError.clear();
    results_.lstNcbiErrorM.clear();
    m_.PageHtml.clear();
    m_.ChosenAccession.clear();
    m_.ChosenUrl.clear();
    source_ = MakeTermSource(*this, m_, settings_, loader_, options_, view_);
}

void SearchEngine::BeginAccessionRun() {
    results_.lstModel.clear();
    results_.lstNotFound.clear();
    results_.lstNcbiError.clear();
    results_.lstNcbiErrorM.clear();
    m_.PageHtml.clear();
    source_ = MakeTermSource(*this, m_, settings_, loader_, options_, view_);
}

int SearchEngine::FromSource(int outcome) {
    if (outcome == kNcbiError) failure_ = source_->LastFailure();
    return outcome;
}

QString SearchEngine::WithReason(const QString& term) const {
    const QString reason = source_ ? source_->NotFoundReason() : QString();
    return reason.isEmpty() ? term : term + QStringLiteral(" (") + reason + QStringLiteral(")");
}

void SearchEngine::EnterRunning(const QStringList& terms) {
    view_.EnterRunning();
    m_.CancelSearch = false;
    m_.TermCount = static_cast<int>(terms.size());
    m_.ProgressStep = m_.TermCount > 0 ? 1000 / m_.TermCount : 0;
    view_.SetStatusLine(QString());
    results_.CdnaLines = QStringList{QStringLiteral("cDNA results for ") + FixedDateTime(Now())};
}

void SearchEngine::ShowTermStatus(int i) {
    view_.SetStatusLine(Num(i) + QStringLiteral("/") + Num(m_.TermCount) +
                        QStringLiteral(" complete.  Current search term: ") + m_.CurrentTerm);
}

bool SearchEngine::RunUniGene(const QStringList& terms) {
    EnterRunning(terms);
    if (source_ && source_->Gather(terms, false) == kCanceled) {
        view_.EndCanceled();
        return false;
    }
    for (int i = 0; i < m_.TermCount; ++i) {
        m_.CurrentTerm = terms.at(i);
        const QString term = m_.CurrentTerm;
        ShowTermStatus(i);
        const SearchPolicy policy = options_.Current();
        const QString query =
            term + (policy.species == SearchPolicy::Species::Mouse ? QStringLiteral(" mouse")
                                                                   : QStringLiteral(" homo"));
        const int outcome = source_ ? FromSource(source_->LookUpTerm(term)) : LookUpTerm(query);
        switch (outcome) {
            case kCanceled:
                view_.EndCanceled();
                return false;
            case kNotFound:
                results_.lstNotFound.add(WithReason(term));
                break;
            case kModelFound:
                AppendModels(QStringLiteral("> ") + term + QStringLiteral(" | model sequence "));
                results_.lstModel.add(term, ModelCount());
                break;
            case kMrnaFound:
                results_.lstmRNA.add(term);
                results_.CdnaLines << QStringLiteral("> ") + term +
                                          QStringLiteral(" | mRNA sequence ") + m_.ChosenAccession
                                   << m_.SequenceText;
                break;
            case kEstFound:
                results_.lstEST.add(term);
                if (options_.Current().optESTPrompt) {
                    results_.CdnaLines
                        << QStringLiteral("> ") + term + QStringLiteral(" | EST sequence ") +
                               m_.ChosenAccession
                        << m_.SequenceText;
                }
                break;
            case kClusterOnly:
                results_.lstIsCluster.add(term);
                break;
            case kNcbiError:
                results_.lstNcbiError.add(FailureEntry(term, failure_));
                break;
            case kSeveralClusters: {
                results_.lstWatchOut.add(term);
                const int entry = results_.lstWatchOut.count() - 1;
                if (source_) {
                    for (const QString& candidate : source_->Candidates())
                        results_.lstMMs.add(candidate);
                } else {
                    CollectClusters();
                }
                results_.lstWatchOut.data[entry] = results_.lstMMs.count();
                const int r = SearchEachCluster(term);
                results_.lstMMs.clear();
                if (r == kCanceled) {
                    view_.EndCanceled();
                    return false;
                }
                break;
            }
            default:
                break;
        }
        if (m_.ProgressStep == 0) view_.AddProgress(WholeTermUnits(i, m_.TermCount));
    }
    const QString summary = BuildSummaryText(m_.TermCount);
    const QString cdna = BuildCdnaText(m_.TermCount, results_.CdnaLines);
    view_.EndComplete(summary, cdna);
    return true;
}

bool SearchEngine::RunAccession(const QStringList& terms) {
    EnterRunning(terms);
    if (source_ && source_->Gather(terms, true) == kCanceled) {
        view_.EndCanceled();
        return false;
    }
    for (int i = 0; i < m_.TermCount; ++i) {
        m_.CurrentTerm = terms.at(i);
        ShowTermStatus(i);
        const int outcome = source_ ? FromSource(source_->LookUpAccession(m_.CurrentTerm))
                                    : LookUpAccession(m_.CurrentTerm);
        if (outcome == kCanceled) {
            view_.EndCanceled();
            return false;
        }
        if (outcome == kAccessionFound) {
            results_.lstModel.add(m_.CurrentTerm);
            results_.CdnaLines << QStringLiteral("> ") + m_.CurrentTerm << m_.SequenceText;
        } else if (outcome == kNcbiError) {
            results_.lstNcbiError.add(FailureEntry(m_.CurrentTerm, failure_));
        } else {
            results_.lstNotFound.add(WithReason(m_.CurrentTerm));
        }
        if (m_.ProgressStep == 0) view_.AddProgress(WholeTermUnits(i, m_.TermCount));
    }
    const QString summary = BuildAccessionSummaryText(m_.TermCount);
    const QString cdna = BuildAccessionCdnaText(m_.TermCount, results_.CdnaLines);
    view_.EndComplete(summary, cdna);
    return true;
}

// ---------------------------------------------------------------------------
// Cluster lookup

QString SearchEngine::Base() const {
    return settings_.NcbiServerBase;
}

int SearchEngine::Load(const QString& address) {
    switch (loader_.NavigateAndWait(address)) {
        case PageLoader::Canceled:
            return kCanceled;
        case PageLoader::ServerError:
            failure_ = loader_.LastFailure();
            return kNcbiError;
        default:
            m_.PageHtml = loader_.Markup();
            return PageLoader::Loaded;
    }
}

int SearchEngine::LookUpTerm(const QString& query) {
    const SearchPolicy policy = options_.Current();
    results_.OrgCode = policy.species == SearchPolicy::Species::Mouse ? QStringLiteral("Mm")
                                                                      : QStringLiteral("Hs");
    const int step = m_.ProgressStep;

    const QString search = AddressWithTerm(
        Base() + QStringLiteral("/entrez/query.fcgi?orig_db=UniGene&cmd=search&term="),
        StripColons(query));
    if (const int loaded = Load(search); loaded != PageLoader::Loaded) return loaded;
    view_.AddProgress(step / 4);

    const QString marker =
        Base() + QStringLiteral("/UniGene/clust.cgi?ORG=") + results_.OrgCode + QStringLiteral("&");
    const int p = InStr(m_.PageHtml, marker);
    if (InStr(m_.PageHtml, QStringLiteral("RETIRED")) != 0 || p == 0 ||
        InStr(m_.PageHtml, QStringLiteral("not found")) != 0) {
        view_.AddProgress((step * 3) / 4);
        return kNotFound;
    }
    if (InStr(p + 55, m_.PageHtml, marker) != 0) return kSeveralClusters;

    // The cluster link runs up to its closing quote; a link that never closes
    // leads nowhere, so the term counts as not found.
    const int q = InStr(p, m_.PageHtml, kQuote);
    const std::optional<QString> link = q ? CutBetween(m_.PageHtml, p, q) : std::nullopt;
    if (!link) {
        view_.AddProgress((step * 3) / 4);
        return kNotFound;
    }
    QString address = StripAmp(*link);

    if (const int loaded = Load(address); loaded != PageLoader::Loaded) return loaded;
    view_.AddProgress(step / 4);

    const int m = InStr(m_.PageHtml, QStringLiteral("Model sequence"));
    if (m != 0 && ModelLinkCount(m) > 0) {
        const int r = FetchModelSequences(m);
        return r == kCanceled || r == kNcbiError ? r : kModelFound;
    }
    // A model section without a usable count or links gives nothing to
    // retrieve: the cluster's mRNA and EST sections decide instead.

    const int x = InStrNoCase(1, m_.PageHtml, QStringLiteral("maxest"));
    if (x != 0) {
        const int qx = InStr(x, m_.PageHtml, kQuote);
        const std::optional<QString> more = qx ? CutBetween(m_.PageHtml, x, qx) : std::nullopt;
        if (more) {
            address += QStringLiteral("&") + *more;
            if (const int loaded = Load(address); loaded != PageLoader::Loaded) return loaded;
            view_.AddProgress(step / 6);
        }
    }

    int outcome;
    if (InStrNoCase(1, m_.PageHtml, QStringLiteral(">mRNA sequence")) != 0) {
        if (!Choose(BuildMrnaTable(), policy)) return kCanceled;
        outcome = kMrnaFound;
    } else if (InStrNoCase(1, m_.PageHtml, QStringLiteral(">EST Sequence")) != 0) {
        if (policy.optESTPrompt) {
            if (!Choose(BuildEstTable(), policy)) return kCanceled;
            outcome = kEstFound;
        } else if (policy.optESTSkip) {
            return kEstFound;
        } else {
            return kClusterOnly;
        }
    } else {
        return kClusterOnly;
    }

    // No row picked (the section lists no usable link): nothing to retrieve.
    if (m_.ChosenUrl.isEmpty()) {
        view_.AddProgress((step / 6) * 2);
        return kClusterOnly;
    }
    QString block;
    const int r = RetrieveRecord(m_.ChosenUrl, step / 6, &block);
    if (r == kCanceled || r == kNcbiError) return r;
    if (r != PageLoader::Loaded) {
        // The record page holds no sequence: the term is not reported as
        // having one.
        m_.SequenceText.clear();
        return kClusterOnly;
    }
    m_.SequenceText = block;
    return outcome;
}

bool SearchEngine::Choose(const ChoiceTable& table, const SearchPolicy& policy, AutoPick rule) {
    m_.ChosenUrl.clear();
    m_.ChosenAccession.clear();
    const int n = static_cast<int>(table.rows.size());
    if (n == 0) return true;  // nothing to choose from
    auto pick = [this, &table](int i) {
        m_.ChosenUrl = table.rows.at(i).url;
        m_.ChosenAccession = table.rows.at(i).accession;
    };
    if (table.kind == ChoiceTable::Kind::Mrna) {
        if (policy.optAuto && rule == AutoPick::LastNmOrXm) {
            for (int i = 0; i < n; ++i) {
                const QString prefix = table.rows.at(i).accession.left(2).toLower();
                if (prefix == QLatin1String("nm") || prefix == QLatin1String("xm")) pick(i);
            }
            if (!m_.ChosenUrl.isEmpty()) return true;
        } else if (policy.optAuto) {
            for (const QLatin1String prefix : {QLatin1String("nm_"), QLatin1String("xm_")}) {
                for (int i = 0; i < n && m_.ChosenUrl.isEmpty(); ++i)
                    if (table.rows.at(i).accession.left(3).toLower() == prefix) pick(i);
            }
            if (!m_.ChosenUrl.isEmpty()) return true;
        }
        if (policy.optAutoOne && n == 1) {
            pick(0);
            return true;
        }
    } else if (policy.optAutoOneEST && n == 1) {
        pick(0);
        return true;
    }
    const int chosen = chooser_.Choose(table);
    if (chosen < 0 || chosen >= n) {
        m_.CancelSearch = true;
        return false;
    }
    pick(chosen);
    return true;
}

bool SearchEngine::IsEmptyCluster(const QString& identifier) {
    const QString address = Base() + QStringLiteral("/UniGene/clust.cgi?ORG=") + results_.OrgCode +
                            QStringLiteral("&CID=");
    // A canceled wait leaves the browser's previous page; the check reads it.
    // A cluster whose page the server refused is not known to be empty: its
    // lookup tells.
    if (loader_.NavigateAndWait(AddressWithTerm(address, identifier.mid(3))) ==
        PageLoader::ServerError)
        return false;
    const QString page = loader_.Markup();
    return InStr(page, QStringLiteral("Model sequence")) == 0 &&
           InStrNoCase(1, page, QStringLiteral(">mRNA sequence")) == 0 &&
           InStrNoCase(1, page, QStringLiteral(">EST Sequence")) == 0;
}

void SearchEngine::CollectClusters() {
    const QString marker = Base() + QStringLiteral("/UniGene/clust.cgi?ORG=") + results_.OrgCode;
    // Kept apart from PageHtml: the checks below load other pages.
    const QString page = m_.PageHtml;
    int p = InStrNoCase(1, page, marker);
    while (p != 0) {
        const int gt = InStr(p, page, QStringLiteral(">"));
        if (gt == 0) break;
        const int a = gt + 1;
        const int b = InStr(a, page, QStringLiteral("<"));
        if (b == 0) break;
        const QString identifier = CutBetween(page, a, b).value_or(QString());
        if (!IsEmptyCluster(identifier)) results_.lstMMs.add(identifier);
        p = InStrNoCase(a, page, marker);
    }
}

// ---------------------------------------------------------------------------
// Sequence retrieval

std::optional<QString> SearchEngine::CutSequenceBlock(const QString& page) {
    const int o = InStrNoCase(1, page, QStringLiteral("origin"));
    if (o == 0) return std::nullopt;
    const int s = InStr(o, page, kFirstSequenceLine);
    if (s == 0) return std::nullopt;
    const int e = InStr(s, page, QStringLiteral("/"));
    if (e == 0) return std::nullopt;
    return CutBetween(page, s, e);
}

std::optional<QString> SearchEngine::RetrieveLink() const {
    const int r =
        InStrNoCase(1, m_.PageHtml, Base() + QStringLiteral("/entrez/query.fcgi?cmd=Retrieve"));
    if (r == 0) return std::nullopt;
    const int q = InStr(r, m_.PageHtml, kQuote);
    if (q == 0) return std::nullopt;
    const std::optional<QString> link = CutBetween(m_.PageHtml, r, q);
    if (!link) return std::nullopt;
    return StripAmp(*link);
}

int SearchEngine::RetrieveRecord(const QString& address, int share, QString* block) {
    if (const int loaded = Load(address); loaded != PageLoader::Loaded) return loaded;
    view_.AddProgress(share);
    const std::optional<QString> link = RetrieveLink();
    if (!link) {
        view_.AddProgress(share);
        return kNoSequence;
    }
    if (const int loaded = Load(*link); loaded != PageLoader::Loaded) return loaded;
    view_.AddProgress(share);
    const std::optional<QString> cut = CutSequenceBlock(m_.PageHtml);
    if (!cut) return kNoSequence;
    *block = *cut;
    return PageLoader::Loaded;
}

int SearchEngine::ModelCount() const {
    return results_.ModelSequences.isEmpty() ? 0 : results_.ModelSequences.first().toInt();
}

QList<SearchEngine::ModelLink> SearchEngine::ModelLinks(int m) const {
    QList<ModelLink> links;
    const int n = CountFrom(Cut(m_.PageHtml, m + 17, 2));
    int p = m;
    for (int k = 1; k <= n; ++k) {
        const int at = InStr(p, m_.PageHtml, QStringLiteral("A href"));
        if (at == 0) break;
        p = at + 8;
        const int q = InStr(p, m_.PageHtml, kQuote);
        if (q == 0) break;
        const QString relative = CutBetween(m_.PageHtml, p, q).value_or(QString());
        p = q + 2;
        const int t = InStr(p, m_.PageHtml, QStringLiteral("<"));
        if (t == 0) break;
        ModelLink link;
        link.address = Base() + QStringLiteral("/UniGene/") + StripAmp(relative);
        link.name = CutBetween(m_.PageHtml, p, t).value_or(QString());
        links << link;
        p = t;
    }
    return links;
}

int SearchEngine::ModelLinkCount(int m) const {
    return static_cast<int>(ModelLinks(m).size());
}

int SearchEngine::FetchModelSequences(int m) {
    // The count two characters 17 after "Model sequence"; the models are the
    // links that follow, as many of them as the page really has.
    const QList<ModelLink> links = ModelLinks(m);
    const int n = static_cast<int>(links.size());
    results_.ModelSequences = QStringList{Num(n)};
    results_.ModelNames.clear();
    for (const ModelLink& link : links) {
        results_.ModelSequences << QString();
        results_.ModelNames << link.name;
    }
    const int share = n > 0 ? (m_.ProgressStep / 2) / n : 0;
    for (int k = 1; k <= n; ++k) {
        if (const int loaded = Load(links.at(k - 1).address); loaded != PageLoader::Loaded)
            return loaded;
        const std::optional<QString> retrieve = RetrieveLink();
        if (!retrieve) {
            view_.AddProgress(share);
            continue;  // this model is abandoned; its sequence stays ""
        }
        if (const int loaded = Load(*retrieve); loaded != PageLoader::Loaded) return loaded;
        view_.AddProgress(share);
        results_.ModelSequences[k] = CutSequenceBlock(m_.PageHtml).value_or(QString());
    }
    return 2;
}

void SearchEngine::AppendModels(const QString& headerStart) {
    const int n = ModelCount();
    for (int k = 1; k <= n; ++k) {
        results_.CdnaLines << headerStart + Num(k) + QStringLiteral(" ") +
                                  results_.ModelNames.value(k - 1)
                           << results_.ModelSequences.value(k);
    }
    results_.CdnaLines << QString();
}

int SearchEngine::SearchEachCluster(const QString& term) {
    const int c = results_.lstMMs.count();
    if (c == 0) return 2;
    int result = 2;
    const int remembered = m_.ProgressStep;
    m_.ProgressStep = ((m_.ProgressStep * 3) / 4) / c;
    for (int j = 0; j < c; ++j) {
        const QString cluster = results_.lstMMs.text.at(j);
        m_.CurrentTerm = cluster;
        const int r = source_ ? FromSource(source_->LookUpCandidate(j)) : LookUpTerm(cluster);
        const QString start = QStringLiteral("> ") + term + QStringLiteral(" | ") + cluster +
                              QStringLiteral(" ") + results_.OrgCode.toUpper() +
                              QStringLiteral("#") + Num(j + 1);
        const QString entry = cluster + QStringLiteral(" of ") + term;
        if (r == kCanceled) {
            // Every further lookup would end at its first page wait.
            result = kCanceled;
            break;
        }
        if (r == kModelFound) {
            AppendModels(start + QStringLiteral(" model sequence "));
            results_.lstModelM.add(entry, ModelCount());
        } else if (r == kMrnaFound) {
            results_.lstmRNAM.add(entry);
            results_.CdnaLines << start + QStringLiteral(" mRNA sequence ") + m_.ChosenAccession
                               << m_.SequenceText;
        } else if (r == kEstFound) {
            results_.lstESTM.add(entry);
            if (options_.Current().optESTPrompt) {
                results_.CdnaLines << start + QStringLiteral(" EST sequence ") + m_.ChosenAccession
                                   << m_.SequenceText;
            }
        } else if (r == kNcbiError) {
            results_.lstNcbiErrorM.add(FailureEntry(entry, failure_));
        }
    }
    m_.ProgressStep = remembered;
    return result;
}

// ---------------------------------------------------------------------------
// Choice tables

ChoiceTable SearchEngine::BuildTable(bool est) const {
    ChoiceTable table;
    table.kind = est ? ChoiceTable::Kind::Est : ChoiceTable::Kind::Mrna;
    const QString& page = m_.PageHtml;
    const int s = InStrNoCase(
        1, page, est ? QStringLiteral(">EST Sequence") : QStringLiteral(">mRNA sequence"));
    const int open = s ? InStrNoCase(s, page, QStringLiteral("(")) : 0;
    const int a = open ? open + 1 : 0;
    const int b = a ? InStr(a, page, QStringLiteral(")")) : 0;
    const int n = b ? qMax(0, CountFrom(CutBetween(page, a, b))) : 0;
    table.prompt = QStringLiteral("There are ") + Num(n) +
                   (est ? QStringLiteral(" EST") : QStringLiteral(" mRNA")) +
                   QStringLiteral(" sequence(s) to choose from for ") + m_.CurrentTerm +
                   QStringLiteral(".  Which one do you want?");

    // A description cell: the text from `skip` characters after the marker
    // up to the next "<"; "" when the page has no such cell. Moves `from`.
    auto cell = [&page](int& from, const QString& marker, int skip) {
        const int at = InStr(from, page, marker);
        if (at == 0) return QString();
        const int u = at + skip;
        const int v = InStr(u, page, QStringLiteral("<"));
        if (v == 0) return QString();
        from = v;
        return CutBetween(page, u, v).value_or(QString());
    };

    int p = a;
    for (int i = 1; i <= n; ++i) {
        const int at = InStrNoCase(p, page, QStringLiteral("A href"));
        if (at == 0) break;
        p = at + 8;
        const int q = InStr(p, page, kQuote);
        if (q == 0) break;
        const int t = InStr(q + 2, page, QStringLiteral("<"));
        if (t == 0) break;
        ChoiceRow row;
        row.url = Base() + QStringLiteral("/UniGene/") +
                  StripAmp(CutBetween(page, p, q).value_or(QString()));
        row.accession = CutBetween(page, q + 2, t).value_or(QString());
        int from = t;
        if (!est) {
            row.description = cell(from, QStringLiteral("76"), 5);
        } else {
            row.description = cell(from, QStringLiteral("34"), 5);
            row.description += QStringLiteral(" | ") + cell(from, QStringLiteral("34"), 5);
            row.description += QStringLiteral(" | ") + cell(from, QStringLiteral("8"), 4);
        }
        p = qMax(from, t);
        table.rows << row;
    }
    return table;
}

ChoiceTable SearchEngine::BuildMrnaTable() const {
    return BuildTable(false);
}
ChoiceTable SearchEngine::BuildEstTable() const {
    return BuildTable(true);
}

// ---------------------------------------------------------------------------
// Accession lookup

int SearchEngine::LookUpAccession(const QString& term) {
    const int step = m_.ProgressStep;
    const QString search = AddressWithTerm(
        Base() + QStringLiteral("/entrez/query.fcgi?orig_db=nucleotide&cmd=search&term="), term);
    if (const int loaded = Load(search); loaded != PageLoader::Loaded) return loaded;
    view_.AddProgress(step / 2);

    const int r = InStr(m_.PageHtml, QStringLiteral("/entrez/viewer.fcgi?db=nucleotide&amp;val="));
    const int q = r ? InStr(r, m_.PageHtml, kQuote) : 0;
    const std::optional<QString> link = q ? CutBetween(m_.PageHtml, r, q) : std::nullopt;
    // "No items found", or a page without a complete record link.
    if (InStr(m_.PageHtml, QStringLiteral("No items found")) != 0 || !link) {
        view_.AddProgress(step / 2);
        return kAccessionNotFound;
    }
    if (const int loaded = Load(Base() + StripAmp(*link)); loaded != PageLoader::Loaded)
        return loaded;
    view_.AddProgress(step / 2);
    const std::optional<QString> block = CutSequenceBlock(m_.PageHtml);
    if (!block) return kAccessionNotFound;
    m_.SequenceText = *block;
    return kAccessionFound;
}

// ---------------------------------------------------------------------------
// Text builders

QString SearchEngine::Heading(int termCount, const QString& what, bool withOrgCode) const {
    return QStringLiteral("Results for ") + ShortDateTime(Now()) + QStringLiteral(", ") +
           Num(termCount) + (withOrgCode ? QStringLiteral(" ") + results_.OrgCode : QString()) +
           what + kCrLf + kCrLf;
}

QString SearchEngine::BuildSummaryText(int termCount) const {
    const SearchResults& r = results_;
    // The same counts as the printed report.
    const auto [notFoundTotal, found, single, modelTotal, modelMTotal, sequences, ncbiErrors] =
        CountSummary(r, termCount);
    const SearchPolicy policy = options_.Current();
    const QString& org = r.OrgCode;

    QString t = Heading(termCount, QStringLiteral(" queries searched"), true);
    auto line = [&t](const QString& text) { t += text + kCrLf; };
    auto entries = [&line](const ResultList& list, bool withData) {
        for (int i = 0; i < list.count(); ++i) {
            line(kTab + list.text.at(i) +
                 (withData ? QStringLiteral(" (") + Num(list.data.at(i)) + QStringLiteral(")")
                           : QString()));
        }
    };

    line(Num(found) + QStringLiteral(" queries found (") + Num(sequences) +
         QStringLiteral(" sequences found)"));
    line(kTab + Num(single) + QStringLiteral(" query(s) have a single ") + org +
         QStringLiteral(" sequence, including "));
    line(kTab + kTab + Num(r.lstModel.count()) +
         QStringLiteral(" query(s) have model sequences (") + Num(modelTotal) +
         QStringLiteral(" model sequences)"));
    line(kTab + kTab + Num(r.lstmRNA.count()) +
         QStringLiteral(" query(s) have a valid mRNA sequence"));
    if (policy.optESTPrompt) {
        line(kTab + kTab + Num(r.lstEST.count()) +
             QStringLiteral(" query(s) have a valid EST sequence"));
    } else if (policy.optESTSkip) {
        line(kTab + kTab + Num(r.lstEST.count()) +
             QStringLiteral(" query(s) have a valid EST sequence (skipped)"));
    }
    line(kTab + Num(r.lstWatchOut.count()) + QStringLiteral(" query(s) have multiple ") + org +
         QStringLiteral(" sequences, including "));
    line(kTab + kTab + Num(modelMTotal) + QStringLiteral(" model sequences"));
    line(kTab + kTab + Num(r.lstmRNAM.count()) + QStringLiteral(" mRNA sequences"));
    line(kTab + kTab + Num(r.lstESTM.count()) + QStringLiteral(" EST sequences"));
    line(Num(notFoundTotal) + QStringLiteral(" sequence(s) not found"));
    line(kTab + Num(r.lstNotFound.count()) + QStringLiteral(" query(s) were not found or retired"));
    line(kTab + Num(r.lstIsCluster.count()) + QStringLiteral(" query(s) had clusters"));
    if (ncbiErrors != 0)
        line(Num(ncbiErrors) + QStringLiteral(" query(s) could not be looked up (NCBI error)"));
    line(QString());
    line(QStringLiteral("SEQUENCES FOUND:"));
    line(QStringLiteral("  IDs with ") + Num(modelMTotal + modelTotal) +
         QStringLiteral(" total model sequences (# of model sequences):"));
    entries(r.lstModel, true);
    entries(r.lstModelM, true);
    line(QStringLiteral("  IDs with ") + Num(r.lstmRNA.count() + r.lstmRNAM.count()) +
         QStringLiteral(" total mRNA sequences:"));
    entries(r.lstmRNA, false);
    entries(r.lstmRNAM, false);
    if (policy.optESTPrompt) {
        line(QStringLiteral("  IDs with ") + Num(r.lstEST.count() + r.lstESTM.count()) +
             QStringLiteral(" total EST sequences:"));
    } else if (policy.optESTSkip) {
        line(QStringLiteral("  IDs with EST sequences (skipped):"));
    }
    entries(r.lstEST, false);
    entries(r.lstESTM, false);
    if (r.lstWatchOut.count() != 0) {
        line(QStringLiteral("  **The following queries had multiple ") + org +
             QStringLiteral(
                 " sequences (# of sequences in parentheses).  They are included above."));
        entries(r.lstWatchOut, true);
    }
    line(QString());
    line(QStringLiteral("SEQUENCES NOT FOUND:"));
    line(QStringLiteral("  IDs that were not found:"));
    entries(r.lstNotFound, false);
    line(QStringLiteral("  IDs that had clusters:"));
    entries(r.lstIsCluster, false);
    if (r.lstNcbiError.count() + r.lstNcbiErrorM.count() != 0) {
        line(QString());
        line(kNcbiErrorHeading);
        entries(r.lstNcbiError, false);
        entries(r.lstNcbiErrorM, false);
    }
    return t;
}

QString SearchEngine::BuildCdnaText(int termCount, const QStringList& lines) const {
    QString t = Heading(termCount, QStringLiteral(" sequences searched"), true);
    for (const QString& element : lines) t += element + kCrLf;
    return t;
}

QString SearchEngine::BuildAccessionCdnaText(int termCount, const QStringList& lines) const {
    QString t = Heading(termCount, QStringLiteral(" sequences searched"), false);
    for (const QString& element : lines) t += element + kCrLf;
    return t;
}

QString SearchEngine::BuildAccessionSummaryText(int termCount) const {
    const int nf = results_.lstNotFound.count();
    const int ne = results_.lstNcbiError.count();
    QString t = QStringLiteral("Results for ") + ShortDateTime(Now()) + QStringLiteral(", ") +
                Num(termCount) + QStringLiteral(" accession number(s) searched") + kCrLf;
    t += kCrLf;
    t += Num(static_cast<qint64>(termCount) - nf - ne) +
         QStringLiteral(" accession number(s) found ") + kCrLf;
    t += Num(nf) + QStringLiteral(" accession number(s) not found") + kCrLf;
    if (ne != 0)
        t += Num(ne) + QStringLiteral(" accession number(s) could not be looked up (NCBI error)") +
             kCrLf;
    t += kCrLf;
    t += QStringLiteral("SEQUENCES FOUND:") + kCrLf;
    for (const QString& e : results_.lstModel.text) t += kTab + e + kCrLf;
    t += kCrLf;
    t += QStringLiteral("SEQUENCES NOT FOUND:") + kCrLf;
    for (const QString& e : results_.lstNotFound.text) t += kTab + e + kCrLf;
    if (ne != 0) {
        t += kCrLf + kNcbiErrorHeading + kCrLf;
        for (const QString& e : results_.lstNcbiError.text) t += kTab + e + kCrLf;
    }
    return t;
}

}  // namespace quill
