#include "unique/uniquehits.h"

#include <QSet>

#include "igtc/igtcreport.h"
#include "printing/printer.h"
#include "text/textrules.h"

namespace quill {

QString HitKey(const QString& entry) {
    const qsizetype bar = entry.indexOf(QLatin1String(" |"));
    QString key = bar < 0 ? entry : entry.left(bar);
    qsizetype end = key.size();
    while (end > 0 && key[end - 1] == QLatin1Char(' ')) --end;
    key.truncate(end);
    return key;
}

UniqueHits FindUniqueHits(const QStringList& entries) {
    UniqueHits result;
    QSet<QString> seen;
    seen.reserve(entries.size());
    for (const QString& entry : entries) {
        const QString key = HitKey(entry);
        if (seen.contains(key)) continue;
        seen.insert(key);
        result.keys.append(key);
    }
    return result;
}

QString UniqueReportText(const QStringList& keys, const QDateTime& when) {
    QString t = ShortDateTime(when) + kCrLf;
    t += Num(keys.size()) + QStringLiteral(" unique hits found") + kCrLf;
    t += kCrLf;
    t += QStringLiteral("Hits:") + kCrLf;
    for (const QString& key : keys) t += key + kCrLf;
    return t;
}

QStringList UniqueSaveItems(const QString& reportText) {
    return TrimmedReportLines(reportText);
}

bool PrintUniqueReport(Printer& printer, const QString& title, const QStringList& keys,
                       const QDateTime& when) {
    printer.BeginReport();
    printer.PrintCentred(title);
    printer.PrintCentred(ShortDateTime(when));
    printer.PrintLine();
    printer.SetFontSize(11);
    printer.PrintLine(
        {PrintItem::Number(keys.size()), PrintItem::Text(QStringLiteral(" unique hits found:"))});
    printer.SetFontBold(false);
    for (const QString& key : keys)
        printer.PrintLine({PrintItem::Column(kIgtcNameColumn), PrintItem::Text(key)});
    return printer.EndDoc();
}

}  // namespace quill
