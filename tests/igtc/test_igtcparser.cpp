#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#include "igtc/blastreports.h"
#include "igtc/igtcparser.h"
#include "igtc/igtcreport.h"
#include "support/testsupport.h"
#include "text/textrules.h"

using namespace quill;

namespace {

// One query's section as the IGTC site returns it: the query line, the
// length line, the hit table header and one hit row whose score follows a ")".
QString Section(const QString& queryLine, const QString& score) {
    return queryLine + "\r\n         (1234 letters)\r\n\r\n" +
           "Sequences producing significant alignments:      (bits) Value\r\n\r\n" +
           "IGTC|CMHD-CT1 trap (Pax6)  " + score + "  1e-50\r\n\r\n";
}

const QByteArray kTwoQueries =
    (Section("Query= ABC1", "250") + Section("Query= DEF2", "150")).toUtf8();

QStringList FirstWords(const QStringList& names) {
    QStringList words;
    for (const QString& n : names) words << n.section(' ', 0, 0, QString::SectionSkipEmpty);
    return words;
}

// A report, the minimum score, the names kept, and the queries skipped and
// without hits.
struct Case {
    const char* name;
    QString text;
    int minimum;
    QStringList names;
    int skipped = 0;
    int withoutHits = 0;
};

void AddCases(const std::initializer_list<Case>& cases) {
    QTest::addColumn<Case>("c");
    for (const Case& c : cases) QTest::newRow(c.name) << c;
}

// A real report: the form recognised, the queries found, skipped and without
// hits, and the first words of the names kept at 30, blank-separated.
struct Real {
    const char *file, *format;
    int queries, skipped, withoutHits;
    const char* kept;
};

QByteArray RealBytes(const QString& file) {
    return test::ReadBytes(QUILL_REALDATA_DIR "/" + file);
}

}  // namespace

Q_DECLARE_METATYPE(Case)
Q_DECLARE_METATYPE(Real)

