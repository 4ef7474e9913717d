#pragma once
// The search engine's term source on the E-utilities.
//
// A term of the sequence search is a gene symbol of the species the options
// name, or a UniGene cluster id (Mm.N, Hs.N):
//   symbol   esearch gene (SYMBOL[sym] AND organism[orgn]), esummary the
//            hits; one live gene of that name: its transcripts; several,
//            or only genes that have the symbol as an alias: the several-
//            candidates outcome, each candidate "GeneID:N symbol
//            description"; only retired genes: not found, "replaced by
//            GeneID N (SYMBOL)" when NCBI names the successor.
//   cluster  UniGene was retired in 2019: not found with that reason and no
//            request, unless the UniGene map names the cluster's genes,
//            which then go on as a symbol's hits.
// A gene's transcripts are its RefSeq RNA links (elink), summarized
// (esummary) and ordered NM_, NR_, XM_, XR_: any NM_ or NR_ is the mRNA
// outcome (the choice table over all of them; automatic choice takes the
// first NM_, else the first XM_), only XM_ or XR_ the model outcome (the
// first kMaxModels of them), none the outcome of a gene without sequences.
// NCBI folded its EST databases into Nucleotide in 2018-19 and no query for
// a gene's ESTs has been verified since, so the EST outcome does not occur:
// a gene without RefSeq RNA is reported as a gene without sequences.
// Records are fetched (efetch, GenBank text) all at once per term and cut
// by SearchEngine::CutSequenceBlock.
// An accession is looked up by esearch nuccore ([accn]), esummary (a
// replaced record is not found, "replaced by X") and efetch.
// Requests: at most 5 per symbol, 3 per accession, none for a term already
// looked up in the run.
//
// Gathering (settings.EutilsBatch): before the walk, the whole list is looked
// up in few requests: symbols kGroupTerms to an esearch ((A[sym] OR B[sym]
// ...) AND organism), accessions likewise ([accn]), esummary per
// kSummaryBatch ids, elink and efetch per kLinkBatch / kFetchBatch ids, long
// requests by POST. A term's hits are the group's genes whose name or an
// alias is the term (any case), which ClassifyGenes then judges as for a
// single search; an accession's are the records of that accession.version
// (without a version: the live record of that accession). The walk then
// takes what was gathered and asks only for the rest: the records a choice
// dialog picks other than the automatic rule's first NM_ / XM_, and the
// terms whose group request failed after its tries or found nothing at
// all (looked up one by one,
// into the service error list when that fails too).

#include <QHash>
#include <memory>

#include "eutils/eutilsclient.h"
#include "search/searchengine.h"

namespace quill {

class EutilsLookup final : public TermSource {
  public:
    static constexpr int kMaxModels = 10;

    EutilsLookup(SearchEngine& engine, Module1& module, const Settings& settings,
                 PageLoader& loader, const SearchOptions& options, RunView& view);

    int LookUpTerm(const QString& term) override;
    QStringList Candidates() override;
    int LookUpCandidate(int index) override;
    int LookUpAccession(const QString& term) override;
    QString NotFoundReason() const override { return reason_; }
    PageLoader::Failure LastFailure() const override { return client_.LastFailure(); }
    int Gather(const QStringList& terms, bool accessions) override;
    static constexpr int kGroupTerms = 200;  // terms per grouped esearch

  private:
    // What one gene comes to, kept until the run lists it.
    struct GeneOutcome {
        QString label;  // "GeneID:18508 Pax6 paired box 6"
        int outcome = SearchEngine::kClusterOnly;
        bool hasTranscripts = false;
        qint64 pickedUid = 0;  // the mRNA picked
        QString accession, sequence;
        QList<NuccoreSummary> models;
        QStringList modelBlocks;
    };

    // What the gathering found; a key is there only when its request
    // succeeded.
    struct Gathered {
        QHash<QString, QList<qint64>> termIds;  // query term (lower case) -> hits
        QHash<qint64, GeneSummary> genes;
        QHash<qint64, QList<qint64>> links;  // gene -> RefSeq RNA
        QHash<qint64, NuccoreSummary> records;
        QHash<qint64, QString> texts;  // record -> GenBank text
    };
    template <class T>
    static bool AllIn(const QList<qint64>& ids, const QHash<qint64, T>& hash);
    int GatherGenes(const QStringList& terms);
    int GatherAccessions(const QStringList& terms);
    int GatherTranscripts(const QList<qint64>& geneIds);
    int GatherSummaries(const QList<qint64>& ids, bool genes);
    int GatherTexts(const QList<qint64>& ids);
    // One request of the gathering, with its line on the status line.
    template <class Reply, class Parse>
    int Ask(const EutilsRequest& request, Parse parse, Reply* reply);

    int GeneTerm(const QList<GeneSummary>& hits, const QString& symbol, qint64 taxon,
                 const QString& term);
    int Transcripts(const QList<GeneSummary>& genes, const QString& single);
    int Apply(const GeneOutcome& gene);
    QList<qint64> UniGeneGenes(const QString& cluster, QString* problem);
    // The outcome with the term's share of the bar; a fetch that did not
    // load as the term's outcome.
    int Done(int outcome);
    int Ended(int got);

    SearchEngine& engine_;
    Module1& m_;
    const Settings& settings_;
    const SearchOptions& options_;
    RunView& view_;
    EutilsClient client_;
    QString reason_;
    QList<GeneOutcome> genes_;  // of the last term
    int step_ = 0, given_ = 0;  // the term's share of the bar, and what it has had
    Gathered gathered_;
    QString gathering_;            // "Looking up 1,000 genes at NCBI"
    int asked_ = 0, planned_ = 0;  // requests of the gathering
    bool mapRead_ = false;
    QString mapProblem_;
    QHash<QString, QList<qint64>> unigeneMap_;
};

// The term source that settings.Source names: nullptr for the archive pages.
std::unique_ptr<TermSource> MakeTermSource(SearchEngine& engine, Module1& module,
                                           const Settings& settings, PageLoader& loader,
                                           const SearchOptions& options, RunView& view);

}  // namespace quill
