#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "common/printer.h"
#include "common/textrules.h"
#include "igtc/igtcparser.h"
#include "igtc/igtcreport.h"
#include "support/testsupport.h"

using namespace quill;

namespace {

// One query's section as the IGTC site returns it: the query line, the
// length line, the hit table header and one hit row whose score follows a ")".
QString Section(const QString& queryLine, const QString& score, const QString& eol = "\r\n") {
    return queryLine + eol + "         (1234 letters)" + eol + eol +
           "                                                   Score    E" + eol +
           "Sequences producing significant alignments:      (bits) Value" + eol + eol +
           "IGTC|CMHD-CT1 trap (Pax6)  " + score + "  1e-50" + eol + eol;
}

const QByteArray kTwoQueries =
    (Section("Query= ABC1", "250") + Section("Query= DEF2", "150")).toUtf8();

}  // namespace

class IgtcParserTest : public QObject {
    Q_OBJECT
  private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("skipped");
        struct Row {
            const char* name;
            QString text;
            int minimum;
            QStringList names;
            int skipped = 0;
        };
        const QString b300 = Section("Query= B", "300");
        const std::initializer_list<Row> rows = {
            {"equal keeps", Section("Query= ABC1", "100"), 100, {"ABC1"}},
            {"one less drops", Section("Query= ABC1", "99"), 100, {}},
            {"lower-case query", Section("query= abc1", "250"), 100, {"abc1"}},
            {"upper-case value", Section("QUERY= A", "250").replace("Value", "VALUE"), 100, {"A"}},
            {"line of blanks before length",
             "Query= ABC1\r\n          \r\n(1234 letters)\r\n Value\r\nx) 300 ",
             100,
             {"ABC1"}},
            {"name over two lines",
             "Query= ABC1 gene\r\ntrap line\r\n         (88 letters)\r\nValue\r\nx) 300 ",
             100,
             {"ABC1 gene  trap line"}},
            {"LF line ends", Section("Query= ABC1", "250", "\n"), 100, {"ABC1"}},
            {"leading blanks stay", Section("Query=   ABC1", "250"), 100, {"  ABC1"}},
            {"comma stops the score", Section("Query= A", "1,234"), 2, {}},
            {"comma score reads 1", Section("Query= A", "1,234"), 1, {"A"}},
            {"99.5 rounds to 100", Section("Query= A", "99.5"), 100, {"A"}},
            {"100.5 rounds to 100", Section("Query= A", "100.5"), 100, {"A"}},
            {"98.5 rounds to 98", Section("Query= A", "98.5"), 99, {}},
            {"order and repeats",
             Section("Query= B", "300") + Section("Query= A", "50") + Section("Query= B", "200"),
             100,
             {"B", "B"}},
            {"no value in own section takes the next one",
             "Query= A\r\n (10 letters)\r\n ***** No hits found *****\r\n" + b300,
             100,
             {"A", "B"}},
            {"unicode name", Section("Query= Größe-β1", "250"), 100, {"Größe-β1"}},
            {"no query", "just some text (12 letters) Value ) 400 ", 1, {}},
            {"empty name", Section("Query= ", "250"), 1, {""}},
            {"score at the very end", "Query= A\r\n (10 letters)\r\nValue x) 300", 100, {"A"}},
            {"score above 16 bits passes", Section("Query= A", "40000"), 32767, {"A"}},
            {"score below 16 bits fails", Section("Query= A", "-40000"), -32768, {}},
            {"negative minimum", Section("Query= A", "-4"), -5, {"A"}},
            // Text outside the expected shape: the query is skipped, the rest
            // processed.
            {"no letters at all", "Query= A\r\nValue\r\nx) 300 ", 1, {}, 1},
            {"length only after the next query", "Query= A no length\r\n" + b300, 1, {"B"}, 1},
            {"no value at all", "Query= A\r\n (10 letters)\r\n) 300 ", 1, {}, 1},
            {"no parenthesis after value", "Query= A\r\n (10 letters)\r\nValue 300 ", 1, {}, 1},
            {"nothing after the parenthesis", "Query= A\r\n (10 letters)\r\nValue x)   ", 1, {}, 1},
            {"negative name length", "Query=(12 letters) Value x) 300 ", 1, {}, 1},
            {"digits from the text start", "1234 letters query=", 1, {}, 1},
            {"query at the very end", Section("Query= A", "300") + "Query=", 1, {"A"}, 1},
        };
        for (const Row& r : rows)
            QTest::newRow(r.name) << r.text << r.minimum << r.names << r.skipped;
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(int, minimum);
        QFETCH(QStringList, names);
        QFETCH(int, skipped);
        const IgtcResult r = ParseIgtcResults(text, minimum);
        QCOMPARE(r.names, names);
        QCOMPARE(r.skippedQueries, skipped);
        QCOMPARE(r.output, IgtcOutputText(names));
        // The byte-level entry point agrees.
        const IgtcResult b = ParseIgtcResultsUtf8(text.toUtf8(), minimum);
        QCOMPARE(b.names, names);
    }

    void lineBreaksAsTextBox_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("asIs");
        QTest::addColumn<QStringList>("asTextBox");
        QTest::newRow("CR LF in name")
            << "Query= A\r\nB (5 letters) Value) 9 " << QStringList{"A  B"} << QStringList{"A B"};
        QTest::newRow("lone CR in name")
            << "Query= A\rB (5 letters) Value) 9 " << QStringList{"A B"} << QStringList{"A B"};
        // Read as is, the CR stops the number at 1; as a text box shows it
        // the line feed is skipped and the token reads 12.
        QTest::newRow("CR LF in score")
            << "Query= A (5 letters) Value) 1\r\n2 " << QStringList{} << QStringList{"A"};
    }
    void lineBreaksAsTextBox() {
        QFETCH(QString, text);
        QFETCH(QStringList, asIs);
        QFETCH(QStringList, asTextBox);
        QCOMPARE(ParseIgtcResults(text, 2).names, asIs);
        QCOMPARE(ParseIgtcResults(text, 2, LineBreaks::AsTextBox).names, asTextBox);
    }

    void passesMinimumScore_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<bool>("passes");
        const QString two = "Value a) 50 b Value c) 300 ";
        QTest::newRow("first value") << two << 1 << 100 << false;
        QTest::newRow("start after the first value") << two << 3 << 100 << true;
        QTest::newRow("blanks before the score") << "value)      120 " << 1 << 120 << true;
        QTest::newRow("token runs over a line break") << "Value) 12\r\n3 " << 1 << 13 << false;
        QTest::newRow("lf inside token skipped") << "Value) 1\n2 " << 1 << 12 << true;
        QTest::newRow("no value") << "x) 300 " << 1 << 1 << false;
        QTest::newRow("start before text") << "Value) 5 " << 0 << 5 << true;
        QTest::newRow("start past text") << "Value) 5 " << 99 << -5 << false;
        QTest::newRow("exponent") << "Value) 2e2 " << 1 << 200 << true;
    }
    void passesMinimumScore() {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, minimum);
        QFETCH(bool, passes);
        QCOMPARE(PassesMinimumScore(text, start, minimum), passes);
    }

    void minimumScore_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("value");
        const int ok = int(MinimumScore::Status::Ok);
        const int zero = int(MinimumScore::Status::Zero);
        const int range = int(MinimumScore::Status::OutOfRange);
        QTest::newRow("100") << "100" << ok << 100;
        QTest::newRow("100abc") << "100abc" << ok << 100;
        QTest::newRow("99.5") << "99.5" << ok << 100;
        QTest::newRow("100.5") << "100.5" << ok << 100;
        QTest::newRow("0.3 passes the zero test") << "0.3" << ok << 0;
        QTest::newRow("-5") << "-5" << ok << -5;
        QTest::newRow("0") << "0" << zero << 0;
        QTest::newRow("no number") << "abc" << zero << 0;
        QTest::newRow("empty") << "" << zero << 0;
        QTest::newRow("too large") << "40000" << range << 0;
        QTest::newRow("rounds past the top") << "32767.5" << range << 0;
        QTest::newRow("too small") << "-32769" << range << 0;
        QTest::newRow("overflowing exponent") << "1e999" << range << 0;
        QTest::newRow("lowest") << "-32768" << ok << -32768;
    }
    void minimumScore() {
        QFETCH(QString, text);
        QFETCH(int, status);
        QFETCH(int, value);
        const MinimumScore m = ReadMinimumScore(text);
        QCOMPARE(int(m.status), status);
        if (m.status == MinimumScore::Status::Ok) QCOMPARE(m.value, value);
    }

    // Inputs that would take quadratic time if the searches went back: many
    // queries without a length line, many queries sharing one score and one
    // long run of digits.
    void largeOddInputsStayLinear() {
        QString noLength;
        for (int i = 0; i < 100000; ++i) noLength += "Query= x\n";
        QCOMPARE(ParseIgtcResults(noLength + "(5 letters) Value ) 9 ", 1).skippedQueries, 99999);

        QString shared;
        for (int i = 0; i < 50000; ++i)
            shared += "Query= Q" + QString::number(i) + " (1 letters)\n";
        shared += "Value x)" + QString(200000, QLatin1Char(' ')) + "500" + QString(200000, 'z');
        const IgtcResult r = ParseIgtcResults(shared, 100);
        QCOMPARE(r.names.size(), 50000);
        QCOMPARE(r.names.last(), QString("Q49999"));

        const QString digits =
            QString("Query= a ").repeated(50000) + QString(300000, '7') + " letters Value) 5 ";
        QCOMPARE(ParseIgtcResults(digits, 1).names, QStringList({"a"}));
    }

    void realReports_data() {
        QTest::addColumn<QString>("path");
        const QDir dir(QUILL_REALDATA_DIR);
        const QStringList files = dir.entryList({"*.blast*", "*blastn*", "*blastx*", "*tblastn*"},
                                                QDir::Files, QDir::Name);
        if (files.isEmpty()) QSKIP("no real reports here");
        for (const QString& f : files) QTest::newRow(qPrintable(f)) << dir.filePath(f);
    }
    void realReports() {
        QFETCH(QString, path);
        const QByteArray bytes = test::ReadBytes(path);
        QVERIFY(!bytes.isEmpty());
        for (int minimum : {-32768, 1, 100, 32767}) {
            const IgtcResult r = ParseIgtcResultsUtf8(bytes, minimum);
            QCOMPARE(r.queries, int(QString::fromUtf8(bytes).count("query=", Qt::CaseInsensitive)));
            QVERIFY(r.names.size() + r.skippedQueries <= r.queries);
            QCOMPARE(r.output, IgtcOutputText(r.names));
            for (const QString& n : r.names) {
                QVERIFY(!n.contains('\r') && !n.contains('\n'));
                QVERIFY(!n.endsWith(' '));
            }
            QCOMPARE(ParseIgtcResults(QString::fromUtf8(bytes), minimum).names, r.names);
        }
    }

    void knownRealReport() {
        const QByteArray bytes = test::ReadBytes(QString(QUILL_REALDATA_DIR) +
                                                 "/bioperl__t__data__hsinsulin.blastcl3.blastn");
        if (bytes.isEmpty()) QSKIP("real report missing");
        // Both names end with a blank in the report; it is removed.
        QCOMPARE(ParseIgtcResultsUtf8(bytes, -32768).names, QStringList({"human", "owlmonkey"}));
    }

    void saveItems_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("two hits") << IgtcOutputText({"ABC1", "DEF2"})
                                  << QStringList{"2 hits found on IGTC database:", "ABC1", "DEF2"};
        QTest::newRow("no hits") << IgtcOutputText({}) << QStringList{};
        QTest::newRow("blank name left out")
            << IgtcOutputText({"A", "", "  B  "})
            << QStringList{"3 hits found on IGTC database:", "A", "B"};
    }
    void saveItems() {
        QFETCH(QString, output);
        QFETCH(QStringList, items);
        const QDateTime when(QDate(2026, 3, 7), QTime(14, 5, 9));
        const QStringList got = IgtcSaveItems("100abc", output, when);
        QCOMPARE(got.value(0), "IGTC search, " + ShortDateTime(when) + ", 100abc minimum cutoff");
        QCOMPARE(got.value(1), QString());
        QCOMPARE(got.mid(2), items);
    }

    void printedReport() {
        const QDateTime when(QDate(2026, 3, 7), QTime(14, 5, 9));
        RecordingPrinter p;
        QVERIFY(PrintIgtcReport(p, "My run", "100abc", {"ABC1", "DEF2"}, when));
        const QString heading = "IGTC Hits for " + ShortDateTime(when) + ", 100abc minimum cutoff";
        QCOMPARE(p.LineTexts(),
                 QStringList({"My run", heading, " 2  hits found:", "ABC1", "DEF2"}));
        const QList<PrintedPiece>& pc = p.Pieces();
        QCOMPARE(pc.size(), 6);
        // Units: 10800 over 576 points, 15840 over 756 points; a character is
        // half the font size wide and a line 1.2 times the size high.
        const double ux = 10800.0 / 576, uy = 15840.0 / 756;
        const double h13 = 13 * 1.2 * uy, h11 = 11 * 1.2 * uy;
        const PrintFont b13{"Times New Roman", 13, true, false};
        const PrintFont bu11{"Times New Roman", 11, true, true};
        const PrintFont n11{"Times New Roman", 11, false, false};
        auto centre = [&](const QString& t) { return (10800 - t.size() * 6.5 * ux) / 2 - 720; };
        QCOMPARE(pc[0].font, b13);
        QCOMPARE(pc[0].x, centre("My run"));
        QCOMPARE(pc[0].y, 720.0);
        QCOMPARE(pc[1].x, centre(heading));
        QCOMPARE(pc[1].y, 720 + h13);
        QCOMPARE(pc[2].text, QString(" 2 "));
        QCOMPARE(pc[2].font, bu11);
        QCOMPARE(pc[2].x, 0.0);
        QCOMPARE(pc[2].y, 720 + 3 * h13);
        QCOMPARE(pc[3].text, QString(" hits found:"));
        QCOMPARE(pc[3].font, bu11);
        QCOMPARE(pc[3].x, 3 * 5.5 * ux);
        QCOMPARE(pc[4].font, n11);
        QCOMPARE(pc[4].x, 6 * 5.5 * ux);  // print column 7
        QCOMPARE(pc[4].y, 720 + 3 * h13 + h11);
        QCOMPARE(pc[5].y, 720 + 3 * h13 + 2 * h11);
        QCOMPARE(p.PageCount(), 1);
        QVERIFY(p.Ended());
    }

    void printedReportWithoutHits() {
        RecordingPrinter p;
        QVERIFY(
            PrintIgtcReport(p, QString(), "100", {}, QDateTime(QDate(2026, 1, 2), QTime(3, 4))));
        const QList<PrintedPiece>& pc = p.Pieces();
        // The empty title prints an empty first line; the heading is still
        // centred on the second.
        QCOMPARE(pc.size(), 2);
        QCOMPARE(pc[0].y, 720 + 13 * 1.2 * 15840.0 / 756);
        QCOMPARE(pc[1].text, QString("No hits found"));
        QCOMPARE(pc[1].font, (PrintFont{"Times New Roman", 11, true, false}));
        QCOMPARE(pc[1].x, 0.0);
        QCOMPARE(p.LineCount(), 4);
    }

    void commandLine_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<bool>("withText");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        struct Row {
            const char *name, *args;
            bool withText;
            int status;
            const char *out, *err;
        };
        for (const Row& r : std::initializer_list<Row>{
                 {"two hits", "--min-score 100", true, 0,
                  "2 hits found on IGTC database:\r\n  ABC1\r\n  DEF2\r\n", ""},
                 {"one hit", "--min-score 200xyz", true, 0,
                  "1 hits found on IGTC database:\r\n  ABC1\r\n", ""},
                 {"none", "--min-score 300", true, 0, "No hits found.", ""},
                 {"no text", "--min-score 100", false, 1, "", "No text was found\n"},
                 {"zero minimum", "--min-score abc", true, 1, "", "Enter a valid minimum score\n"},
                 {"no text comes first", "--min-score 0", false, 1, "", "No text was found\n"},
                 {"out of range", "--min-score 99999", true, 1, "",
                  "Enter a minimum score between -32768 and 32767\n"},
                 {"missing minimum", "", true, 2, "", nullptr},
             })
            QTest::newRow(r.name) << QString(r.args) << r.withText << r.status << QByteArray(r.out)
                                  << QByteArray(r.err);
    }
    void commandLine() {
        QFETCH(QString, args);
        QFETCH(bool, withText);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QProcess cli;
        cli.start(QUILL_CLI_PATH, QStringList{"igtc"} + args.split(' ', Qt::SkipEmptyParts));
        QVERIFY(cli.waitForStarted());
        if (withText) cli.write(kTwoQueries);
        cli.closeWriteChannel();
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitCode(), status);
        QCOMPARE(cli.readAllStandardOutput(), out);
        if (!err.isNull()) QCOMPARE(cli.readAllStandardError(), err);
    }

    void commandLineSaveAndInputFile() {
        QTemporaryDir dir;
        const QString in = dir.filePath("blast.txt");
        QFile f(in);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(kTwoQueries) > 0);
        f.close();
        auto run = [&](const QStringList& args) {
            QProcess cli;
            cli.start(QUILL_CLI_PATH, QStringList{"igtc", "--min-score", "100"} + args);
            cli.waitForFinished(10000);
            return std::make_pair(cli.exitCode(), cli.readAllStandardError());
        };
        const QString saved = dir.filePath("hits.xls");
        QCOMPARE(run({"--save", saved, in}).first, 0);
        const QString file = test::ReadText(saved);
        QVERIFY2(file.startsWith("\"IGTC search, "), qPrintable(file));
        QVERIFY(
            file.endsWith(", 100 minimum cutoff\"\r\n\"\"\r\n\"2 hits found on IGTC database:\"\r\n"
                          "\"ABC1\"\r\n\"DEF2\"\r\n"));

        // A file that cannot be written: a message, status 1, no file.
        const QString bad = dir.filePath("no/such/dir/x.xls");
        const auto [status, err] = run({"--save", bad, in});
        QCOMPARE(status, 1);
        QVERIFY(err.contains("not saved"));
        QVERIFY(!QFile::exists(bad));
        QCOMPARE(run({dir.filePath("absent.txt")}).first, 1);
    }
};

QTEST_GUILESS_MAIN(IgtcParserTest)
#include "test_igtcparser.moc"
