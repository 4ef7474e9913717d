// Spreadsheet readers and term files: every supported format gives the same
// cells as text, damaged files give a message naming the file.
#include <QTemporaryDir>
#include <QtTest>

#include "common/spreadsheet.h"
#include "common/termfile.h"

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
}  // namespace

class TestSpreadsheet : public QObject {
    Q_OBJECT
  private slots:
    void everyFormat_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("sheetCount");
        for (const char* kind : {"xls", "xlsx", "ods", "csv"})
            QTest::newRow(kind) << QString("terms.") + kind << (kind == QString("csv") ? 1 : 2);
    }
    void everyFormat() {
        QFETCH(QString, file);
        QFETCH(int, sheetCount);
        const WorkbookResult r = ReadWorkbook(Sheet(file));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.book.sheets.size(), sheetCount);
        const SheetData& s = r.book.sheets.first();
        QCOMPARE(s.rows, 5);
        QCOMPARE(s.columns, 3);
        // Numbers as text ("42", not "42.000000"), empty cells empty.
        QStringList cells;
        for (int row = 0; row < s.rows; ++row)
            for (int column = 0; column < s.columns; ++column) cells << s.Cell(row, column);
        QCOMPARE(cells, QStringList({"Name", "Score", "Hit", "Abc1", "42", "Abc1 | 123 MM#2",
                                     "Def2", "3.5", "", "AB000001/AB000002", "7", "Def2 | x",
                                     "Abc1", "", "Abc1 | 123 MM#2"}));
        QCOMPARE(s.Cell(99, 99), QString());  // outside the data
        if (sheetCount == 2) {
            QCOMPARE(r.book.sheets[1].name, "Other");
            QCOMPARE(r.book.sheets[1].Cell(1, 1), "Y2");
        }

        // As a term file: the first sheet, row by row, under each rule.
        TermFileResult t = ReadTermFile(Sheet(file), SearchImportRule(false));
        QVERIFY2(t.ok, qPrintable(t.error));
        QCOMPARE(t.terms, QStringList({"Name", "Score", "Hit", "Abc1", "42", "Abc1 | 123 MM#2",
                                       "Def2", "3.5", "AB000001/AB000002", "7", "Def2 | x"}));
        QVERIFY(t.duplicatesRemoved);
        t = ReadTermFile(Sheet(file), SearchImportRule(true));
        QVERIFY(t.terms.contains("AB000001 AB000002"));
        t = ReadTermFile(Sheet(file), UniqueImportRule());
        QCOMPARE(t.terms.size(), 13);
        QCOMPARE(t.terms.count("Abc1"), 2);
        QVERIFY(!t.duplicatesRemoved);
        t = ReadTermFile(Sheet(file), HitsImportRule());
        QCOMPARE(t.terms, QStringList({"Name", "Score", "Hit", "Abc1", "42", "Abc1 123", "Def2",
                                       "3.5", "AB000001/AB000002", "7", "Def2 "}));
    }

    void damagedFilesNameTheFile_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("corrupt xls") << Sheet("corrupt.xls");
        QTest::newRow("text named xls") << Sheet("notasheet.xls");
        QTest::newRow("truncated xlsx") << Sheet("corrupt.xlsx");
        // Written with absolute part names, which the reader cannot follow:
        // refused with a reason instead of showing empty sheets.
        QTest::newRow("xlsx with unreadable parts") << Sheet("unreadable_parts.xlsx");
        QTest::newRow("missing") << Sheet("nosuchfile.ods");
        QTest::newRow("unknown kind") << Sheet("../sheets");
    }
    void damagedFilesNameTheFile() {
        QFETCH(QString, file);
        const WorkbookResult r = ReadWorkbook(file);
        QVERIFY(!r.ok);
        QVERIFY(r.book.sheets.isEmpty());
        const QString name = QFileInfo(file).fileName();
        QVERIFY2(r.error.contains(name), qPrintable(r.error));
        QVERIFY2(r.error.contains(": "), qPrintable(r.error));
        QVERIFY2(!r.error.contains("()"), qPrintable(r.error));
        // A term file read from it reports the same.
        const TermFileResult t = ReadTermFile(file);
        QVERIFY(!t.ok);
        QVERIFY(t.terms.isEmpty());
        QVERIFY2(t.error.contains(name), qPrintable(t.error));
    }

    void numbersShowAsASpreadsheetShowsThem_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 42.0 << "42";
        QTest::newRow("negative") << -7.0 << "-7";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("minus zero") << -0.0 << "0";
        QTest::newRow("fraction") << 3.5 << "3.5";
        QTest::newRow("binary noise") << 0.1 + 0.2 << "0.3";
        QTest::newRow("large") << 1e20 << "1E+20";
        QTest::newRow("small") << 1.5e-12 << "1.5E-12";
        QTest::newRow("big whole") << 123456789012.0 << "123456789012";
    }
    void numbersShowAsASpreadsheetShowsThem() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FormatCellNumber(value), text);
    }

    void hitNameRule_data() {
        QTest::addColumn<QString>("in");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("out");
        QTest::newRow("no bar") << "Abc1" << true << "Abc1";
        QTest::newRow("bar and MM#") << "Abc1 | 123 MM#2" << true << "Abc1 123";
        QTest::newRow("bar only") << "Abc1 | x" << true << "Abc1 ";
        QTest::newRow("MM# right after bar") << "A|MM#" << false << "";
        QTest::newRow("MM# before bar") << "MM#1|x" << false << "";
        QTest::newRow("zero length middle") << "A|  MM#" << true << "A";
    }
    void hitNameRule() {
        QFETCH(QString, in);
        QFETCH(bool, ok);
        QFETCH(QString, out);
        const std::optional<QString> r = HitNameFromImport(in);
        QCOMPARE(r.has_value(), ok);
        if (ok) QCOMPARE(*r, out);
    }

    void plainTextFiles() {
        QTemporaryDir dir;
        // The hit rule stops at the first cell it cannot take.
        TermFileResult r =
            ReadTermFile(WriteTemp(dir, "bad.csv", "Abc1\nA|MM#\nDef2\n"), HitsImportRule());
        QVERIFY(r.ok);
        QCOMPARE(r.terms, QStringList({"Abc1"}));
        QCOMPARE(r.stoppedAt, "A|MM#");
        // A .txt file stays one term per line, "/" and repeats included.
        r = ReadTermFile(WriteTemp(dir, "terms.txt", "Abc1\r\nAbc1\r\nA/B\r\n"),
                         SearchImportRule(true));
        QVERIFY(r.ok);
        QCOMPARE(r.terms, QStringList({"Abc1", "Abc1", "A/B"}));
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheet)
#include "test_spreadsheet.moc"
