#pragma once
// The IGTC hit report: the printed report and the lines of the saved file.

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace quill {

class Printer;

// The lines of the saved hit list, each written as a quoted item: the heading
// "IGTC search, <date>, <time>, <minimum> minimum cutoff", an empty line, then
// every line of the output text but the last piece after its final CR LF,
// without leading and trailing blanks, empty lines left out.
QStringList IgtcSaveItems(const QString& minimumText, const QString& outputText,
                          const QDateTime& when);

// Prints the hit report and ends the document: the title and the line
// "IGTC Hits for <date>, <time>, <minimum> minimum cutoff" centred in bold
// 13-point Times New Roman from height 720, an empty line, then in 11 points
// either "No hits found" or the bold underlined count line followed by the
// names at print column 7. Returns what EndDoc returns.
bool PrintIgtcReport(Printer& printer, const QString& title, const QString& minimumText,
                     const QStringList& names, const QDateTime& when);

// The print column of the name lines.
inline constexpr int kIgtcNameColumn = 7;

}  // namespace quill
