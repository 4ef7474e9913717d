#pragma once
// The counts of a UniGene run's summary, shared by the on-screen summary and
// the printed report, and the printed reports of both search modes.

#include <QDateTime>
#include <QString>

#include "search/searchtypes.h"

namespace quill {

class Printer;

// The counts the summary derives from the result lists. Terms the server
// refused count neither as found nor as not found.
struct SummaryCounts {
    qint64 notFoundTotal = 0;  // lstNotFound + lstIsCluster
    qint64 found = 0;          // term count - not-found total
    qint64 single = 0;         // found - lstWatchOut
    qint64 modelTotal = 0;     // item data summed over lstModel
    qint64 modelMTotal = 0;    // item data summed over lstModelM
    qint64 sequences = 0;      // every sequence of the run
    qint64 ncbiErrors = 0;     // lstNcbiError: terms the server refused
};

// The heading of the list of terms whose pages the server refused.
inline const QString kNcbiErrorHeading = QStringLiteral("Could not be looked up (NCBI error):");

SummaryCounts CountSummary(const SearchResults& results, int termCount);

// The print columns of the indented lines of the search reports.
inline constexpr int kFirstIndentColumn = 10;
inline constexpr int kSecondIndentColumn = 20;

// Prints the summary report of a UniGene run and ends the document: title
// block, "SUMMARY" with the counts, "DETAILS" with the queries by result. The
// EST lines follow the policy's optESTPrompt / optESTSkip. Returns what
// EndDoc returns.
bool PrintSearchReport(Printer& printer, const SearchResults& results, const SearchPolicy& policy,
                       int termCount, const QString& title, const QDateTime& when);

// Prints the summary report of an accession run and ends the document.
bool PrintAccessionReport(Printer& printer, const SearchResults& results, int termCount,
                          const QString& title, const QDateTime& when);

// Prints a text as it stands, in the printer's current font and coordinate
// system (its own line breaks break the lines), and ends the document.
bool PrintPlainText(Printer& printer, const QString& text);

}  // namespace quill
