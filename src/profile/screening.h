#pragma once
// Expression-profile screening without windows: the criteria of the criteria
// window (tissue lists, defaults, the OK checks), the profile table of one
// gene, the screening rule, and the screening report as text and printout.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <span>

namespace quill {

class Printer;

// ---------------------------------------------------------------------------
// Criteria

// The body-site names of the two tissue lists, in list order, and the entries
// selected when the criteria window is built.
const QStringList& MouseTissues();
const QStringList& HumanTissues();
const QList<int>& DefaultMouseSelection();  // 12, 29
const QList<int>& DefaultHumanSelection();  // 27, 39

inline const QString kDefaultAbundance = QStringLiteral("50");
inline const QString kDefaultTpm = QStringLiteral("100");

// An optional sign followed by digits only, whose value lies in -32768..32767
// (a sign alone is valid and reads 0; so is the empty text).
bool IsValidInteger(const QString& text);

// The checks of the criteria window's OK button, in order: the message of the
// first that fails, nullopt when both texts pass.
std::optional<QString> CriteriaProblem(const QString& abundanceText, const QString& tpmText);
inline const QString kInvalidValueTitle = QStringLiteral("Invalid value");

// What the screening rule reads from the criteria window for every term: the
// two check boxes and the two threshold texts as they stand.
struct ScreeningCriteria {
    bool chkAbundance = true;
    bool chkTissue = true;
    QString txtAbundance = kDefaultAbundance;
    QString txtTissue = kDefaultTpm;
};

// The tissue selections a run takes when it starts, in list order.
struct TissueSelection {
    QStringList mouse;
    QStringList human;
};

// Why a run cannot screen against this selection, nullopt when it can (each
// species needs at least one selected tissue).
std::optional<QString> TissueSelectionProblem(const TissueSelection& selection);

// ---------------------------------------------------------------------------
// One gene's profile and the rule

struct ProfileRow {
    QString TissueName;
    double Tpm = 0;
    double EstCount = 0;
};

enum class ProfileSpecies { Mouse, Human };

struct Profile {
    ProfileSpecies species = ProfileSpecies::Mouse;
    QList<ProfileRow> rows;
};

// Outcomes of screening one term.
enum ScreenOutcome {
    kNotTested = 0,
    kScreenCanceled = 1,
    kMatched = 3,
    kNotMatched = 4,
    kNoData = 5,
    kNcbiError = 6  // the server refused one of the term's pages
};

// The most rows a profile table holds.
inline constexpr int kMaxProfileRows = 100;

// Reads the body-site table of a profile page (markup as the browser
// serializes it): the species by "adrenal gland", the table from the first
// "CURSOR: help" up to the row after which the next "CURSOR: help" lies
// beyond the end marker. nullopt when the page yields no table (no row, the
// last row not followed by another "CURSOR: help", or a ">" or "<" missing
// after a marker). A table that has not ended after 100 rows keeps them.
std::optional<Profile> ReadProfile(const QString& markup);

// Whether one selected tissue holds at least percent % of all the gene's
// ESTs (running total rounded after each addition; threshold rounded down).
bool PassesAbundanceTest(const QList<ProfileRow>& rows, const QStringList& tissues,
                         const QString& abundanceText);
// Whether the selected tissues' TPM, summed and rounded after each addition,
// is greater than the rounded minimum.
bool PassesTpmTest(const QList<ProfileRow>& rows, const QStringList& tissues,
                   const QString& tpmText);
// The two tests as the check boxes switch them: kMatched, kNotMatched, or
// kNotTested when neither is on. The tissues of the profile's species count.
ScreenOutcome ApplyScreeningRule(const Profile& profile, const TissueSelection& tissues,
                                 const ScreeningCriteria& criteria);

// ---------------------------------------------------------------------------
// The rule on an expression table's values

// The same two tests on one gene's decimal values over all of a table's
// tissues (expressiontable.h), selected by their indexes, in double
// precision without rounding steps. A decimal such as 2.3 has no exact
// binary form, so a tissue at exactly 46 % of the total, or a sum of exactly
// 30, would fall on either side by the last bits of the arithmetic: sides
// that differ by less than this fraction count as equal (far below the
// precision of any table; sums are compensated, so their error does not
// grow with the number of tissues).
inline constexpr double kTableRuleTolerance = 1e-12;

// Whether one selected tissue holds at least percent % of the gene's total
// over all tissues: value * 100 >= percent * total * (1 - tolerance). Never
// when the total is 0.
bool PassesTableAbundanceTest(std::span<const double> values, const QList<int>& selected,
                              const QString& abundanceText);
// Whether the selected tissues' values sum to more than the minimum:
// sum > minimum * (1 + tolerance).
bool PassesTableTpmTest(std::span<const double> values, const QList<int>& selected,
                        const QString& tpmText);
// The two tests as the check boxes switch them: kMatched, kNotMatched, or
// kNotTested when neither is on. A gene whose total is 0 is not matched.
ScreenOutcome ApplyTableScreeningRule(std::span<const double> values, const QList<int>& selected,
                                      const ScreeningCriteria& criteria);
// The indexes of the tissues named, as the table spells them, in the
// table's order (each once).
QList<int> TableTissueIndexes(const QStringList& tissues, const QStringList& names);
// The rule with the selection by name.
ScreenOutcome ApplyTableScreeningRule(const QStringList& tissues, std::span<const double> values,
                                      const QStringList& selected,
                                      const ScreeningCriteria& criteria);

// ---------------------------------------------------------------------------
// Results and report

// What the report reads: the selections taken when the last run started, the
// thresholds copied when the last run completed, and the three result lists.
struct ScreeningResults {
    TissueSelection SelectedTissues;
    QString txtAbundance1;
    QString txtTissue1;
    QStringList lstFound;
    QStringList lstNotFound;
    QStringList lstNoData;
    // A cancelled run: the terms screened before the cancel, of termCount;
    // -1 when the run was not cancelled.
    int cancelledAfter = -1;
    int termCount = 0;
    // "Could not be looked up (NCBI error)": each term with the server's
    // answer and the address; listed after the others only when not empty.
    QStringList lstNcbiError;
    // A run on expression tables: one line per table it took
    // (ExpressionTableLine), mouse first; empty for a run on the archive.
    QStringList tableLines;
};

// The report text (CR LF lines); the criteria lines follow the two check
// boxes as given. A cancelled run's report says so below its heading
// ("Cancelled after 477 of 2,010 terms"); a run on tables names them above
// the tissue line.
QString BuildScreeningReport(const ScreeningResults& results, const ScreeningCriteria& checks,
                             const QDateTime& when);

// Prints the report and ends the document: title and heading centred in bold
// 13-point Times New Roman from height 720, the tissue and criteria lines,
// then in 11 points the three sections, entries at print column 10. A
// cancelled run's line is centred below the heading; the table lines precede
// the tissue line as in the text. Returns what EndDoc
// returns.
bool PrintScreeningReport(Printer& printer, const QString& title, const ScreeningResults& results,
                          const ScreeningCriteria& checks, const QDateTime& when);

inline constexpr int kScreeningEntryColumn = 10;

}  // namespace quill
