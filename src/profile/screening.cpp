#include "profile/screening.h"

#include <QLocale>
#include <cmath>

#include "printing/printer.h"
#include "text/textrules.h"

namespace quill {

namespace {

const QString kCursorHelp = QStringLiteral("CURSOR: help");
const QString kFontText = QStringLiteral("FONT class=text");

// The text between the tags that follow position from: from the first ">"
// at or after from, up to the next "<". nullopt when either is missing.
struct Cell {
    QString text;
    int start = 0;  // 1-based position of the text
    int end = 0;    // position of the closing "<"
};
std::optional<Cell> CellAfter(const QString& markup, int from) {
    if (from < 1) return std::nullopt;
    const int g = InStr(from, markup, QStringLiteral(">"));
    if (g == 0) return std::nullopt;
    const int e = InStr(g + 1, markup, QStringLiteral("<"));
    if (e == 0) return std::nullopt;
    const std::optional<QString> text = CutBetween(markup, g + 1, e);
    if (!text) return std::nullopt;
    return Cell{*text, g + 1, e};
}

// The cell of the first "FONT class=text" at or after from.
std::optional<Cell> FontCellAfter(const QString& markup, int from) {
    const int f = InStr(from, markup, kFontText);
    if (f == 0) return std::nullopt;
    return CellAfter(markup, f);
}

QString TissueLine(const TissueSelection& t) {
    return QStringLiteral("Localized expression in: ") + t.mouse.join(QStringLiteral(", ")) +
           QStringLiteral(" (mouse); ") + t.human.join(QStringLiteral(", ")) +
           QStringLiteral(" (human)");
}

QString AbundanceLine(const QString& threshold) {
    return QStringLiteral("EST expression in at least one of the tissues is greater than ") +
           threshold + QStringLiteral("%");
}

QString TpmLine(const QString& threshold) {
    return QStringLiteral("At least one tissue's TPM must be greater than ") + threshold;
}

QString Heading(const QDateTime& when) {
    return QStringLiteral("Expression Profile Results for ") + ShortDateTime(when);
}

// "Cancelled after 477 of 2,010 terms"; "" for a run that was not cancelled.
QString CancelledLine(const ScreeningResults& r) {
    if (r.cancelledAfter < 0) return QString();
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    return QStringLiteral("Cancelled after ") + english.toString(r.cancelledAfter) +
           QStringLiteral(" of ") + english.toString(r.termCount) + QStringLiteral(" terms");
}

const QString kMatchedHeading = QStringLiteral("Genes matched:");
const QString kNotMatchedHeading = QStringLiteral("Genes not matched:");
const QString kNoDataHeading = QStringLiteral("No expression data found:");
const QString kNcbiErrorHeading = QStringLiteral("Could not be looked up (NCBI error):");

}  // namespace

// ---------------------------------------------------------------------------
// Criteria

const QStringList& MouseTissues() {
    static const QStringList list{"adipose tissue",
                                  "blood",
                                  "bone",
                                  "bone marrow",
                                  "brain",
                                  "connective tissue",
                                  "dorsal root ganglion",
                                  "embryonic tissue",
                                  "endocrine",
                                  "epidydimis",
                                  "extraembryonic tissue",
                                  "eye",
                                  "female genital",
                                  "gastrointestinal tract",
                                  "head and neck",
                                  "heart",
                                  "inner ear",
                                  "limb",
                                  "liver",
                                  "lung",
                                  "lymph node",
                                  "mammary gland",
                                  "muscle",
                                  "pancreas",
                                  "prostate",
                                  "skin",
                                  "spinal cord",
                                  "spleen",
                                  "sympathetic ganglion",
                                  "testis",
                                  "thymus",
                                  "urinary",
                                  "vascular",
                                  "vesicular gland"};
    return list;
}

const QStringList& HumanTissues() {
    static const QStringList list{"adipose tissue",
                                  "adrenal gland",
                                  "ascites",
                                  "bladder",
                                  "blood",
                                  "bone",
                                  "bone marrow",
                                  "brain",
                                  "cervix",
                                  "cochlea",
                                  "colon",
                                  "connective tissue",
                                  "cranial nerve",
                                  "embryonic tissue",
                                  "esophagus",
                                  "eye",
                                  "heart",
                                  "kidney",
                                  "larynx",
                                  "liver",
                                  "lung",
                                  "lymph",
                                  "lymph node",
                                  "mammary gland",
                                  "mouth",
                                  "muscle",
                                  "nerve",
                                  "ovary",
                                  "pancreas",
                                  "parathyroid",
                                  "pharynx",
                                  "pituitary gland",
                                  "placenta",
                                  "prostate",
                                  "salivary gland",
                                  "skin",
                                  "small intestine",
                                  "spleen",
                                  "stomach",
                                  "testis",
                                  "thymus",
                                  "thyroid",
                                  "tonsil",
                                  "trachea",
                                  "umbilical cord",
                                  "uterus",
                                  "vascular",
                                  "whole body",
                                  "whole brain"};
    return list;
}

const QList<int>& DefaultMouseSelection() {
    static const QList<int> list{12, 29};
    return list;
}

const QList<int>& DefaultHumanSelection() {
    static const QList<int> list{27, 39};
    return list;
}

bool IsValidInteger(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool sign = i == 0 && (c == QLatin1Char('+') || c == QLatin1Char('-'));
        if (!digit && !sign) return false;
    }
    const double value = Val(text);
    return value >= -32768 && value <= 32767;
}

