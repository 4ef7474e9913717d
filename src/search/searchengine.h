#pragma once
// The sequence search engine: the UniGene run and the accession run over a
// page loader, with the window (or the command line) as its view.

#include "common/module1.h"
#include "common/pageloader.h"
#include "common/settings.h"
#include "search/searchtypes.h"

namespace quill {

class SearchEngine {
public:
    SearchEngine(Module1& module, const Settings& settings, PageLoader& loader,
                 const SearchOptions& options, Chooser& chooser, RunView& view);

    SearchResults& Results() { return results_; }
    const SearchResults& Results() const { return results_; }

    // UniGene run, step 1: clears the ten result lists, PageHtml,
    // ChosenAccession and ChosenUrl.
    void BeginUniGeneRun();
    // Steps 5 to 8 over the checked term list. Returns true when complete,
    // false when canceled.
    bool RunUniGene(const QStringList& terms);

    // Accession run, step 1: clears lstModel, lstNotFound and PageHtml.
    void BeginAccessionRun();
    bool RunAccession(const QStringList& terms);

    // The named operations (public for tests and the command line).
    int LookUpTerm(const QString& query);
    bool IsEmptyCluster(const QString& identifier);
    void CollectClusters();
    int FetchModelSequences(int m);
    int SearchEachCluster(const QString& term);
    int LookUpAccession(const QString& term);

    QString BuildSummaryText(int termCount) const;
    QString BuildCdnaText(int termCount, const QStringList& lines) const;
    QString BuildAccessionCdnaText(int termCount, const QStringList& lines) const;
    QString BuildAccessionSummaryText(int termCount) const;

    // Choice tables as the choice dialogs load them from PageHtml.
    ChoiceTable BuildMrnaTable() const;
    ChoiceTable BuildEstTable() const;

private:
    Module1& m_;
    const Settings& settings_;
    PageLoader& loader_;
    const SearchOptions& options_;
    Chooser& chooser_;
    RunView& view_;
    SearchResults results_;
};

}  // namespace quill
