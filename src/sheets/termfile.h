#pragma once
// Reading a term list from a file for the command line. The file is known by
// its content (see ReadWorkbook): a plain text file gives one term per line,
// as written; a spreadsheet, a CSV file or one of this program's saved hit
// lists gives every non-empty cell (hit entry) of its first sheet, row by
// row, under the window's import rule.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace quill {

struct TermFileRule {
    // Applied to each spreadsheet cell's text (the window's import
    // transformation); identity when empty.
    std::function<QString(const QString&)> transform;
    // Drop a cell equal to one already taken (the first is kept).
    bool removeDuplicates = true;
    // When set, used instead of transform: nullopt stops the reading at that
    // cell, keeping the terms taken before it (stoppedAt says where).
    std::function<std::optional<QString>(const QString&)> checkedTransform;
};

// The import rules of the hit and unique term lists (the search list's is
// the default rule, with "/" to blank in accession mode).
TermFileRule HitsImportRule();    // hit-name transformation
TermFileRule UniqueImportRule();  // unchanged, duplicates kept

struct TermFileResult {
    bool ok = false;
    QString error;  // names the file and the reason
    QStringList terms;
    bool duplicatesRemoved = false;
    QString stoppedAt;  // the cell text whose transformation failed, if any
};

TermFileResult ReadTermFile(const QString& path, const TermFileRule& rule = {});
// The same for bytes read elsewhere (standard input), named name in messages.
TermFileResult ReadTermBytes(const QString& name, const QByteArray& bytes,
                             const TermFileRule& rule = {});

}  // namespace quill