class IgtcParserTest : public QObject {
    Q_OBJECT
  private slots:
    // The legacy reading, one row per rule, and the text it cannot read
    // (skipped, the rest processed).
    void parse_data() {
        const QString b300 = Section("Query= B", "300");
        const QString table = "\r\nSequences producing significant alignments:  (bits) Value";
        const QString noHits = "Query= A\r\n (10 letters)\r\n\r\n ***** No hits found ******\r\n";
        AddCases({
            {"98.5 rounds to 98", Section("Query= A", "98.5"), 99, {}},
            // The character after "=" is skipped whole, whatever its length;
            // the one before the length is left out whole.
            {"one character after the equals sign", Section("Query=é  ABC", "250"), 100, {"  ABC"}},
            {"non-ASCII before the length", "Query= ABCé12 letters Value) 300 ", 1, {"ABC"}},
            {"no-break spaces are blanks",
             "Query=\u00a0ABC\u00a0\r\n (5 letters) Value)\u00a0300\u00a0x",
             300,
             {"ABC"}},
            {"order, repeats, equal keeps",
             b300 + Section("Query= A", "99") + Section("Query= B", "100"),
             100,
             {"B", "B"}},
            // A score is read inside the query's own section only.
            {"no hits: not kept with the next query's score", noHits + b300, 100, {"B"}, 0, 1},
            {"no hits after a value of its own", noHits + "Value x) 300 " + b300, 1, {"B"}, 0, 1},
            {"hit table only in the next section",
             "Query= A\r\n (10 letters)\r\n" + b300,
             100,
             {"B"},
             1},
            // 0x01 joins merged definition lines; BLAST shows it as " >".
            {"merged definition lines",
             Section("Query= gi|1| a.\x01gi|2| b", "250"),
             100,
             {"gi|1| a. >gi|2| b"}},
            {"merged line at the name's end", Section("Query= a \x01 ", "250"), 100, {"a  >"}},
            {"byte order mark starting a name",
             Section("Query= \uFEFFA\uFEFF", "250"),
             1,
             {"A\uFEFF"}},
            {"empty name", Section("Query= ", "250"), 1, {""}},
            {"score at the very end", "Query= A\r\n (10 letters)\r\nValue x) 300", 100, {"A"}},
            // Rows without parentheses: the first row's bit score, counting
            // further column titles after "Value" as columns after the
            // E-value.
            {"row without parenthesis",
             "Query= A\r\n (9 letters)" + table +
                 "\r\n\r\ngi|1| insulin, cds  355  2e-95\r\n\r\n>gi|1| (x) 7 ",
             300,
             {"A"}},
            {"row without parenthesis, N column",
             "Query= A\r\n (9 letters)" + table + "  N\r\n\r\ngb|1| coli   933   0.0    2 \r\n",
             900,
             {"A"}},
            // A word after the row's ")" gives the row's bit score; a number
            // there is still the score.
            {"word after the parenthesis",
             "Query= A\r\n (9 letters)" + table +
                 "\r\n\r\ngb|1| Owl monkey (A.trivirgatus) insulin  357  4e-96\r\n",
             300,
             {"A"}},
            {"number after the parenthesis",
             "Query= A\r\n (9 letters)" + table + "\r\n\r\ngb|1| trap (Pax6) 12 x  357  4e-96\r\n",
             13,
             {}},
            {"no letters at all", "Query= A\r\nValue\r\nx) 300 ", 1, {}, 1},
            {"length only after the next query", "Query= A no length\r\n" + b300, 1, {"B"}, 1},
            {"no value at all", "Query= A\r\n (10 letters)\r\n) 300 ", 1, {}, 1},
            {"no parenthesis after value", "Query= A\r\n (10 letters)\r\nValue 300 ", 1, {}, 1},
            {"nothing after the parenthesis", "Query= A\r\n (10 letters)\r\nValue x)   ", 1, {}, 1},
            {"negative name length", "Query=(12 letters) Value x) 300 ", 1, {}, 1},
        });
    }
    void parse() {
        QFETCH(Case, c);
        const IgtcResult r = ParseIgtcResultsUtf8(c.text.toUtf8(), c.minimum);
        QCOMPARE(r.names, c.names);
        QCOMPARE(r.skippedQueries, c.skipped);
        QCOMPARE(r.queriesWithoutHits, c.withoutHits);
        QCOMPARE(r.output, IgtcOutputText(c.names));
        // The command line's output built from the bytes is the same text.
        const IgtcResult bytes =
            ParseIgtcResultsUtf8(c.text.toUtf8(), c.minimum, LineBreaks::AsIs, KeptNames::Bytes);
        QCOMPARE(IgtcOutputUtf8(bytes), IgtcOutputText(c.names).toUtf8());
        QCOMPARE(bytes.skippedQueries, c.skipped);
        QCOMPARE(bytes.queriesWithoutHits, c.withoutHits);
    }

    // Read as a text box holds it, a CR LF is one line break, in a name and
    // inside the score's token (which as is stops at the CR).
    void lineBreaksAsTextBox() {
        const QByteArray name = "Query= A\r\nB (5 letters) Value) 9 ";
        QCOMPARE(ParseIgtcResultsUtf8(name, 2).names, QStringList{"A  B"});
        QCOMPARE(ParseIgtcResultsUtf8(name, 2, LineBreaks::AsTextBox).names, QStringList{"A B"});
        const QByteArray score = "Query= A (5 letters) Value) 1\r\n2 ";
        QCOMPARE(ParseIgtcResultsUtf8(score, 2).names, QStringList{});
        QCOMPARE(ParseIgtcResultsUtf8(score, 2, LineBreaks::AsTextBox).names, QStringList{"A"});
    }

    void minimumScore() {
        using S = MinimumScore::Status;
        QCOMPARE(ReadMinimumScore("0.3").status, S::Ok);
        QCOMPARE(ReadMinimumScore("-32769").status, S::OutOfRange);
        QCOMPARE(ReadMinimumScore("-32768").value, -32768);
    }

