#include "profile/screeningengine.h"

#include "text/textrules.h"
#include "web/webpageloader.h"

namespace quill {

bool HasArchiveServer(const Settings& settings) {
    return Settings::ServerAddress(settings.NcbiServerBase) != Settings().NcbiServerBase;
}

std::optional<QString> RunTissueProblem(const TissueSelection& selection,
                                        const ScreeningTables& tables) {
    if (!tables.Any()) return TissueSelectionProblem(selection);
    if (tables.mouse && selection.mouse.isEmpty())
        return QStringLiteral("No mouse tissue is selected");
    if (tables.human && selection.human.isEmpty())
        return QStringLiteral("No human tissue is selected");
    return std::nullopt;
}

ScreeningEngine::ScreeningEngine(Module1& module, const Settings& settings, PageLoader& loader,
                                 const CriteriaSource& criteria, ScreeningView& view)
    : m_(module), settings_(settings), loader_(loader), criteria_(criteria), view_(view) {}

ScreeningEngine::RunEnd ScreeningEngine::Run(const QStringList& terms) {
    const ScreeningCriteria start = criteria_.Criteria();
    if (CriteriaProblem(start.txtAbundance, start.txtTissue)) return RunEnd::BadCriteria;
    const ScreeningTables tables = criteria_.Tables();
    if (!tables.Any() && !HasArchiveServer(settings_)) return RunEnd::NoProfiles;
    const TissueSelection tissues = criteria_.Tissues();
    if (RunTissueProblem(tissues, tables)) return RunEnd::NoTissues;

    // A flag left raised by a canceled run elsewhere must not stop this one.
    m_.CancelSearch = false;
    view_.EnterRunning();
    results_.lstFound.clear();
    results_.lstNotFound.clear();
    results_.lstNoData.clear();
    results_.lstNcbiError.clear();
    results_.SelectedTissues = tissues;
    tables_ = tables;
    results_.tableLines.clear();
    if (tables_.mouse)
        results_.tableLines << ExpressionTableLine(ProfileSpecies::Mouse, *tables_.mouse);
    if (tables_.human)
        results_.tableLines << ExpressionTableLine(ProfileSpecies::Human, *tables_.human);
    const int n = static_cast<int>(terms.size());
    const int step = n > 0 ? 1000 / n : 0;
    results_.cancelledAfter = -1;
    results_.termCount = n;

    for (int i = 0; i < n; ++i) {
        const QString& term = terms.at(i);
        view_.SetStatusLine(Num(i) + QStringLiteral("/") + Num(n) +
                            QStringLiteral(" complete.  Current search term: ") + term);
        QString why;
        const ScreenOutcome outcome = ScreenTerm(step, term, &why);
        switch (outcome) {
            case kScreenCanceled:
                m_.CancelSearch = false;
                results_.cancelledAfter = i;
                view_.EndCanceled();
                return RunEnd::Canceled;
            case kMatched:
                results_.lstFound << term;
                break;
            case kNotMatched:
                results_.lstNotFound << term;
                break;
            case kNoData:
                results_.lstNoData << (why.isEmpty() ? term : term + QStringLiteral(": ") + why);
                break;
            case kNcbiError:
                results_.lstNcbiError << FailureEntry(term, loader_.LastFailure());
                break;
            default:
                break;
        }
        // Past 1000 terms a term's share rounds to 0: the bar then moves by
        // whole terms and ends full.
        if (step == 0) {
            const int units = static_cast<int>(1000LL * (i + 1) / n - 1000LL * i / n);
            if (units > 0) view_.AddProgress(units);
        }
    }

    const ScreeningCriteria now = criteria_.Criteria();
    results_.txtAbundance1 = now.txtAbundance;
    results_.txtTissue1 = now.txtTissue;
    view_.EndComplete(BuildReport());
    return RunEnd::Complete;
}

QString ScreeningEngine::BuildReport() const {
    return BuildScreeningReport(results_, criteria_.Criteria(), Now());
}

std::optional<ScreenOutcome> ScreeningEngine::Load(const QString& address) {
    switch (loader_.NavigateAndWait(address)) {
        case PageLoader::Canceled:
            return kScreenCanceled;
        case PageLoader::ServerError:
            return kNcbiError;
        default:
            return std::nullopt;
    }
}

ScreenOutcome ScreeningEngine::ScreenOnTables(int step, const QString& term, QString* why) {
    // The first table that knows the term decides; a symbol on several of
    // its rows is screened on none.
    for (const auto& [species, table] : {std::pair{ProfileSpecies::Mouse, tables_.mouse.get()},
                                         std::pair{ProfileSpecies::Human, tables_.human.get()}}) {
        if (!table) continue;
        const TableLookup found = table->Find(term);
        if (found.rows == 0) continue;
        view_.AddProgress(3 * (step / 3));
        if (!found.Found()) {
            if (why) *why = found.Reason() + QStringLiteral(" in ") + table->FileName();
            return kNoData;
        }
        const QStringList& selected = species == ProfileSpecies::Human
                                          ? results_.SelectedTissues.human
                                          : results_.SelectedTissues.mouse;
        return ApplyTableScreeningRule(table->Tissues(), table->Values(found.gene), selected,
                                       criteria_.Criteria());
    }
    view_.AddProgress(3 * (step / 3));
    return kNoData;
}

ScreenOutcome ScreeningEngine::ScreenTerm(int step, const QString& term, QString* why) {
    if (tables_.Any()) {
        if (m_.CancelSearch) return kScreenCanceled;
        return ScreenOnTables(step, term, why);
    }
    const QString& base = settings_.NcbiServerBase;
    const QString search = AddressWithTerm(
        base + QStringLiteral("/entrez/query.fcgi?orig_db=UniGene&cmd=search&term="),
        StripColons(term));
    if (const std::optional<ScreenOutcome> failed = Load(search)) return *failed;
    view_.AddProgress(step / 3);

    // The first cluster link's text is the cluster identifier.
    const QString page = loader_.Markup();
    const int marker = InStr(page, base + QStringLiteral("/UniGene/clust.cgi?ORG="));
    if (marker == 0) return kNoData;
    const int g = InStr(marker, page, QStringLiteral(">"));
    const int e = g ? InStr(g + 1, page, QStringLiteral("<")) : 0;
    const std::optional<QString> cluster = e ? CutBetween(page, g + 1, e) : std::nullopt;
    if (!cluster) return kNoData;

    const QString address =
        AddressWithTerm(base + QStringLiteral("/UniGene/ESTProfileViewer.cgi?uglist="), *cluster);
    if (const std::optional<ScreenOutcome> failed = Load(address)) return *failed;
    view_.AddProgress(step / 3);

    const std::optional<Profile> profile = ReadProfile(loader_.Markup());
    if (!profile) return kNoData;
    const ScreenOutcome outcome =
        ApplyScreeningRule(*profile, results_.SelectedTissues, criteria_.Criteria());
    view_.AddProgress(step / 3);
    return outcome;
}

}  // namespace quill
