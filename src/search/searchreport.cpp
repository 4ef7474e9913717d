#include "search/searchreport.h"

#include "printing/printer.h"
#include "text/textrules.h"

namespace quill {

namespace {

qint64 Sum(const ResultList& list) {
    qint64 total = 0;
    for (qint32 v : list.data) total += v;
    return total;
}

// The line kinds both reports share, on the report page.
class ReportWriter {
  public:
    explicit ReportWriter(Printer& p) : p_(p) { p_.BeginReport(); }

    // Size, bold and underline of the lines printed from now on.
    void Style(double size, bool bold, bool underline = false) {
        p_.SetFontSize(size);
        p_.SetFontBold(bold);
        p_.SetFontUnderline(underline);
    }
    void Centred(const QString& text) { p_.PrintCentred(text); }
    void Plain(const QList<PrintItem>& items) { p_.PrintLine(items); }
    void Plain(const QString& text) { p_.PrintLine(text); }
    void Indented(int column, QList<PrintItem> items) {
        items.prepend(PrintItem::Column(column));
        p_.PrintLine(items);
    }
    void Empty() { p_.PrintLine(); }
    // One indented line per entry; with its item data in parentheses.
    void Entries(const ResultList& list, bool withData) {
        for (int i = 0; i < list.count(); ++i) {
            if (withData) {
                Indented(kFirstIndentColumn,
                         {PrintItem::Text(list.text[i] + QStringLiteral(" (")),
                          PrintItem::Number(list.data[i]), PrintItem::Text(QStringLiteral(")"))});
            } else {
                Indented(kFirstIndentColumn, {PrintItem::Text(list.text[i])});
            }
        }
    }
    // The terms the server refused, after an empty line; nothing when none.
    void NcbiErrors(const SearchResults& r) {
        if (r.lstNcbiError.count() + r.lstNcbiErrorM.count() == 0) return;
        Empty();
        Style(11, true, true);
        Plain(kNcbiErrorHeading);
        Style(11, false);
        Entries(r.lstNcbiError, false);
        Entries(r.lstNcbiErrorM, false);
    }
    bool End() { return p_.EndDoc(); }