    // Every BLAST report in the real data.
    void realReports_data() {
        QTest::addColumn<Real>("r");
        const char *legacy = "legacy BLAST text", *text = "BLAST+ text", *tab = "BLAST+ tabular",
                   *xml = "BLAST+ XML", *none = "not a BLAST report";
        const char* tblastn = "gi|16080617|ref|NP_391444.1| gi|11464971:4-101";
        const char* blastn = "gi|356995852:1-490 hg19_dna";
        const char* blastx =
            "gi|4104054|gb|AH007193.1|SEG_CVIGS gi|4218935|gb|AF074388.1|AF074388 "
            "gi|5049839|gb|AI730987.1|AI730987 gi|5052071|gb|AF067555.1|AF067555 "
            "gi|3176602|gb|U78617.1|LOU78617 gi|5817701|gb|AF142731.1|AF142731";
        const char* rhodopsin =
            "gi|57163782|ref|NM_001009242.1| gi|283855845|gb|GQ290303.1| "
            "gi|283855822|gb|GQ290312.1| gi|18148870|dbj|AB062417.1|";
        for (const Real& r : std::initializer_list<Real>{
                 // Owl monkey's row: a word after "(A.trivirgatus)", so
                 // the row's bit score; the IGTC-style rows of the same
                 // report read after the ")".
                 {"bioperl__t__data__hsinsulin.blastcl3.blastn", legacy, 2, 0, 0,
                  "human owlmonkey"},
                 {"bioperl__t__data__frac_problems.blast", legacy, 2, 0, 0,
                  "jgi|Phypa1|75037|fgenesh1_pg.scaffold_51000008 "
                  "jgi|Phypa1|96131|fgenesh1_pg.scaffold_296000015"},
                 {"biopython__Tests__Blast__text_2010L_blastn_001.txt", legacy, 1, 0, 0,
                  "gi|1348916|gb|G26684|G26684"},
                 {"biopython__Tests__Blast__text_2216L_tblastn_001.txt", legacy, 1, 0, 0,
                  "gi|1710680|sp|P00579.2|RPOD_ECOLI"},
                 // Queries without hits keep no score, not even the next
                 // query's, and are counted as such.
                 {"biopython__Tests__Blast__text_2102L_blastn_001.txt", legacy, 1, 0, 1, ""},
                 {"biopython__Tests__Blast__text_2202L_blastn_001.txt", legacy, 1, 0, 1, ""},
                 {"biopython__Tests__Blast__text_2220L_blastx_002.txt", legacy, 7, 0, 6,
                  "gi|6273287|gb|AF191661.1|AF191661"},
                 {"biopython__Tests__Blast__text_2222L_blastx_001.txt", legacy, 7, 0, 1, blastx},
                 {"biopython__Tests__Blast__text_2226_tblastn_004.txt", text, 3, 0, 1, tblastn},
                 {"biopython__Tests__Blast__tab_2226_tblastn_001.txt", tab, 2, 0, 0, tblastn},
                 {"biopython__Tests__Blast__tab_2226_tblastn_005.txt", tab, 3, 0, 1, tblastn},
                 {"biopython__Tests__Blast__xml_2226_tblastn_001.xml", xml, 3, 0, 1, tblastn},
                 {"biopython__Tests__Blast__text_2226_blastn_004.txt", text, 3, 0, 1, blastn},
                 {"biopython__Tests__Blast__xml_2226_blastn_001.xml", xml, 3, 0, 1, blastn},
                 {"galaxy_blast__test-data__blastn_rhodopsin_vs_three_human.tabular", tab, 4, 0, 0,
                  rhodopsin},
                 {"galaxy_blast__test-data__blastn_rhodopsin_vs_three_human.xml", xml, 6, 0, 2,
                  rhodopsin},
                 {"galaxy_blast__test-data__blastn_chimera_vs_three_human_max1.txt", text, 1, 0, 0,
                  "chimera"},
                 {"galaxy_blast__test-data__blastn_chimera_vs_three_human_max1.tabular", tab, 1, 0,
                  0, "chimera"},
                 {"biopython__Tests__Blast__text_2222_blastx_001.txt", text, 7, 0, 1, blastx},
                 // Custom columns without a bit score: nothing can be read.
                 {"biopython__Tests__Blast__tab_2228_tblastn_001.txt", tab, 1, 1, 0, ""},
                 {"biopython__Tests__Entrez__esearch6.xml", none, 0, 0, 0, ""},
             })
            QTest::newRow(r.file) << r;
    }
    void realReports() {
        QFETCH(Real, r);
        const QByteArray bytes = RealBytes(r.file);
        if (bytes.isEmpty()) QSKIP("real report missing");
        const IgtcResult read = ReadBlastReport(bytes, 30);
        QCOMPARE(BlastFormatName(read.format), QString(r.format));
        QCOMPARE(read.queries, r.queries);
        QCOMPARE(read.skippedQueries, r.skipped);
        QCOMPARE(read.queriesWithoutHits, r.withoutHits);
        QCOMPARE(FirstWords(read.names).join(' '), QString(r.kept));
        // The window's text reads as the file does.
        QCOMPARE(ReadBlastReport(DecodeInputText(bytes), 30).names, read.names);
    }

