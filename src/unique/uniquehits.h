#pragma once
// The unique hit finder: reduces a list of IGTC hit entries ("Abc1 | 123
// MM#2", or a bare name) to the distinct hit names in order of first
// appearance, with its report text, saved lines and printed report.

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace quill {

class Printer;

// The key of a hit entry, made for entries of the form "NAME | more": the
// text before the first "|" that follows a blank, without that blank; an
// entry with no such "|" (a bare name, an NCBI-style id such as
// "gi|57163782|ref|NM_001009242.1|") is its own key. Trailing blanks are
// removed, leading blanks kept.
QString HitKey(const QString& entry);

struct UniqueHits {
    QStringList keys;  // each key once, in order of first appearance
};

// Keys are compared exactly (letter case matters). Linear in the number of
// entries.
UniqueHits FindUniqueHits(const QStringList& entries);

// The result report: "<date>, <time>", "<n> unique hits found", an empty
// line, "Hits:", then one line per key; every line ends with CR LF.
QString UniqueReportText(const QStringList& keys, const QDateTime& when);

// The lines of the saved file for a report text: every piece of the text
// before its last CR LF, without leading and trailing blanks, empty ones left
// out.
QStringList UniqueSaveItems(const QString& reportText);

// Prints the report and ends the document: the title and "<date>, <time>"
// centred in bold 13-point Times New Roman from height 720, an empty line,
// the bold 11-point count line "<n> unique hits found:", then the keys at the
// IGTC report's name column. Returns what EndDoc returns.
bool PrintUniqueReport(Printer& printer, const QString& title, const QStringList& keys,
                       const QDateTime& when);

}  // namespace quill
