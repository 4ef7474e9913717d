// Spreadsheet readers and term files: every supported format gives the same
// cells as text, damaged files give a message naming the file.
#include <QTemporaryDir>
#include <QtTest>

#include "igtc/igtcparser.h"
#include "igtc/igtcreport.h"
#include "sheets/spreadsheet.h"
#include "sheets/termfile.h"
#include "support/testsupport.h"
#include "text/quotedfile.h"
#include "text/textrules.h"

using namespace quill;

namespace {
QString Sheet(const QString& name) {
    return QStringLiteral(QUILL_TEST_DATA "/sheets/") + name;
}
QString WriteTemp(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly)) return QString();
    f.write(bytes);
    return f.fileName();
}
// Each row of the sheet as its cells joined by "|".
QStringList Rows(const SheetData& s) {
    QStringList rows;
    for (int row = 0; row < s.rows; ++row) {
        QStringList cells;
        for (int column = 0; column < s.columns; ++column) cells << s.Cell(row, column);
        rows << cells.join('|');
    }
    return rows;
}
}  // namespace

class TestSpreadsheet : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

  private slots:
    void everyFormat_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("sheetCount");
        for (const char* kind : {"xls", "xlsx", "ods", "csv"})
            QTest::newRow(kind) << QString("terms.") + kind << (kind == QString("csv") ? 1 : 2);
        // Part names from the package root and inline strings, as Python
        // writes them; rows and cells without addresses.
        QTest::newRow("xlsx from Python") << "terms_python.xlsx" << 2;
    }
    void everyFormat() {
        QFETCH(QString, file);
        QFETCH(int, sheetCount);
        const WorkbookResult r = ReadWorkbook(Sheet(file));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.book.sheets.size(), sheetCount);
        // Numbers as text ("42", not "42.000000"), empty cells empty.
        QCOMPARE(Rows(r.book.sheets.first()),
                 QStringList({"Name|Score|Hit", "Abc1|42|Abc1 | 123 MM#2", "Def2|3.5|",
                              "AB000001/AB000002|7|Def2 | x", "Abc1||Abc1 | 123 MM#2"}));
        QCOMPARE(r.book.sheets.first().Cell(99, 99), QString());  // outside the data
        if (sheetCount == 2) {
            QCOMPARE(r.book.sheets[1].name, "Other");
            QCOMPARE(Rows(r.book.sheets[1]), QStringList({"X1|", "|Y2"}));
        }

        // As a term file: the first sheet, row by row, under each rule.
        TermFileResult t = ReadTermFile(Sheet(file));
        QVERIFY2(t.ok, qPrintable(t.error));
        QCOMPARE(t.terms, QStringList({"Name", "Score", "Hit", "Abc1", "42", "Abc1 | 123 MM#2",
                                       "Def2", "3.5", "AB000001/AB000002", "7", "Def2 | x"}));
        QVERIFY(t.duplicatesRemoved);
        t = ReadTermFile(Sheet(file), UniqueImportRule());
        QCOMPARE(t.terms.count("Abc1"), 2);
        t = ReadTermFile(Sheet(file), HitsImportRule());
        QCOMPARE(t.terms, QStringList({"Name", "Score", "Hit", "Abc1", "42", "Abc1 123", "Def2",
                                       "3.5", "AB000001/AB000002", "7", "Def2 "}));
    }

    // Every kind of .xlsx cell, as office suites store it (shared and rich
    // strings, built-in date format, a formula's stored result) and as Python
    // does (inline strings, no formula results, optionally 1904 dates).
    void xlsxCellKinds_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("formula");
        QTest::addColumn<bool>("early");
        QTest::newRow("office") << "kinds.xlsx" << QString("84") << true;
        QTest::newRow("Python") << "kinds_python.xlsx" << QString() << true;
        QTest::newRow("Python, 1904 dates") << "kinds_1904.xlsx" << QString() << false;
    }
    void xlsxCellKinds() {
        QFETCH(QString, file);
        QFETCH(QString, formula);
        QFETCH(bool, early);
        const WorkbookResult r = ReadWorkbook(Sheet(file));
        QVERIFY2(r.ok, qPrintable(r.error));
        // The expected rows, separated by ";".
        QStringList rows = QString(
                               "text|Pax6;rich|Sox2 fox;escaped|a\rb;whole|42;fraction|2.5;"
                               "percent|0.25;quoted|5;colour|1.5;true|TRUE;false|FALSE;"
                               "error|#DIV/0!;date|2024-03-05;datetime|2024-03-05 14:30:00;"
                               "time|14:30:15;formula|")
                               .split(';');
        rows.last() += formula;
        if (early) rows << "early|1900-01-15";
        QCOMPARE(Rows(r.book.sheets.value(0)), rows);
        // An empty sheet after the data opens as an empty sheet.
        QCOMPARE(r.book.sheets.size(), 2);
        QCOMPARE(r.book.sheets[1].name, "Empty");
        QCOMPARE(r.book.sheets[1].rows, 0);
    }

    // Both date systems, about the days where they differ: the 1900 one counts
    // a 29 February 1900, the 1904 one starts at serial 0 in a leap year.
    void xlsxDateSystems_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("dates");  // of the serials 0, 1, 59, 60, 61, 0.75, 43894
        QTest::newRow("1900") << "dates_1900.xlsx"
                              << QStringList{"1899-12-31", "1900-01-01", "1900-02-28",
                                             "1900-02-29", "1900-03-01", "1899-12-31 18:00:00",
                                             "2020-03-04"};
        QTest::newRow("1904") << "dates_1904.xlsx"
                              << QStringList{"1904-01-01", "1904-01-02", "1904-02-29",
                                             "1904-03-01", "1904-03-02", "1904-01-01 18:00:00",
                                             "2024-03-05"};
    }
    void xlsxDateSystems() {
        QFETCH(QString, file);
        QFETCH(QStringList, dates);
        const WorkbookResult r = ReadWorkbook(Sheet(file));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(Rows(r.book.sheets.value(0)), dates);
    }

    // Escapes of characters XML cannot carry (_xHHHH_), at the start, inside
    // and at the end of shared (column A) and inline (column B) strings.
    void xlsxEscapes() {
        const WorkbookResult r = ReadWorkbook(Sheet("escapes.xlsx"));
        QVERIFY2(r.ok, qPrintable(r.error));
        QStringList rows;
        for (const char* text : {"endA", "Bstart", "a\rb", "_x0041_", "short_x41_", "cut_x004"})
            rows << QString(text) + '|' + text;
        QCOMPARE(Rows(r.book.sheets.value(0)), rows);
    }

    // A file past a limit is refused whole, with a message naming the file
    // and the limit; a cell at the limit is read.
    void limits_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("limit");  // a part of the message; empty: read
        const QString cell = "a cell holds more than 32767 characters";
        const QString longest(32767, QChar(0x20AC));  // three bytes each in UTF-8
        for (const QString kind : {"csv", "txt"}) {
            QTest::addRow("%s at the limit", qPrintable(kind))
                << WriteTemp(dir_, "at." + kind, ("Abc1\n" + longest + "\n").toUtf8()) << QString();
            QTest::addRow("%s past the limit", qPrintable(kind))
                << WriteTemp(dir_, "past." + kind, ("Abc1\n" + longest + "x\n").toUtf8())
                << (kind == "csv" ? cell : "line 2 holds more than 32767 characters");
        }
        QTest::newRow("xlsx") << Sheet("longcell.xlsx") << cell;
        QTest::newRow("ods") << Sheet("longcell.ods") << cell;
        QTest::newRow("ods text of 2 MiB") << Sheet("longrun.ods") << cell;
        QTest::newRow("ods cell of 300 MiB")
            << Sheet("bomb.ods") << "its part content.xml unpacks to more than 256 MiB";
        QTest::newRow("cells too far apart")
            << Sheet("toolarge.xlsx") << "its sheets span more than 20000000 cells";
    }
    void limits() {
        QFETCH(QString, file);
        QFETCH(QString, limit);
        const TermFileResult t = ReadTermFile(file);
        if (limit.isEmpty()) {
            QVERIFY2(t.ok, qPrintable(t.error));
            QCOMPARE(t.terms.value(1).size(), 32767);
            return;
        }
        QVERIFY(!t.ok);
        QVERIFY(t.terms.isEmpty());
        QVERIFY2(t.error.contains(QFileInfo(file).fileName()) && t.error.contains(limit),
                 qPrintable(t.error));
    }

    void rowsAsWritten() {
        // Rows written once for three and for two, a cell for two, and a
        // million empty rows after the data.
        QCOMPARE(Rows(ReadWorkbook(Sheet("repeated.ods")).book.sheets.value(0)),
                 QStringList({"Abc1|2|2", "Abc1|2|2", "Abc1|2|2", "End||", "End||"}));
        const QString crCsv = WriteTemp(dir_, "cr.csv", "a,b\r\"c\rd\",e\r");
        QCOMPARE(Rows(ReadWorkbook(crCsv).book.sheets.value(0)), QStringList({"a|b", "c\nd|e"}));
    }

    void damagedFilesNameTheFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");  // a part of the message
        QTest::newRow("xls damaged after its first sheet")
            << Sheet("damaged_second_sheet.xls") << "damaged";
        QTest::newRow("xls that stops the .xls reader")
            << Sheet("freexl_stops.xls") << "its reading broke off";
        QTest::newRow("truncated xlsx") << Sheet("corrupt.xlsx") << "not a zip package";
        QTest::newRow("xlsx with broken XML") << Sheet("broken_xml.xlsx") << "sheet1.xml";
        QTest::newRow("ods with damaged parts")
            << Sheet("damaged_parts.ods") << "in its part styles.xml";
        QTest::newRow("ods whose part claims 1.8 GB packed")
            << Sheet("lying_size.ods") << "its part content.xml claims more bytes than the file";
        QTest::newRow("binary that is no workbook")
            << WriteTemp(dir_, "image.xls", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16))
            << "neither a spreadsheet";
        QTest::newRow("xlsx without its sheet part")
            << WriteTemp(dir_, "nosheet.xlsx",
                         test::ReadBytes(Sheet("terms.xlsx"))
                             .replace("xl/worksheets/sheet1.xml", "xl/worksheets/sheet9.xml"))
            << "sheet1.xml is missing";
        QTest::newRow("missing") << Sheet("nosuchfile.ods") << "not found";
    }
    void damagedFilesNameTheFile() {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        const WorkbookResult r = ReadWorkbook(file);
        QVERIFY(!r.ok);
        const QString name = QFileInfo(file).fileName();
        QVERIFY2(r.error.startsWith(QString("Cannot read the spreadsheet \"%1\": ").arg(name)),
                 qPrintable(r.error));
        QVERIFY2(r.error.contains(reason), qPrintable(r.error));
        // A term file read from it reports the same.
        const TermFileResult t = ReadTermFile(file);
        QVERIFY(!t.ok);
        QVERIFY2(t.error.contains(name), qPrintable(t.error));
    }

    void numbersShowAsASpreadsheetShowsThem() {
        QCOMPARE(FormatCellNumber(42), QString("42"));
        QCOMPARE(FormatCellNumber(-0.0), QString("0"));
        QCOMPARE(FormatCellNumber(0.1 + 0.2), QString("0.3"));
        QCOMPARE(FormatCellNumber(1.0 / 3), QString("0.333333333333333"));
        QCOMPARE(FormatCellNumber(1e20), QString("1E+20"));
        QCOMPARE(FormatCellNumber(1.5e-12), QString("1.5E-12"));
    }

    void hitNameRule() {
        QCOMPARE(HitNameFromImport("Abc1"), std::optional<QString>("Abc1"));
        QCOMPARE(HitNameFromImport("Abc1 | 123 MM#2"), std::optional<QString>("Abc1 123"));
        QCOMPARE(HitNameFromImport("A|  MM#"), std::optional<QString>("A"));
        QVERIFY(!HitNameFromImport("A|MM#"));  // MM# right after the bar
        QVERIFY(!HitNameFromImport("MM#1|x"));
    }

    // The content decides how a file reads, whatever its name says.
    void contentDecides_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("rows");  // of the first sheet
        const QStringList terms = Rows(ReadWorkbook(Sheet("terms.ods")).book.sheets.value(0));
        QTest::newRow("xlsx named xls") << "a.xls" << test::ReadBytes(Sheet("terms.xlsx")) << terms;
        QTest::newRow("ods named xlsx") << "b.xlsx" << test::ReadBytes(Sheet("terms.ods")) << terms;
        QTest::newRow("xls named ods") << "c.ods" << test::ReadBytes(Sheet("terms.xls")) << terms;
        QTest::newRow("text named xls, one cell a line")
            << "d.xls" << QByteArray("Abc1, x\r\n\r\n\"Def2\"\n")
            << QStringList{"Abc1, x", "", "\"Def2\""};
        QTest::newRow("quoted fields, Windows-1252")
            << "e.txt" << QByteArray("\"Caf\xe9\",\"a,b\"\r\nx,y\r\n")
            << QStringList{"Caf\u00e9|a,b", "x|y"};
        QTest::newRow("csv by name") << "f.csv" << QByteArray("a,b\n") << QStringList{"a|b"};
        const QString output = IgtcOutputText({"Abc1 | 12 MM#2", "gi|5|ref|NM_1.1|"});
        QTest::newRow("IGTC hit list named csv")
            << "g.csv"
            << QuotedItemsBytes(IgtcSaveItems("100", output, QDateTime::currentDateTime()))
            << QStringList{"Abc1 | 12 MM#2", "gi|5|ref|NM_1.1|"};
    }
    void contentDecides() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, rows);
        const WorkbookResult r = ReadWorkbook(WriteTemp(dir_, name, bytes));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(Rows(r.book.sheets.value(0)), rows);
    }

    // Term files: the rule of the window's import applies to cells and saved
    // hit entries; a plain text file stays one term per line, as written.
    void termFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("hitsRule");  // else the search rule in accession mode
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<QString>("stoppedAt");
        // The hit rule stops at the first cell it cannot take.
        QTest::newRow("csv, hit rule stops") << "bad.csv" << QByteArray("Abc1\nA|MM#\nDef2\n")
                                             << true << QStringList{"Abc1"} << "A|MM#";
        QTest::newRow("text: repeats, slashes, Windows-1252")
            << "terms.txt" << QByteArray("Abc1\r\nAbc1\r\nA/B\r\nCaf\xe9\r\n") << false
            << QStringList{"Abc1", "Abc1", "A/B", "Caf\u00e9"} << QString();
        const QString output = IgtcOutputText({"Abc1 | 12 MM#2", "Def2 | x"});
        QTest::newRow("IGTC hit list, hit rule")
            << "hits.xls"
            << QuotedItemsBytes(IgtcSaveItems("100", output, QDateTime::currentDateTime())) << true
            << QStringList{"Abc1 12", "Def2 "} << QString();
    }
    void termFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, hitsRule);
        QFETCH(QStringList, terms);
        QFETCH(QString, stoppedAt);
        // The search list's rule in accession mode, as the command line makes it.
        TermFileRule accessionRule;
        accessionRule.transform = SlashesToSpaces;
        const TermFileResult r =
            ReadTermFile(WriteTemp(dir_, name, bytes), hitsRule ? HitsImportRule() : accessionRule);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.terms, terms);
        QCOMPARE(r.stoppedAt, stoppedAt);
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheet)
#include "test_spreadsheet.moc"
