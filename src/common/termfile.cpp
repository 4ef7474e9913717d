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
    // Line by line, so that a line past the limit is refused before it is
    // read whole; a UTF-16 unit takes at most three bytes of UTF-8.
    const qint64 maxBytes = 3 * qint64(kMaxCellChars) + 2;
    for (int number = 1;; ++number) {
        QByteArray line = f.readLine(maxBytes + 1);
        if (line.isEmpty()) break;
        const bool ended = line.endsWith('\n');
        if (ended) line.chop(line.endsWith("\r\n") ? 2 : 1);
        const QString term = QString::fromUtf8(line);
        if (line.size() >= maxBytes || term.size() > kMaxCellChars) {
            r.terms.clear();
            r.error = path + QStringLiteral(
                                 ": line %1 holds more than %2 characters, the most "
                                 "a line may hold")
                                 .arg(number)
                                 .arg(kMaxCellChars);
            return r;
        }
        r.terms.append(term);
    }
    if (f.error() != QFileDevice::NoError) {
        r.terms.clear();
        r.error = path + QStringLiteral(": ") + f.errorString();
        return r;
    }
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
