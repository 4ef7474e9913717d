#pragma once
// The sequence search engine: the UniGene run and the accession run over a
// page loader, with the window (or the command line) as its view. The runs
// look terms up on the archive pages (settings.NcbiServerBase) or, when
// settings.Source says so, through a TermSource (the E-utilities,
// eutils/eutilslookup.h); result lists, choices, texts and reports are the
// same either way.

#include "search/searchtypes.h"
#include "web/module1.h"
#include "web/pageloader.h"
#include "web/settings.h"

#include <memory>
#include <optional>

namespace quill {

// Where a run looks its terms up instead of the archive pages. Outcomes are
// SearchEngine's codes; a lookup leaves its accession, sequence and model
// sequences where the archive lookup leaves them (Module1's ChosenAccession
// and SequenceText, SearchResults' ModelSequences and ModelNames).
class TermSource {
  public:
    virtual ~TermSource() = default;
    // A term of the sequence search: kNotFound, kModelFound, kMrnaFound,
    // kClusterOnly, kSeveralClusters, kNcbiError or kCanceled.
    virtual int LookUpTerm(const QString& term) = 0;
    // After kSeveralClusters: the candidates that have sequences, as the
    // lists show them, and the lookup of one of them.
    virtual QStringList Candidates() = 0;
    virtual int LookUpCandidate(int index) = 0;
    // kAccessionFound, kAccessionNotFound, kNcbiError or kCanceled.
    virtual int LookUpAccession(const QString& term) = 0;
    // Why the last term was not found ("replaced by ..."); "" for no reason.
    virtual QString NotFoundReason() const = 0;
    // The refusal behind the last kNcbiError.
    virtual PageLoader::Failure LastFailure() const = 0;
    // Before the walk over the terms (accession terms when accessions): may
    // gather what the lookups will need. kCanceled, or 0.
    virtual int Gather(const QStringList& terms, bool accessions) {
        Q_UNUSED(terms);
        Q_UNUSED(accessions);
        return 0;
    }
};

class SearchEngine {
  public:
    // Outcome codes of LookUpTerm.
    static constexpr int kCanceled = 1;
    static constexpr int kNotFound = 3;
    static constexpr int kModelFound = 4;
    static constexpr int kMrnaFound = 5;
    static constexpr int kEstFound = 6;
    static constexpr int kClusterOnly = 7;
    static constexpr int kSeveralClusters = 8;
    // The server refused one of the term's pages (LastFailure() says how);
    // also an outcome of LookUpAccession.
    static constexpr int kNcbiError = 9;
    // Outcome codes of LookUpAccession (1 is canceled).
    static constexpr int kAccessionFound = 2;
    static constexpr int kAccessionNotFound = 3;

    SearchEngine(Module1& module, const Settings& settings, PageLoader& loader,
                 const SearchOptions& options, Chooser& chooser, RunView& view);
    ~SearchEngine();

    SearchResults& Results() { return results_; }
    const SearchResults& Results() const { return results_; }

    // UniGene run, step 1: clears the ten result lists, the NCBI error
    // lists, PageHtml, ChosenAccession and ChosenUrl. Both Begin functions
    // take the term source settings.Source names, fresh for the run.
    void BeginUniGeneRun();
    // Steps 5 to 8 over the checked term list. Returns true when complete,
    // false when canceled.
    bool RunUniGene(const QStringList& terms);

    // Accession run, step 1: clears lstModel, lstNotFound, the NCBI error
    // lists and PageHtml.
    void BeginAccessionRun();
    bool RunAccession(const QStringList& terms);

    // The server's refusal behind the last kNcbiError.
    const PageLoader::Failure& LastFailure() const { return failure_; }

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

    // How Choose's automatic rule (optAuto) picks an mRNA row: the archive
    // pages' rule, the last row whose accession starts "nm" or "xm"; or the
    // first NM_ row, else the first XM_ row.
    enum class AutoPick { LastNmOrXm, FirstNmThenXm };
    // Picks a row of the table by the policy (automatically, or through the
    // chooser) into ChosenUrl and ChosenAccession; false when the user
    // cancels. An empty table picks nothing.
    bool Choose(const ChoiceTable& table, const SearchPolicy& policy,
                AutoPick rule = AutoPick::LastNmOrXm);

    // Choice tables as the choice dialogs load them from PageHtml.
    ChoiceTable BuildMrnaTable() const;
    ChoiceTable BuildEstTable() const;

    // The sequence block of a nucleotide record page: from the first
    // "        1 " after "origin" up to the next "/"; nullopt when the page
    // lacks any of them.
    static std::optional<QString> CutSequenceBlock(const QString& page);

  private:
    static constexpr int kNoSequence = 3;  // record retrieval found no sequence
    struct ModelLink {
        QString address;
        QString name;
    };

    QString Base() const;
    int Load(const QString& address);
    void EnterRunning(const QStringList& terms);
    void ShowTermStatus(int i);
    int FromSource(int outcome);
    QString WithReason(const QString& term) const;
    std::optional<QString> RetrieveLink() const;
    int RetrieveRecord(const QString& address, int share, QString* block);
    QList<ModelLink> ModelLinks(int m) const;
    int ModelLinkCount(int m) const;
    int ModelCount() const;
    void AppendModels(const QString& headerStart);
    ChoiceTable BuildTable(bool est) const;
    QString Heading(int termCount, const QString& what, bool withOrgCode) const;

    Module1& m_;
    const Settings& settings_;
    PageLoader& loader_;
    const SearchOptions& options_;
    Chooser& chooser_;
    RunView& view_;
    SearchResults results_;
    PageLoader::Failure failure_;
    std::unique_ptr<TermSource> source_;  // nullptr: the archive pages
};

}  // namespace quill
