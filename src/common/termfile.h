#pragma once
// Reading a term list from a file for the command line: a plain text file
// gives one term per line; a spreadsheet (.xls, .xlsx, .ods, .csv) gives
// every non-empty cell of its first sheet, row by row.

#include <QString>
#include <QStringList>
#include <functional>

namespace quill {

struct TermFileRule {
    // Applied to each spreadsheet cell's text (the window's import
    // transformation); identity when empty.
    std::function<QString(const QString&)> transform;
    // Drop a cell equal to one already taken (the first is kept).
    bool removeDuplicates = true;
};

struct TermFileResult {
    bool ok = false;
    QString error;              // names the file and the reason
    QStringList terms;
    bool duplicatesRemoved = false;
};

TermFileResult ReadTermFile(const QString& path, const TermFileRule& rule = {});

}  // namespace quill