    // Names keep every character of a report: bytes that are not UTF-8 read
    // as Windows-1252 (a Latin-1 "ä" and no-break space), and the 0x01 of
    // merged definition lines shows as " >". A real report, edited (pairs of
    // bytes and their replacement) where a name is to hold such bytes, and a
    // name kept at 30.
    void names_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArrayList>("edits");
        QTest::addColumn<QString>("name");
        const QString t2010 = "biopython__Tests__Blast__text_2010L_blastn_001.txt";
        const QString b = "biopython__Tests__Blast__";
        const QByteArrayList pleckstrin = {"pleckstrin",
                                           "Pl\xe4"
                                           "ckstrin"};
        const QString mouse = "gi|11464971:4-101 Pl\u00e4ckstrin [Mus musculus]";
        QTest::newRow("legacy, merged")
            << t2010 << QByteArrayList()
            << "gi|1348916|gb|G26684|G26684 human STS STS_D11570. >gi|1375195|gb|G26945|G26945 "
               "human STS SHGC-32699.";
        QTest::newRow("legacy, Latin-1")
            << t2010 << QByteArrayList{"STS_D11570.\x01", "B\xe4r\xa0x.\x01"}
            << "gi|1348916|gb|G26684|G26684 human STS B\u00e4r x. >gi|1375195|gb|G26945|G26945 "
               "human STS SHGC-32699.";
        QTest::newRow("BLAST+ text, Latin-1")
            << b + "text_2226_tblastn_004.txt" << pleckstrin << mouse;
        QTest::newRow("tabular, Latin-1") << b + "tab_2226_tblastn_005.txt" << pleckstrin << mouse;
        // An encoding that the XML declares does not decode the text twice.
        QTest::newRow("XML, Latin-1 declared")
            << b + "xml_2226_tblastn_001.xml"
            << (pleckstrin + QByteArrayList{"<?xml version=\"1.0\"?>",
                                            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"})
            << mouse;
    }
    void names() {
        QFETCH(QString, file);
        QFETCH(QByteArrayList, edits);
        QFETCH(QString, name);
        QByteArray bytes = RealBytes(file);
        if (bytes.isEmpty()) QSKIP("real report missing");
        for (qsizetype i = 0; i + 1 < edits.size(); i += 2) {
            QVERIFY(bytes.contains(edits[i]));
            bytes.replace(edits[i], edits[i + 1]);
        }
        const QStringList names = ReadBlastReport(bytes, 30).names;
        QVERIFY2(names.contains(name), qPrintable(names.join('\n')));
        QCOMPARE(ReadBlastReport(DecodeInputText(bytes), 30).names, names);
    }

    // One search written in several forms keeps the same queries at every
    // minimum (names compared by their first word).
    void sameSearchInEveryForm() {
        const QString b = "biopython__Tests__Blast__", g = "galaxy_blast__test-data__blastn_";
        const struct {
            QStringList files;
            QList<int> kept;  // at 1, 30, 100, 200 and 1000
        } searches[] = {
            {{b + "text_2222L_blastx_001.txt", b + "text_2222_blastx_001.txt"}, {6, 6, 4, 4, 0}},
            {{b + "text_2226_tblastn_004.txt", b + "tab_2226_tblastn_001.txt",
              b + "tab_2226_tblastn_005.txt", b + "xml_2226_tblastn_001.xml"},
             {2, 2, 1, 1, 0}},
            {{b + "text_2226_blastn_004.txt", b + "xml_2226_blastn_001.xml"}, {2, 2, 2, 1, 0}},
            {{g + "rhodopsin_vs_three_human.tabular", g + "rhodopsin_vs_three_human.xml"},
             {4, 4, 4, 4, 3}},
            {{g + "chimera_vs_three_human_max1.txt", g + "chimera_vs_three_human_max1.tabular"},
             {1, 1, 1, 1, 1}},
        };
        for (const auto& search : searches) {
            QList<int> kept;
            for (int minimum : {1, 30, 100, 200, 1000}) {
                QStringList first;
                for (const QString& f : search.files) {
                    const QByteArray bytes = RealBytes(f);
                    if (bytes.isEmpty()) QSKIP("real report missing");
                    const QStringList names = FirstWords(ReadBlastReport(bytes, minimum).names);
                    if (f == search.files.first()) first = names;
                    QVERIFY2(names == first, qPrintable(f));
                }
                kept << int(first.size());
            }
            QCOMPARE(kept, search.kept);
        }
    }

    // Hand-written reports in the newer forms.
    void newerForms_data() {
        const QString plus =
            "Query=  q1 long\r\nname\r\n\r\nLength=90\r\n"
            "Sequences producing significant alignments:     (Bits)  Value\r\n\r\n"
            "  s1 desc (x)   80.5   1e-5\r\n  s2 desc   150   2e-5\r\n\r\n"
            "> s1 desc\r\nLength=80\r\n Score = 500 bits\r\n"
            "Query= q2\r\nLength=10\r\n\r\n***** No hits found *****\r\n"
            "Query= q3 no length\r\nQuery= q4\r\nLength=5\r\n";
        const QString tab6 =
            "a\ts\t1\t1\t1\t1\t1\t1\t1\t1\t1e-5\t90\n"
            "b\ts\t1\t1\t1\t1\t1\t1\t1\t1\t1e-5\t40\n"
            "a\tt\t1\t1\t1\t1\t1\t1\t1\t1\t1e-5\t 120.5\r\n"
            "c\ts\t1\n";
        const QString tab7 =
            "# BLASTN 2.16.0+\n# Query: b first defline\n# 0 hits found\n"
            "# Query: a second\n# Fields: bit score, evalue, query id\n"
            "# 1 hits found\n300\t1e-9\ta\n";
        const QString xml =
            "<?xml version=\"1.0\"?>\n<BlastOutput><BlastOutput_iterations>"
            "<Iteration><Iteration_query-def>x one</Iteration_query-def>"
            "<Hsp><Hsp_bit-score>60.5</Hsp_bit-score></Hsp><Hsp><Hsp_bit-score>20</Hsp_bit-score>"
            "</Hsp></Iteration><Iteration><Iteration_query-def>y</Iteration_query-def>"
            "<Hsp><Hsp_bit-score>59</Hsp_bit-score></Hsp></Iteration>"
            "<Iteration><Iteration_query-def>broken</Iteration_query-def><Hsp>";
        // One query, one hit of this bit score.
        const auto tabRow = [](const QString& bits) {
            return "r\ts\t1\t1\t1\t1\t1\t1\t1\t1\t1e-5\t" + bits + "\n";
        };
        const auto xmlHsp = [](const QString& bits) {
            return "<?xml version=\"1.0\"?>\n<BlastOutput><BlastOutput_iterations><Iteration>"
                   "<Iteration_query-def>r</Iteration_query-def><Hsp><Hsp_bit-score>" +
                   bits +
                   "</Hsp_bit-score></Hsp></Iteration></BlastOutput_iterations></BlastOutput>";
        };
        AddCases({
            {"text: best row, no hits, no length, no table", plus, 100, {"q1 long name"}, 2, 1},
            {"text: below the best row", plus, 151, {}, 2, 1},
            {"tabular: one query per id, best row", tab6, 40, {"a", "b"}, 1},
            {"tabular: halves to even", tab6, 121, {}, 1},
            // A line break inside a cell stays out of the name.
            {"tabular: CR inside the id", "x\ry\ts\t1\t1\t1\t1\t1\t1\t1\t1\t0\t50\n", 50, {"x y"}},
            {"tabular 7: named columns, name from # Query", tab7, 300, {"a second"}, 0, 1},
            {"xml: best hsp, broken off", xml, 60, {"x one"}, 1},
            // Bit scores round halves to even.
            {"tabular: 59.5 reaches 60", tabRow("59.5"), 60, {"r"}},
            {"tabular: 60.5 misses 61", tabRow("60.5"), 61, {}},
            {"xml: 59.5 reaches 60", xmlHsp("59.5"), 60, {"r"}},
            {"xml: 60.5 misses 61", xmlHsp("60.5"), 61, {}},
        });
    }
    void newerForms() {
        QFETCH(Case, c);
        const IgtcResult r = ReadBlastReport(c.text.toUtf8(), c.minimum);
        QCOMPARE(r.names, c.names);
        QCOMPARE(r.skippedQueries, c.skipped);
        QCOMPARE(r.queriesWithoutHits, c.withoutHits);
    }

    // The command line: the hit list on standard output, the reading on
    // standard error; refused input gives its message and status 1, a
    // missing minimum status 2. A file read, the hit list saved; a file that
    // cannot be written gives status 1 and no file.
    // A file read a piece at a time gives what the whole text gives, where a
    // piece ends inside a section or a name, after a "query=" that the
    // reading passes over, before a score that is the next "query=" (a 0), a
    // Windows-1252 byte in a later piece (the whole file read as such).
    void readInPieces_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("minimum");
        QByteArray many = "BLASTN 2.2.11\r\n\r\n";
        for (int i = 0; many.size() < 150000; ++i)
            many += Section(QString("Query= G%1 trap\x01 clone\u00a0 %2").arg(i).arg(i * 7),
                            QString::number(i % 200))
                        .toUtf8();
        QTest::newRow("sections") << many << 100;
        QTest::newRow("byte order mark") << "\xEF\xBB\xBF" + many << 50;
        QTest::newRow("Windows-1252 late")
            << many + "Query= B\xe4r\r\n (5 letters) Value) 300" << 1;
        QTest::newRow("query after query")
            << many + "Query=query=QUERY= x (12 letters) Value\r\n a (b) 500 1\r\n" + many << 100;
        QTest::newRow("score is the next query")
            << many + "Query= Z\r\n (10 letters)\r\nValue x)   " + many.mid(many.indexOf("Query="))
            << -5;
        QTest::newRow("short text") << kTwoQueries << 100;
    }
    void readInPieces() {
        QFETCH(QByteArray, text);
        QFETCH(int, minimum);
        for (const KeptNames kept : {KeptNames::List, KeptNames::Bytes}) {
            const IgtcResult whole = ReadBlastReport(text, minimum, LineBreaks::AsTextBox, kept);
            QVERIFY(whole.queries > 0);
            for (const qsizetype piece : {1, 61, 4096, 100000}) {
                QBuffer in(&text);
                QVERIFY(in.open(QIODevice::ReadOnly));
                const IgtcResult r =
                    ReadBlastReportFile(in, minimum, LineBreaks::AsTextBox, kept, piece);
                QCOMPARE(r.names, whole.names);
                QCOMPARE(IgtcOutputUtf8(r), IgtcOutputUtf8(whole));
                QCOMPARE(r.queries, whole.queries);
                QCOMPARE(r.skippedQueries, whole.skippedQueries);
                QCOMPARE(r.queriesWithoutHits, whole.queriesWithoutHits);
                QCOMPARE(r.format, whole.format);
            }
        }
    }

