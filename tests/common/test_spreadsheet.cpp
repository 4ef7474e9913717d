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
}  // namespace

class TestSpreadsheet : public QObject {
    Q_OBJECT
  private slots:
    void readsEveryFormat_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("sheetCount");
        QTest::newRow("xls") << "terms.xls" << 2;
        QTest::newRow("xlsx") << "terms.xlsx" << 2;
        QTest::newRow("ods") << "terms.ods" << 2;
        QTest::newRow("csv") << "terms.csv" << 1;
    }
    void readsEveryFormat() {
        QFETCH(QString, file);
        QFETCH(int, sheetCount);
        const WorkbookResult r = ReadWorkbook(Sheet(file));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.book.sheets.size(), sheetCount);
        const SheetData& s = r.book.sheets.first();
        QCOMPARE(s.rows, 5);
        QCOMPARE(s.columns, 3);
        QCOMPARE(s.Cell(0, 0), QStringLiteral("Name"));
        QCOMPARE(s.Cell(1, 1), QStringLiteral("42"));  // not 42.000000
        QCOMPARE(s.Cell(2, 1), QStringLiteral("3.5"));
        QCOMPARE(s.Cell(2, 2), QString());  // empty cell
        QCOMPARE(s.Cell(3, 0), QStringLiteral("AB000001/AB000002"));
        QCOMPARE(s.Cell(4, 1), QString());
        QCOMPARE(s.Cell(4, 2), QStringLiteral("Abc1 | 123 MM#2"));
        QCOMPARE(s.Cell(99, 99), QString());  // outside the data
        if (sheetCount == 2) {
            QCOMPARE(r.book.sheets[1].name, QStringLiteral("Other"));
            QCOMPARE(r.book.sheets[1].Cell(1, 1), QStringLiteral("Y2"));
        }
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
        QVERIFY2(r.error.contains(QFileInfo(file).fileName()), qPrintable(r.error));
        QVERIFY2(r.error.contains(QStringLiteral(": ")), qPrintable(r.error));
        QVERIFY2(!r.error.contains(QStringLiteral("()")), qPrintable(r.error));
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

    void termFileTakesFirstSheetRowByRow_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("xls") << "terms.xls";
        QTest::newRow("xlsx") << "terms.xlsx";
        QTest::newRow("ods") << "terms.ods";
        QTest::newRow("csv") << "terms.csv";
    }
    void termFileTakesFirstSheetRowByRow() {
        QFETCH(QString, file);
        TermFileResult r = ReadTermFile(Sheet(file), SearchImportRule(false));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.terms, QStringList({"Name", "Score", "Hit", "Abc1", "42", "Abc1 | 123 MM#2",
                                       "Def2", "3.5", "AB000001/AB000002", "7", "Def2 | x"}));
        QVERIFY(r.duplicatesRemoved);

        r = ReadTermFile(Sheet(file), SearchImportRule(true));
        QVERIFY(r.terms.contains(QStringLiteral("AB000001 AB000002")));

        r = ReadTermFile(Sheet(file), UniqueImportRule());
        QCOMPARE(r.terms.size(), 13);
        QCOMPARE(r.terms.count(QStringLiteral("Abc1")), 2);
        QVERIFY(!r.duplicatesRemoved);

        r = ReadTermFile(Sheet(file), HitsImportRule());
        QCOMPARE(r.terms, QStringList({"Name", "Score", "Hit", "Abc1", "42", "Abc1 123", "Def2",
                                       "3.5", "AB000001/AB000002", "7", "Def2 "}));
    }

    void termFileStopsWhereTheHitRuleFails() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.csv"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Abc1\nA|MM#\nDef2\n");
        f.close();
        const TermFileResult r = ReadTermFile(path, HitsImportRule());
        QVERIFY(r.ok);
        QCOMPARE(r.terms, QStringList({"Abc1"}));
        QCOMPARE(r.stoppedAt, QStringLiteral("A|MM#"));
    }

    void termFileReportsDamagedSpreadsheet() {
        const TermFileResult r = ReadTermFile(Sheet("corrupt.xlsx"));
        QVERIFY(!r.ok);
        QVERIFY(r.terms.isEmpty());
        QVERIFY(r.error.contains(QStringLiteral("corrupt.xlsx")));
    }

    void plainTextStaysOneTermPerLine() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("terms.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Abc1\r\nAbc1\r\nA/B\r\n");
        f.close();
        const TermFileResult r = ReadTermFile(path, SearchImportRule(true));
        QVERIFY(r.ok);
        QCOMPARE(r.terms, QStringList({"Abc1", "Abc1", "A/B"}));
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheet)
#include "test_spreadsheet.moc"
