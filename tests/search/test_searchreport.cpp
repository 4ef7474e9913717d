// The printed summary reports of both search modes, on the recording printer:
// every line with its condition, style, kind and text.

#include <QtTest>

#include "printing/printer.h"
#include "search/searchreport.h"
#include "text/textrules.h"

using namespace quill;

namespace {

// The printed width of text in a font, on the reports' coordinate system.
double WidthIn(const PrintFont& f, const QString& text) {
    RecordingPrinter m;
    m.SetScale(10800, 15840, -720);
    m.SetFontSize(f.size);
    return m.TextWidth(text);
}

// Every printed line as "kind size[B][U] text": kind c (centred), p (plain,
// at the line start), 10 and 20 (the nearer and the further indentation), +
// (a line too wide for the page, going on under its first visible character).
QStringList Describe(const RecordingPrinter& p) {
    const QStringList texts = p.LineTexts();
    QList<PrintedPiece> starts;  // the first piece of every line
    for (const PrintedPiece& piece : p.Pieces())
        if (starts.isEmpty() || starts.last().y != piece.y) starts << piece;
    QList<double> indents;
    QList<int> continued;
    for (int i = 0; i < starts.size(); ++i) {
        const bool centred =
            qAbs(starts[i].x + WidthIn(starts[i].font, texts[i]) / 2 - 4680) < 1e-6;
        if (i > 0) {
            const QString& before = texts[i - 1];
            const qsizetype blanks =
                before.size() - QString(before).remove(QRegularExpression("^ +")).size();
            const double textX = starts[i - 1].x + WidthIn(starts[i - 1].font, before.left(blanks));
            if (blanks > 0 && starts[i].x == textX) {
                continued << i;
                continue;
            }
        }
        if (starts[i].x > 0 && !centred && !indents.contains(starts[i].x)) indents << starts[i].x;
    }
    std::sort(indents.begin(), indents.end());
    QStringList out;
    for (int i = 0; i < starts.size(); ++i) {
        const PrintFont& f = starts[i].font;
        const qsizetype level = indents.indexOf(starts[i].x);
        const QString kind = continued.contains(i) ? "+"
                             : starts[i].x == 0    ? "p"
                             : level < 0           ? "c"
                                                   : QString::number(10 * (level + 1));
        out << kind + " " + QString::number(f.size) + (f.bold ? "B" : "") +
                   (f.underline ? "U" : "") + " " + texts[i];
    }
    return out;
}

SearchResults SampleRun(bool severalClusters) {
    SearchResults r;
    r.OrgCode = "Mm";
    r.lstModel.add("Sox2", 2);
    r.lstmRNA.add("Pax6");
    r.lstEST.add("Hoxa9");
    r.lstNotFound.add("Notagene");
    r.lstIsCluster.add("Olfr1");
    if (severalClusters) {
        r.lstModelM.add("Mm.1 of Gapdh", 3);
        r.lstmRNAM.add("Mm.2 of Gapdh");
        r.lstESTM.add("Mm.3 of Gapdh");
        r.lstWatchOut.add("Gapdh", 3);
    }
    return r;
}

}  // namespace

class SearchReportTest : public QObject {
    Q_OBJECT
    const QDateTime when_{QDate(2026, 3, 7), QTime(14, 5, 9)};

  private slots:
    void searchReport() {
        SearchPolicy policy;  // EST prompt
        RecordingPrinter p;
        QVERIFY(PrintSearchReport(p, SampleRun(true), policy, 6, "Run 1", when_));
        QVERIFY(p.Ended());
        const QStringList e{
            "c 13B Run 1",
            "c 13B Results for " + ShortDateTime(when_) + ", 6 Mm queries searched",
            "c 13B SUMMARY",
            "p 11BU  4  query(s) found ( 9  sequences found):",
            "10 11B  3  query(s) have a single Mm sequence, including",
            "20 11  1  query(s) have model sequences ( 2  model sequences)",
            "20 11  1  query(s) have a valid mRNA sequence",
            "20 11  1  query(s) have a valid EST sequence",
            "10 11B  1  query(s) have multiple Mm sequences, including",
            "20 11  3  model sequences",
            "20 11  1  mRNA sequences",
            "20 11  1  EST sequences",
            "p 11BU  2  query(s) not found:",
            "10 11B  1  query(s) were not found or retired",
            "10 11B  1  query(s) had clusters",
            "c 13B DETAILS",
            "p 11BU Sequences Found:",
            "p 11B   IDs with  5  total model sequences (# of model sequences):",
            "10 11 Sox2 ( 2 )",
            "10 11 Mm.1 of Gapdh ( 3 )",
            "p 11B   IDs with  2  total mRNA sequences:",
            "10 11 Pax6",
            "10 11 Mm.2 of Gapdh",
            "p 11B   IDs with  2  total EST sequences:",
            "10 11 Hoxa9",
            "10 11 Mm.3 of Gapdh",
            "p 11B   **The following queries had multiple Mm sequences (# of sequences in "
            "parentheses).  They are",
            "+ 11B included above.",
            "10 11 Gapdh ( 3 )",
            "p 11BU Sequences Not Found:",
            "p 11B   IDs that were not found:",
            "10 11 Notagene",
            "p 11B   IDs that had clusters:",
            "10 11 Olfr1"};
        QCOMPARE(Describe(p), e);
        // The printed lines and the five empty ones.
        QCOMPARE(p.LineCount(), e.size() + 5);
    }

