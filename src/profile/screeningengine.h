#pragma once
// The screening run, with the window (or the command line) as its view: for
// every term either the archive's pages over a page loader (the UniGene
// search page, the first cluster's EST profile page and the screening rule)
// or, when expression tables are given, the term's row of a table and the
// rule on decimals; then the report.

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "profile/expressiontable.h"
#include "profile/screening.h"
#include "web/module1.h"
#include "web/pageloader.h"
#include "web/settings.h"

namespace quill {

// The expression tables a run screens on; null for a species without one.
// With either, the run asks for no page: a term is looked up in the mouse
// table, then in the human one, and the table that holds it decides the
// species (and so the tissue selection); a term in neither has no data.
struct ScreeningTables {
    std::shared_ptr<const ExpressionTable> mouse;
    std::shared_ptr<const ExpressionTable> human;
    bool Any() const { return mouse || human; }
};

// Whether the settings name a server for the archive's profile pages: one
// given with --ncbi-server, or the demo's page server. NCBI's own site
// (the default address) retired them in 2019 and does not count.
bool HasArchiveServer(const Settings& settings);

// The tissue check of a run: TissueSelectionProblem on the archive; on
// tables, only a species that has a table needs a selected tissue.
std::optional<QString> RunTissueProblem(const TissueSelection& selection,
                                        const ScreeningTables& tables);

// Where the run reads its criteria: the criteria window, or fixed values.
class CriteriaSource {
  public:
    virtual ~CriteriaSource() = default;
    // Check boxes and threshold texts as they stand now (read for every term
    // and when the report is built).
    virtual ScreeningCriteria Criteria() const = 0;
    // The selected tissues, in list order (taken once when a run starts).
    virtual TissueSelection Tissues() const = 0;
    // The expression tables (taken once when a run starts); none by default.
    virtual ScreeningTables Tables() const { return {}; }
};

// Fixed criteria (the command line, tests).
class FixedCriteria : public CriteriaSource {
  public:
    ScreeningCriteria criteria;
    TissueSelection tissues;
    ScreeningTables tables;
    ScreeningCriteria Criteria() const override { return criteria; }
    TissueSelection Tissues() const override { return tissues; }
    ScreeningTables Tables() const override { return tables; }
};

// What a screening run shows while it runs.
class ScreeningView {
  public:
    virtual ~ScreeningView() = default;
    // Running state: input frame disabled, run height, "Searching...", bar at
    // 0 and Cancel shown, status line "".
    virtual void EnterRunning() = 0;
    virtual void SetStatusLine(const QString& text) = 0;
    // Adds to the progress bar's value (0..1000).
    virtual void AddProgress(int units) = 0;
    // End states; both then leave the running state.
    virtual void EndCanceled() = 0;
    virtual void EndComplete(const QString& report) = 0;
    // A page could not be loaded (the wait goes on).
    virtual void PageProblem(const QString& text) { SetStatusLine(text); }
};

class ScreeningEngine {
  public:
    enum class RunEnd { Complete, Canceled, NoTissues, BadCriteria, NoProfiles };

    ScreeningEngine(Module1& module, const Settings& settings, PageLoader& loader,
                    const CriteriaSource& criteria, ScreeningView& view);

    // The run over a checked, non-empty term list. Refuses, nothing
    // changed, when a threshold fails the criteria window's OK checks
    // (BadCriteria), when there is neither a table nor an archive server
    // (NoProfiles), or when a species has no selected tissue (NoTissues;
    // with tables, only the species that have one count); otherwise clears
    // the cancel flag, the result lists and takes the selections and the
    // tables, screens every term in order, and on completion copies the
    // thresholds and builds the report. A cancel notes the terms screened.
    RunEnd Run(const QStringList& terms);

    // One term: kScreenCanceled, kMatched, kNotMatched, kNoData, kNotTested
    // or kNcbiError (the loader's LastFailure() says why). Adds step / 3 to
    // the progress after each page and after the rule (a term screened on a
    // table adds the three at once). On a table, *why is set for a term
    // without data that a table holds on several rows.
    ScreenOutcome ScreenTerm(int step, const QString& term, QString* why = nullptr);

    const ScreeningResults& Results() const { return results_; }
    // The report text of the results as they stand, check boxes as now.
    QString BuildReport() const;

  private:
    // Waits for a page: nullopt once it is loaded, else kScreenCanceled or
    // kNcbiError.
    std::optional<ScreenOutcome> Load(const QString& address);
    ScreenOutcome ScreenOnTables(int step, const QString& term, QString* why);

    Module1& m_;
    const Settings& settings_;
    PageLoader& loader_;
    const CriteriaSource& criteria_;
    ScreeningView& view_;
    ScreeningResults results_;
    ScreeningTables tables_;  // those of the run under way or the last
};

}  // namespace quill
