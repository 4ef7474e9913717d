#include "igtc/igtcreport.h"

#include "printing/printer.h"
#include "text/textrules.h"

namespace quill {

QStringList IgtcSaveItems(const QString& minimumText, const QString& outputText,
                          const QDateTime& when) {
    QStringList items;
    items << QStringLiteral("IGTC search, ") + ShortDateTime(when) + QStringLiteral(", ") +
                 minimumText + QStringLiteral(" minimum cutoff");
    items << QString();
    items << TrimmedReportLines(outputText);
    return items;
}

bool PrintIgtcReport(Printer& printer, const QString& title, const QString& minimumText,
                     const QStringList& names, const QDateTime& when) {
    printer.BeginReport();
    printer.PrintCentred(title);
    printer.PrintCentred(QStringLiteral("IGTC Hits for ") + ShortDateTime(when) +
                         QStringLiteral(", ") + minimumText + QStringLiteral(" minimum cutoff"));
    printer.PrintLine();
    printer.SetFontSize(11);

    if (names.isEmpty()) {
        printer.PrintLine(QStringLiteral("No hits found"));
        return printer.EndDoc();
    }
    printer.SetFontUnderline(true);
    printer.SetFontBold(true);
    printer.PrintLine(
        {PrintItem::Number(names.size()), PrintItem::Text(QStringLiteral(" hits found:"))});
    printer.SetFontUnderline(false);
    printer.SetFontBold(false);
    for (const QString& name : names)
        printer.PrintLine({PrintItem::Column(kIgtcNameColumn), PrintItem::Text(name)});
    return printer.EndDoc();
}

}  // namespace quill