  private:
    Printer& p_;
};

PrintItem T(const QString& text) {
    return PrintItem::Text(text);
}
PrintItem N(qint64 n) {
    return PrintItem::Number(static_cast<double>(n));
}

}  // namespace

SummaryCounts CountSummary(const SearchResults& r, int termCount) {
    SummaryCounts c;
    c.notFoundTotal = r.lstNotFound.count() + r.lstIsCluster.count();
    c.ncbiErrors = r.lstNcbiError.count();
    c.found = termCount - c.notFoundTotal - c.ncbiErrors;
    c.single = c.found - r.lstWatchOut.count();
    c.modelTotal = Sum(r.lstModel);
    c.modelMTotal = Sum(r.lstModelM);
    c.sequences = r.lstmRNA.count() + c.modelTotal + r.lstEST.count() + c.modelMTotal +
                  r.lstmRNAM.count() + r.lstESTM.count();
    return c;
}

bool PrintSearchReport(Printer& printer, const SearchResults& r, const SearchPolicy& policy,
                       int termCount, const QString& title, const QDateTime& when) {
    const SummaryCounts c = CountSummary(r, termCount);
    const QString& org = r.OrgCode;
    ReportWriter w(printer);
    w.Centred(title);
    w.Centred(QStringLiteral("Results for ") + ShortDateTime(when) + QStringLiteral(", ") +
              Num(termCount) + QStringLiteral(" ") + org + QStringLiteral(" queries searched"));
    w.Empty();
    w.Centred(QStringLiteral("SUMMARY"));
    w.Empty();

    w.Style(11, true, true);
    w.Plain({N(c.found), T(QStringLiteral(" query(s) found (")), N(c.sequences),
             T(QStringLiteral(" sequences found):"))});
    w.Style(11, true);
    w.Indented(kFirstIndentColumn, {N(c.single), T(QStringLiteral(" query(s) have a single ") +
                                                   org + QStringLiteral(" sequence, including"))});
    w.Style(11, false);
    w.Indented(kSecondIndentColumn,
               {N(r.lstModel.count()), T(QStringLiteral(" query(s) have model sequences (")),
                N(c.modelTotal), T(QStringLiteral(" model sequences)"))});
    w.Indented(kSecondIndentColumn,
               {N(r.lstmRNA.count()), T(QStringLiteral(" query(s) have a valid mRNA sequence"))});
    if (policy.optESTPrompt) {
        w.Indented(kSecondIndentColumn,
                   {N(r.lstEST.count()), T(QStringLiteral(" query(s) have a valid EST sequence"))});
    } else if (policy.optESTSkip) {
        w.Indented(kSecondIndentColumn,
                   {N(r.lstEST.count()),
                    T(QStringLiteral(" query(s) have a valid EST sequence (skipped)"))});
    }
    w.Style(11, true);
    w.Indented(kFirstIndentColumn,
               {N(r.lstWatchOut.count()), T(QStringLiteral(" query(s) have multiple ") + org +
                                            QStringLiteral(" sequences, including"))});
    w.Style(11, false);
    w.Indented(kSecondIndentColumn, {N(c.modelMTotal), T(QStringLiteral(" model sequences"))});
    w.Indented(kSecondIndentColumn, {N(r.lstmRNAM.count()), T(QStringLiteral(" mRNA sequences"))});
    w.Indented(kSecondIndentColumn, {N(r.lstESTM.count()), T(QStringLiteral(" EST sequences"))});
    w.Style(11, true, true);
    w.Plain({N(c.notFoundTotal), T(QStringLiteral(" query(s) not found:"))});
    w.Style(11, true);
    w.Indented(kFirstIndentColumn, {N(r.lstNotFound.count()),
                                    T(QStringLiteral(" query(s) were not found or retired"))});
    w.Indented(kFirstIndentColumn,
               {N(r.lstIsCluster.count()), T(QStringLiteral(" query(s) had clusters"))});
    if (c.ncbiErrors != 0) {
        w.Style(11, true, true);
        w.Plain(
            {N(c.ncbiErrors), T(QStringLiteral(" query(s) could not be looked up (NCBI error)"))});
        w.Style(11, true);
    }
    w.Empty();

    w.Style(13, true);
    w.Centred(QStringLiteral("DETAILS"));
    w.Empty();
    w.Style(11, true, true);
    w.Plain(QStringLiteral("Sequences Found:"));
    w.Style(11, true);
    w.Plain({T(QStringLiteral("  IDs with ")), N(c.modelMTotal + c.modelTotal),
             T(QStringLiteral(" total model sequences (# of model sequences):"))});
    w.Style(11, false);
    w.Entries(r.lstModel, true);
    w.Entries(r.lstModelM, true);
    w.Style(11, true);
    w.Plain({T(QStringLiteral("  IDs with ")), N(r.lstmRNA.count() + r.lstmRNAM.count()),
             T(QStringLiteral(" total mRNA sequences:"))});
    w.Style(11, false);
    w.Entries(r.lstmRNA, false);
    w.Entries(r.lstmRNAM, false);
    if (policy.optESTPrompt) {
        w.Style(11, true);
        w.Plain({T(QStringLiteral("  IDs with ")), N(r.lstEST.count() + r.lstESTM.count()),
                 T(QStringLiteral(" total EST sequences:"))});
    } else if (policy.optESTSkip) {
        w.Style(11, true);
        w.Plain(QStringLiteral("  IDs with EST sequences (skipped):"));
    }
    w.Style(11, false);
    w.Entries(r.lstEST, false);
    w.Entries(r.lstESTM, false);
    // The line after the lists stays bold when no multiple-sequence block
    // was printed: the bold of the last heading is still in force.
    bool bold = true;
    if (r.lstWatchOut.count() != 0) {
        w.Style(11, true);
        w.Plain(QStringLiteral("  **The following queries had multiple ") + org +
                QStringLiteral(" sequences (# of sequences in parentheses).  They are included "
                               "above."));
        w.Style(11, false);
        w.Entries(r.lstWatchOut, true);
        bold = false;
    }
    w.Style(11, bold, true);
    w.Empty();
    w.Style(11, true, true);
    w.Plain(QStringLiteral("Sequences Not Found:"));
    w.Style(11, true);
    w.Plain(QStringLiteral("  IDs that were not found:"));
    w.Style(11, false);
    w.Entries(r.lstNotFound, false);
    w.Style(11, true);
    w.Plain(QStringLiteral("  IDs that had clusters:"));
    w.Style(11, false);
    w.Entries(r.lstIsCluster, false);
    w.NcbiErrors(r);
    return w.End();
}

bool PrintAccessionReport(Printer& printer, const SearchResults& r, int termCount,
                          const QString& title, const QDateTime& when) {
    const qint64 nf = r.lstNotFound.count();
    const qint64 ne = r.lstNcbiError.count();
    ReportWriter w(printer);
    w.Centred(title);
    w.Centred(QStringLiteral("Results for ") + ShortDateTime(when) + QStringLiteral(", ") +
              Num(termCount) + QStringLiteral(" queries searched"));
    w.Empty();
    w.Centred(QStringLiteral("SUMMARY"));
    w.Empty();
    w.Style(11, true);
    w.Plain({N(termCount - nf - ne), T(QStringLiteral(" query(s) found"))});
    w.Plain({N(nf), T(QStringLiteral(" query(s) not found:"))});
    if (ne != 0)
        w.Plain({N(ne), T(QStringLiteral(" query(s) could not be looked up (NCBI error)"))});
    w.Empty();
    w.Style(13, true);
    w.Centred(QStringLiteral("DETAILS"));
    w.Empty();
    w.Style(11, true, true);
    w.Plain(QStringLiteral("Accession Numbers Found:"));
    w.Style(11, false);
    w.Entries(r.lstModel, false);
    w.Style(11, false, true);
    w.Empty();
    w.Style(11, true, true);
    w.Plain(QStringLiteral("Accession Numbers Not Found:"));
    w.Style(11, false);
    w.Entries(r.lstNotFound, false);
    w.NcbiErrors(r);
    return w.End();
}

bool PrintPlainText(Printer& printer, const QString& text) {
    printer.PrintLine(text);
    return printer.EndDoc();
}

}  // namespace quill