    // Skipped ESTs are said so; without an EST policy the EST lines go, and
    // without several-cluster terms the note does.
    void searchReportVariants() {
        SearchPolicy policy;
        policy.optESTPrompt = false;
        policy.optESTSkip = true;
        RecordingPrinter skip;
        QVERIFY(PrintSearchReport(skip, SampleRun(false), policy, 5, "Run 1", when_));
        const QStringList lines = skip.LineTexts();
        QVERIFY(lines.contains(" 1  query(s) have a valid EST sequence (skipped)"));
        QVERIFY(lines.contains("  IDs with EST sequences (skipped):"));
        QVERIFY(!lines.join('\n').contains("**"));
        policy.optESTSkip = false;
        RecordingPrinter none;
        QVERIFY(PrintSearchReport(none, SampleRun(false), policy, 5, "Run 1", when_));
        const QString text = none.LineTexts().join('\n');
        QVERIFY(!text.contains("valid EST") && !text.contains("total EST"));
        QVERIFY(none.LineTexts().contains("Hoxa9"));
    }

    // Terms the server refused count neither as found nor as not found and
    // are listed last, in both reports.
    void refusedTerms() {
        SearchResults r = SampleRun(false);
        r.lstNcbiError.add("Foo (404 Not Found): http://x/a");
        r.lstNcbiErrorM.add("Mm.9 of Bar (500 Internal Server Error): http://x/b");
        RecordingPrinter p;
        QVERIFY(PrintSearchReport(p, r, SearchPolicy(), 6, "Run 1", when_));
        const QStringList d = Describe(p);
        QVERIFY(d.contains("p 11BU  3  query(s) found ( 4  sequences found):"));
        QVERIFY(d.contains("p 11BU  1  query(s) could not be looked up (NCBI error)"));
        QCOMPARE(d.mid(d.size() - 4),
                 QStringList({"10 11 Olfr1", "p 11BU Could not be looked up (NCBI error):",
                              "10 11 Foo (404 Not Found): http://x/a",
                              "10 11 Mm.9 of Bar (500 Internal Server Error): http://x/b"}));
        SearchResults a;
        a.lstModel.add("AB1");
        a.lstNotFound.add("AB2");
        a.lstNcbiError.add("AB3 (403 Forbidden): http://x/c");
        RecordingPrinter q;
        QVERIFY(PrintAccessionReport(q, a, 3, "Acc run", when_));
        const QStringList e = Describe(q);
        QVERIFY(e.contains("p 11B  1  query(s) found"));
        QVERIFY(e.contains("p 11B  1  query(s) could not be looked up (NCBI error)"));
        QCOMPARE(e.mid(e.size() - 3),
                 QStringList({"10 11 AB2", "p 11BU Could not be looked up (NCBI error):",
                              "10 11 AB3 (403 Forbidden): http://x/c"}));
    }

    void accessionReport() {
        SearchResults r;
        r.lstModel.add("AB000001");
        r.lstModel.add("AB000002");
        r.lstNotFound.add("AB000003");
        RecordingPrinter p;
        QVERIFY(PrintAccessionReport(p, r, 3, "Acc run", when_));
        QCOMPARE(Describe(p),
                 QStringList({"c 13B Acc run",
                              "c 13B Results for " + ShortDateTime(when_) + ", 3 queries searched",
                              "c 13B SUMMARY", "p 11B  2  query(s) found",
                              "p 11B  1  query(s) not found:", "c 13B DETAILS",
                              "p 11BU Accession Numbers Found:", "10 11 AB000001", "10 11 AB000002",
                              "p 11BU Accession Numbers Not Found:", "10 11 AB000003"}));
        QCOMPARE(p.LineCount(), 16);
    }
};

QTEST_GUILESS_MAIN(SearchReportTest)
#include "test_searchreport.moc"
