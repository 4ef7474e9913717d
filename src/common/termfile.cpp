// Term files for the command line: spreadsheets by extension, plain text
// otherwise.
#include "common/termfile.h"

#include <QFile>
#include <QSet>

#include "common/spreadsheet.h"
#include "common/textrules.h"

namespace quill {

namespace {

TermFileResult ReadPlainText(const QString& path) {
    TermFileResult r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.error = path + QStringLiteral(": ") + f.errorString();
        return r;
    }
    QString text = QString::fromUtf8(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    r.terms = text.split(QLatin1Char('\n'));
    if (!r.terms.isEmpty() && r.terms.last().isEmpty()) r.terms.removeLast();
    r.ok = true;
    return r;
}

}  // namespace

TermFileResult ReadTermFile(const QString& path, const TermFileRule& rule) {
    if (!IsSpreadsheetFile(path)) return ReadPlainText(path);

    TermFileResult r;
    const WorkbookResult book = ReadWorkbook(path);
    if (!book.ok) {
        r.error = book.error;
        return r;
    }
    r.ok = true;
    if (book.book.sheets.isEmpty()) return r;
    const SheetData& sheet = book.book.sheets.first();
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

TermFileRule SearchImportRule(bool accessionMode) {
    TermFileRule rule;
    if (accessionMode) rule.transform = [](const QString& t) { return SlashesToSpaces(t); };
    return rule;
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
