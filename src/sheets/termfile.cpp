// Term files for the command line: whatever the spreadsheet readers make of
// the file, a plain text file taken line by line.
#include "sheets/termfile.h"

#include <QSet>

#include "sheets/spreadsheet.h"

namespace quill {

namespace {

TermFileResult TermsOf(const WorkbookResult& book, const TermFileRule& rule) {
    TermFileResult r;
    if (!book.ok) {
        r.error = book.error;
        return r;
    }
    r.ok = true;
    if (book.book.sheets.isEmpty()) return r;
    const SheetData& sheet = book.book.sheets.first();
    if (book.book.lines) {  // a text file: one term per line, as written
        r.terms = QStringList(sheet.cells.cbegin(), sheet.cells.cend());
        return r;
    }
    QSet<QString> seen;
    for (int row = 0; row < sheet.rows; ++row) {
        for (int col = 0; col < sheet.columns; ++col) {
            QString text = sheet.Cell(row, col);
            if (text.isEmpty()) continue;
            if (rule.checkedTransform) {
                const std::optional<QString> t = rule.checkedTransform(text);
                if (!t) {
                    r.stoppedAt = text;
                    return r;
                }
                text = *t;
            } else if (rule.transform) {
                text = rule.transform(text);
            }
            if (rule.removeDuplicates) {
                if (seen.contains(text)) {
                    r.duplicatesRemoved = true;
                    continue;
                }
                seen.insert(text);
            }
            r.terms.append(text);
        }
    }
    return r;
}

}  // namespace

TermFileResult ReadTermFile(const QString& path, const TermFileRule& rule) {
    return TermsOf(ReadWorkbook(path), rule);
}

TermFileResult ReadTermBytes(const QString& name, const QByteArray& bytes,
                             const TermFileRule& rule) {
    return TermsOf(ReadWorkbookBytes(name, bytes), rule);
}

TermFileRule HitsImportRule() {
    TermFileRule rule;
    rule.checkedTransform = [](const QString& t) { return HitNameFromImport(t); };
    return rule;
}

TermFileRule UniqueImportRule() {
    TermFileRule rule;
    rule.removeDuplicates = false;
    return rule;
}

}  // namespace quill
