#pragma once
// The screening run over a page loader, with the window (or the command
// line) as its view: for every term, the UniGene search page, the first
// cluster's EST profile page and the screening rule; then the report.

#include <QString>
#include <QStringList>
#include <optional>

#include "profile/screening.h"
#include "web/module1.h"
#include "web/pageloader.h"
#include "web/settings.h"

namespace quill {

// Where the run reads its criteria: the criteria window, or fixed values.
class CriteriaSource {
  public:
    virtual ~CriteriaSource() = default;
    // Check boxes and threshold texts as they stand now (read for every term
    // and when the report is built).
    virtual ScreeningCriteria Criteria() const = 0;
    // The selected tissues, in list order (taken once when a run starts).
    virtual TissueSelection Tissues() const = 0;
};

// Fixed criteria (the command line, tests).
class FixedCriteria : public CriteriaSource {
  public:
    ScreeningCriteria criteria;
    TissueSelection tissues;
    ScreeningCriteria Criteria() const override { return criteria; }
    TissueSelection Tissues() const override { return tissues; }
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
    enum class RunEnd { Complete, Canceled, NoTissues, BadCriteria };

    ScreeningEngine(Module1& module, const Settings& settings, PageLoader& loader,
                    const CriteriaSource& criteria, ScreeningView& view);

    // The run over a checked, non-empty term list. Refuses, nothing
    // changed, when a threshold fails the criteria window's OK checks
    // (BadCriteria) or a species has no selected tissue (NoTissues);
    // otherwise clears the cancel flag, the result lists and takes the
    // selections, screens every term in order, and on completion copies the
    // thresholds and builds the report. A cancel notes the terms screened.
    RunEnd Run(const QStringList& terms);

    // One term: kScreenCanceled, kMatched, kNotMatched, kNoData, kNotTested
    // or kNcbiError (the loader's LastFailure() says why). Adds step / 3 to
    // the progress after each page and after the rule.
    ScreenOutcome ScreenTerm(int step, const QString& term);

    const ScreeningResults& Results() const { return results_; }
    // The report text of the results as they stand, check boxes as now.
    QString BuildReport() const;

  private:
    // Waits for a page: nullopt once it is loaded, else kScreenCanceled or
    // kNcbiError.
    std::optional<ScreenOutcome> Load(const QString& address);

    Module1& m_;
    const Settings& settings_;
    PageLoader& loader_;
    const CriteriaSource& criteria_;
    ScreeningView& view_;
    ScreeningResults results_;
};

}  // namespace quill
