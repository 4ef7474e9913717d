#include "sheets/savedlists.h"

#include <QRegularExpression>

namespace quill {

namespace {

// The items of a quoted-item text, each as its lines; nullopt when a line
// outside an item does not open one (empty lines between items are passed
// over) or the last item is never closed.
std::optional<QList<QStringList>> QuotedItems(const QString& text) {
    qsizetype first = 0;
    while (first < text.size() &&
           (text[first] == QLatin1Char('\r') || text[first] == QLatin1Char('\n')))
        ++first;
    if (first == text.size() || text[first] != QLatin1Char('"')) return std::nullopt;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    QList<QStringList> items;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.isEmpty()) continue;
        if (!line.startsWith(QLatin1Char('"'))) return std::nullopt;
        if (line.size() >= 2 && line.endsWith(QLatin1Char('"'))) {
            items.append(QStringList{line.mid(1, line.size() - 2)});
            continue;
        }
        // An item over several lines ends at the first line that ends in a quote.
        QStringList item{line.mid(1)};
        for (++i; i < lines.size() && !lines[i].endsWith(QLatin1Char('"')); ++i)
            item.append(lines[i]);
        if (i == lines.size()) return std::nullopt;
        item.append(lines[i].chopped(1));
        items.append(item);
    }
    if (items.isEmpty()) return std::nullopt;
    return items;
}

bool IsLine(const QStringList& item, const QRegularExpression& pattern) {
    return item.size() == 1 && pattern.match(item.first()).hasMatch();
}

}  // namespace

std::optional<QStringList> SavedListEntries(const QString& text) {
    static const QRegularExpression igtcHeading(QStringLiteral("^IGTC search, .* minimum cutoff$"));
    static const QRegularExpression igtcCount(
        QStringLiteral("^\\d+ hits found on IGTC database:$"));
    static const QRegularExpression uniqueCount(QStringLiteral("^\\d+ unique hits found$"));
    static const QRegularExpression hitsLine(QStringLiteral("^Hits:$"));
    static const QRegularExpression emptyLine(QStringLiteral("^$"));
    static const QString screeningHeading = QStringLiteral("Expression Profile Results for ");

    const std::optional<QList<QStringList>> items = QuotedItems(text);
    if (!items) return std::nullopt;
    const QList<QStringList>& it = *items;
    const qsizetype n = it.size();
    const auto is = [&](qsizetype k, const QRegularExpression& pattern) {
        return k < n && IsLine(it[k], pattern);
    };
    QStringList entries;
    bool heading = false;
    for (qsizetype k = 0; k < n;) {
        if (is(k, igtcHeading) && is(k + 1, emptyLine)) {
            k += is(k + 2, igtcCount) ? 3 : 2;
            heading = true;
        } else if (it[k].size() == 1 && is(k + 1, uniqueCount) && is(k + 2, hitsLine)) {
            k += 3;
            heading = true;
        } else if (it[k].size() > 1 && it[k].first().startsWith(screeningHeading)) {
            for (const QString& line : it[k])
                if (line.startsWith(QLatin1Char('\t'))) entries.append(line.mid(1));
            ++k;
            heading = true;
        } else {
            entries.append(it[k].join(QLatin1Char('\n')));
            ++k;
        }
    }
    if (!heading) return std::nullopt;
    return entries;
}

}  // namespace quill