std::optional<QString> CriteriaProblem(const QString& abundanceText, const QString& tpmText) {
    if (abundanceText.isEmpty() || !IsValidInteger(abundanceText))
        return QStringLiteral("Enter a valid number for EST expression abundance");
    const double percent = Val(abundanceText);
    if (percent < 0 || percent > 100)
        return QStringLiteral("Enter a number between 0 and 100 for EST expression abundance");
    if (tpmText.isEmpty() || !IsValidInteger(tpmText))
        return QStringLiteral("Enter a valid number for specified tissue minimum");
    if (Val(tpmText) < 0)
        return QStringLiteral("Enter a number greater than 0 for specified tissue minimum");
    return std::nullopt;
}

std::optional<QString> TissueSelectionProblem(const TissueSelection& selection) {
    if (selection.mouse.isEmpty() && selection.human.isEmpty())
        return QStringLiteral("No mouse and no human tissue is selected");
    if (selection.mouse.isEmpty()) return QStringLiteral("No mouse tissue is selected");
    if (selection.human.isEmpty()) return QStringLiteral("No human tissue is selected");
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Profile table and rule

std::optional<Profile> ReadProfile(const QString& markup) {
    Profile profile;
    const bool human = InStr(markup, QStringLiteral("adrenal gland")) != 0;
    profile.species = human ? ProfileSpecies::Human : ProfileSpecies::Mouse;
    const int end = InStr(markup, human ? QStringLiteral("Breakdown by Health State")
                                        : QStringLiteral("Breakdown by Developmental Stage"));
    int p = InStr(markup, kCursorHelp);
    for (int i = 1; i <= kMaxProfileRows; ++i) {
        if (p == 0) return std::nullopt;
        const std::optional<Cell> name = CellAfter(markup, p);
        if (!name) return std::nullopt;
        const std::optional<Cell> tpm = FontCellAfter(markup, name->end);
        if (!tpm) return std::nullopt;
        const std::optional<Cell> count = FontCellAfter(markup, tpm->end);
        if (!count) return std::nullopt;
        profile.rows.append({name->text, Val(tpm->text), Val(count->text)});
        p = InStr(count->start, markup, kCursorHelp);
        if (p > end) break;
    }
    return profile;
}

bool PassesAbundanceTest(const QList<ProfileRow>& rows, const QStringList& tissues,
                         const QString& abundanceText) {
    double total = 0;
    for (const ProfileRow& row : rows) total = RoundHalfEven(total + row.EstCount);
    const double percent = Val(abundanceText);
    const double threshold = std::floor((percent / 100) * total);
    for (const QString& tissue : tissues) {
        for (const ProfileRow& row : rows) {
            if (row.TissueName == tissue && row.EstCount >= threshold) return true;
        }
    }
    return false;
}

bool PassesTpmTest(const QList<ProfileRow>& rows, const QStringList& tissues,
                   const QString& tpmText) {
    const double minimum = RoundHalfEven(Val(tpmText));
    double sum = 0;
    for (const QString& tissue : tissues) {
        for (const ProfileRow& row : rows) {
            if (row.TissueName == tissue) sum = RoundHalfEven(sum + row.Tpm);
        }
    }
    return sum > minimum;
}

ScreenOutcome ApplyScreeningRule(const Profile& profile, const TissueSelection& tissues,
                                 const ScreeningCriteria& criteria) {
    const QStringList& selected =
        profile.species == ProfileSpecies::Human ? tissues.human : tissues.mouse;
    const bool abundance = criteria.chkAbundance;
    const bool tpm = criteria.chkTissue;
    if (!abundance && !tpm) return kNotTested;
    bool passes = true;
    if (abundance) passes = PassesAbundanceTest(profile.rows, selected, criteria.txtAbundance);
    if (tpm) {
        const bool tpmPasses = PassesTpmTest(profile.rows, selected, criteria.txtTissue);
        passes = passes && tpmPasses;
    }
    return passes ? kMatched : kNotMatched;
}

// ---------------------------------------------------------------------------
// The rule on a table's values

namespace {

// A sum with the rounding error of each addition carried along (Neumaier),
// so that it is as close to the exact sum as one rounding.
class CompensatedSum {
  public:
    void Add(double value) {
        const double t = sum_ + value;
        if (std::fabs(sum_) >= std::fabs(value))
            error_ += (sum_ - t) + value;
        else
            error_ += (value - t) + sum_;
        sum_ = t;
    }
    double Value() const { return sum_ + error_; }

  private:
    double sum_ = 0;
    double error_ = 0;
};

double Total(std::span<const double> values) {
    CompensatedSum total;
    for (const double v : values) total.Add(v);
    return total.Value();
}

bool AbundancePasses(std::span<const double> values, const QList<int>& selected, double total,
                     const QString& abundanceText) {
    if (!(total > 0)) return false;
    const double threshold = Val(abundanceText) * total * (1 - kTableRuleTolerance);
    for (const int t : selected) {
        if (t >= 0 && size_t(t) < values.size() && values[t] * 100 >= threshold) return true;
    }
    return false;
}

}  // namespace

bool PassesTableAbundanceTest(std::span<const double> values, const QList<int>& selected,
                              const QString& abundanceText) {
    return AbundancePasses(values, selected, Total(values), abundanceText);
}

bool PassesTableTpmTest(std::span<const double> values, const QList<int>& selected,
                        const QString& tpmText) {
    CompensatedSum sum;
    for (const int t : selected) {
        if (t >= 0 && size_t(t) < values.size()) sum.Add(values[t]);
    }
    return sum.Value() > Val(tpmText) * (1 + kTableRuleTolerance);
}

ScreenOutcome ApplyTableScreeningRule(std::span<const double> values, const QList<int>& selected,
                                      const ScreeningCriteria& criteria) {
    if (!criteria.chkAbundance && !criteria.chkTissue) return kNotTested;
    const double total = Total(values);
    if (!(total > 0)) return kNotMatched;
    if (criteria.chkAbundance && !AbundancePasses(values, selected, total, criteria.txtAbundance))
        return kNotMatched;
    if (criteria.chkTissue && !PassesTableTpmTest(values, selected, criteria.txtTissue))
        return kNotMatched;
    return kMatched;
}

QList<int> TableTissueIndexes(const QStringList& tissues, const QStringList& names) {
    QList<int> indexes;
    for (qsizetype i = 0; i < tissues.size(); ++i) {
        if (names.contains(tissues.at(i))) indexes.append(int(i));
    }
    return indexes;
}

ScreenOutcome ApplyTableScreeningRule(const QStringList& tissues, std::span<const double> values,
                                      const QStringList& selected,
                                      const ScreeningCriteria& criteria) {
    return ApplyTableScreeningRule(values, TableTissueIndexes(tissues, selected), criteria);
}

// ---------------------------------------------------------------------------
// Report

QString BuildScreeningReport(const ScreeningResults& results, const ScreeningCriteria& checks,
                             const QDateTime& when) {
    QString text = Heading(when) + kCrLf;
    if (const QString cancelled = CancelledLine(results); !cancelled.isEmpty())
        text += cancelled + kCrLf;
    text += kCrLf;
    for (const QString& table : results.tableLines) text += table + kCrLf;
    text += TissueLine(results.SelectedTissues) + kCrLf;
    if (checks.chkAbundance) text += AbundanceLine(results.txtAbundance1) + kCrLf;
    if (checks.chkTissue) text += TpmLine(results.txtTissue1) + kCrLf;
    text += kCrLf;
    const auto section = [&text](const QString& heading, const QStringList& entries) {
        text += heading + kCrLf;
        for (const QString& entry : entries) text += kTab + entry + kCrLf;
    };
    section(kMatchedHeading, results.lstFound);
    text += kCrLf;
    section(kNotMatchedHeading, results.lstNotFound);
    text += kCrLf;
    section(kNoDataHeading, results.lstNoData);
    if (!results.lstNcbiError.isEmpty()) {
        text += kCrLf;
        section(kNcbiErrorHeading, results.lstNcbiError);
    }
    return text;
}

bool PrintScreeningReport(Printer& printer, const QString& title, const ScreeningResults& results,
                          const ScreeningCriteria& checks, const QDateTime& when) {
    printer.BeginReport();
    printer.PrintCentred(title);
    printer.PrintCentred(Heading(when));
    if (const QString cancelled = CancelledLine(results); !cancelled.isEmpty())
        printer.PrintCentred(cancelled);
    printer.PrintLine();
    for (const QString& table : results.tableLines) printer.PrintLine(table);
    printer.PrintLine(TissueLine(results.SelectedTissues));
    if (checks.chkAbundance) printer.PrintLine(AbundanceLine(results.txtAbundance1));
    if (checks.chkTissue) printer.PrintLine(TpmLine(results.txtTissue1));
    printer.PrintLine();

    printer.SetFontSize(11);
    const auto section = [&printer](const QString& heading, const QStringList& entries) {
        printer.SetFontBold(true);
        printer.PrintLine(heading);
        printer.SetFontBold(false);
        for (const QString& entry : entries)
            printer.PrintLine({PrintItem::Column(kScreeningEntryColumn), PrintItem::Text(entry)});
    };
    section(kMatchedHeading, results.lstFound);
    printer.PrintLine();
    section(kNotMatchedHeading, results.lstNotFound);
    printer.PrintLine();
    section(kNoDataHeading, results.lstNoData);
    if (!results.lstNcbiError.isEmpty()) {
        printer.PrintLine();
        section(kNcbiErrorHeading, results.lstNcbiError);
    }
    return printer.EndDoc();
}

}  // namespace quill