    void commandLine() {
        const auto run = [](const QStringList& args, const QByteArray& input = kTwoQueries) {
            return test::Cli(QStringList{"igtc"} + args, input);
        };
        const test::CliRun hit = run({"--min-score", "200xyz"});
        QCOMPARE(hit.out, QString("1 hits found on IGTC database:\r\n  ABC1\r\n"));
        QCOMPARE(hit.err, QString("Read as legacy BLAST text.\n"));
        const test::CliRun notReport = run({"--min-score", "100"}, "hello\n");
        QCOMPARE(notReport.status, 1);
        QCOMPARE(notReport.err, kNotBlastMessage + "\n");
        QCOMPARE(run({"--min-score", "abc"}).err, QString("Enter a valid minimum score\n"));
        QCOMPARE(run({}).status, 2);

        QTemporaryDir dir;
        const QString in = dir.filePath("blast.txt"), saved = dir.filePath("hits.xls"),
                      bad = dir.filePath("no/such/dir/x.xls");
        QFile f(in);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(kTwoQueries) > 0);
        f.close();
        QCOMPARE(run({"--min-score", "100", "--save", saved, in}, {}).status, 0);
        QVERIFY(test::ReadText(saved).endsWith(
            "\"2 hits found on IGTC database:\"\r\n\"ABC1\"\r\n\"DEF2\"\r\n"));
        QCOMPARE(run({"--min-score", "100", "--save", bad, in}, {}).status, 1);
        QVERIFY(!QFile::exists(bad));
    }
};

QTEST_GUILESS_MAIN(IgtcParserTest)
#include "test_igtcparser.moc"