// Expression tables: the three layouts, plain and packed, the gene look-up,
// the refusals, the default tissues, the rule on decimals and the report
// line. The demo tables of data/expression are read in place.

#include <zlib.h>

#include <QtTest>
#include <algorithm>

#include "profile/expressiontable.h"
#include "sheets/sheetparts.h"

using namespace quill;

namespace {

const QString kDemo = QStringLiteral(QUILL_PAGES_DIR "/../expression/");
const QString kMouse = kDemo + "demo_mouse_baseline.tpms.tsv";
const QString kHpa = kDemo + "demo_rna_tissue_consensus.tsv";
const QString kHpaZip = kDemo + "demo_rna_tissue_consensus.tsv.zip";
const QString kGtex = kDemo + "demo_gene_median_tpm.gct.gz";

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return QString();
    return f.fileName();
}

// gzip data of text, or of size zero bytes when text is empty.
QByteArray Gzip(const QByteArray& text, qint64 zeros = 0) {
    z_stream z{};
    deflateInit2(&z, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out;
    const QByteArray block = zeros > 0 ? QByteArray(1 << 20, '\0') : text;
    qint64 left = zeros > 0 ? zeros : text.size();
    char buffer[1 << 16];
    for (int flush = Z_NO_FLUSH; flush != Z_FINISH;) {
        const qint64 n = std::min<qint64>(left, block.size());
        left -= n;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.constData()));
        z.avail_in = uInt(n);
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

QString Outcome(const ExpressionTable& t, const QString& term, bool abundance, bool tpm) {
    const TableLookup found = t.Find(term);
    if (!found.Found()) return found.Reason();
    ScreeningCriteria c;
    c.chkAbundance = abundance;
    c.chkTissue = tpm;
    switch (ApplyTableScreeningRule(t.Tissues(), t.Values(found.gene),
                                    DefaultTableTissues(t.Tissues()), c)) {
        case kMatched:
            return "matched";
        case kNotMatched:
            return "not matched";
        default:
            return "not tested";
    }
}

const QByteArray kLongHeader = "Gene\tGene name\tTissue\tnTPM\n";

}  // namespace

class ExpressionTableTest : public QObject {
    Q_OBJECT
  private slots:
    void layouts_data() {
        QTest::addColumn<QString>("path");  // a demo table, or a name for text
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("tissues");  // first, last and count
        QTest::addColumn<int>("genes");
        QTest::addColumn<QString>("value");  // gene/tissue=value;...
        QTest::addColumn<QString>("unit");

        QTest::newRow("wide, # lines, empty cells")
            << kMouse << QByteArray() << int(ExpressionLayout::Wide) << "brain..testis (8)" << 10
            << "Pax6/testis=90;Pax6/heart=0;Nanog/ovary=0.9"
            << "";
        QTest::newRow("long") << kHpa << QByteArray() << int(ExpressionLayout::Long)
                              << "adipose tissue..testis (11)" << 3
                              << "TP53/testis=150;HBB/bone marrow=25000"
                              << "nTPM";
        QTest::newRow("long, zip")
            << kHpaZip << QByteArray() << int(ExpressionLayout::Long)
            << "adipose tissue..testis (11)" << 3 << "TP53/testis=150;GAPDH/cerebellum=1340.2"
            << "nTPM";
        QTest::newRow("gct, gzip") << kGtex << QByteArray() << int(ExpressionLayout::Gct)
                                   << "Adipose - Subcutaneous..Whole Blood (11)" << 3
                                   << "TP53/Testis=160.875;HBB/Whole Blood=150000.5"
                                   << "";
        // Rows by tissue, not by gene; a pair without a row; the older
        // value column; an exponent; CR LF and a byte order mark.
        QTest::newRow("long, by tissue, NX")
            << "nx.tsv"
            << QByteArray(
                   "\xEF\xBB\xBFGene\tGene name\tTissue\tNX\r\nG1\tA\tliver\t1\r\n"
                   "G2\tB\tliver\t2\r\nG1\tA\tovary\t3.5e1\r\nG3\tC\tovary\t.5\r\n")
            << int(ExpressionLayout::Long) << "liver..ovary (2)" << 3
            << "A/ovary=35;B/ovary=0;C/ovary=0.5;C/liver=0"
            << "NX";
        QTest::newRow("long, TPM, pTPM, nTPM: nTPM")
            << "hpa.tsv"
            << QByteArray("Gene\tGene name\tTissue\tTPM\tpTPM\tnTPM\nG1\tA\tliver\t1\t2\t3\n")
            << int(ExpressionLayout::Long) << "liver..liver (1)" << 1 << "A/liver=3"
            << "nTPM";
        QTest::newRow("gct, plain")
            << "median.gct"
            << QByteArray(
                   "#1.2\n1\t2\t\t\nName\tDescription\tOvary\tTestis\n"
                   "ENSG1.3\tA\t1.25\t0\n")
            << int(ExpressionLayout::Gct) << "Ovary..Testis (2)" << 1 << "A/Testis=0;A/Ovary=1.25"
            << "";
        QTest::newRow("wide, symbols only, quoted")
            << "q.tsv" << QByteArray("\"Symbol\"\t\"ovary\"\n\"A\"\t\"2\"\n")
            << int(ExpressionLayout::Wide) << "ovary..ovary (1)" << 1 << "A/ovary=2"
            << "";
    }
    void layouts() {
        QFETCH(QString, path);
        QFETCH(QByteArray, text);
        QFETCH(int, layout);
        QFETCH(QString, tissues);
        QFETCH(int, genes);
        QFETCH(QString, value);
        QFETCH(QString, unit);
        QTemporaryDir dir;
        if (!text.isEmpty()) path = Write(dir, path, text);
        const ExpressionTableResult r = ReadExpressionTable(path);
        QVERIFY2(r.ok, qPrintable(r.error));
        const ExpressionTable& t = r.table;
        QCOMPARE(int(t.Layout()), layout);
        QCOMPARE(t.Tissues().first() + ".." + t.Tissues().last() +
                     QString(" (%1)").arg(t.Tissues().size()),
                 tissues);
        QCOMPARE(t.GeneCount(), genes);
        QCOMPARE(t.ValueColumn(), unit);
        for (const QString& check : value.split(';')) {
            const QString gene = check.section('/', 0, 0);
            const QString tissue = check.section('/', 1).section('=', 0, 0);
            const TableLookup found = t.Find(gene);
            QVERIFY2(found.Found(), qPrintable(check));
            const qsizetype column = t.Tissues().indexOf(tissue);
            QVERIFY2(column >= 0, qPrintable(check));
            QCOMPARE(t.Values(found.gene)[size_t(column)], check.section('=', 1).toDouble());
        }
    }

    void packedByContent() {
        // The first bytes tell the packing, not the name; the zip gives the
        // same table as the plain file.
        QTemporaryDir dir;
        const ExpressionTableResult plain = ReadExpressionTable(kHpa);
        const ExpressionTableResult zip =
            ReadExpressionTable(Write(dir, "consensus.tsv", Bytes(kHpaZip)));
        const ExpressionTableResult gz =
            ReadExpressionTable(Write(dir, "median.txt", Bytes(kGtex)));
        QVERIFY2(zip.ok && gz.ok, qPrintable(zip.error + gz.error));
        QCOMPARE(zip.table.Tissues(), plain.table.Tissues());
        for (int g = 0; g < plain.table.GeneCount(); ++g) {
            QCOMPARE(zip.table.Symbol(g), plain.table.Symbol(g));
            QVERIFY(std::ranges::equal(zip.table.Values(g), plain.table.Values(g)));
        }
        QCOMPARE(gz.table.GeneCount(), 3);
    }

    void lookup_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("found");  // symbol found, or the reason
        QTest::newRow("symbol") << kMouse << "Pax6"
                                << "Pax6";
        QTest::newRow("symbol, other case") << kMouse << "PAX6"
                                            << "not in the table";
        QTest::newRow("id") << kMouse << "ENSMUSG00000074637"
                            << "Sox2";
        QTest::newRow("id, version in the term") << kHpa << "ENSG00000141510.4"
                                                 << "TP53";
        QTest::newRow("id, version in the table") << kGtex << "ENSG00000244734"
                                                  << "HBB";
        QTest::newRow("id, other version") << kGtex << "ENSG00000111640.2"
                                           << "GAPDH";
        QTest::newRow("ambiguous symbol") << kMouse << "Xist"
                                          << "ambiguous symbol (2 rows)";
        QTest::newRow("one of its ids") << kMouse << "ENSMUSG00000099998"
                                        << "Xist";
        QTest::newRow("unknown") << kHpa << "Notagene"
                                 << "not in the table";
        QTest::newRow("empty") << kHpa << ""
                               << "not in the table";
    }
    void lookup() {
        QFETCH(QString, path);
        QFETCH(QString, term);
        QFETCH(QString, found);
        const ExpressionTableResult r = ReadExpressionTable(path);
        QVERIFY2(r.ok, qPrintable(r.error));
        const TableLookup l = r.table.Find(term);
        QCOMPARE(l.Found() ? r.table.Symbol(l.gene) : l.Reason(), found);
    }

    void badTables_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");  // after 'Cannot read the expression table "name": '
        const QByteArray gz = Bytes(kGtex);
        const QByteArray zip = Bytes(kHpaZip);
        QByteArray badGz = gz;
        badGz[20] = char(badGz[20] ^ 0x55);
        QByteArray badZip = zip;
        const int data = 30 + QByteArrayLiteral("demo_rna_tissue_consensus.tsv").size() + 40;
        badZip[data] = char(badZip[data] ^ 0x55);

        QTest::newRow("no gene column")
            << "a.tsv" << QByteArray("Tissue\tnTPM\nliver\t1\n")
            << "line 1: the header has no gene column (Gene, Gene ID, Name; or Gene name, "
               "Description).";
        QTest::newRow("no value column")
            << "a.tsv" << QByteArray("# x\nGene\tGene name\tTissue\tLevel\nG1\tA\tliver\tHigh\n")
            << "line 2: the header has a Tissue column but no value column (nTPM, NX or TPM).";
        QTest::newRow("no tissue column") << "a.tsv" << QByteArray("Gene ID\tGene Name\nG1\tA\n")
                                          << "line 1: the header names no tissue column.";
        QTest::newRow("tissue twice") << "a.tsv" << QByteArray("Gene\tovary\tovary\nG1\t1\t2\n")
                                      << "line 1: the header names tissue \"ovary\" twice.";
        QTest::newRow("text value")
            << "a.tsv" << QByteArray("Gene ID\tGene Name\tliver\tovary\nG1\tA\t1\tNA\n")
            << "line 2: the value \"NA\" for tissue \"ovary\" is not a decimal number of 0 or "
               "more.";
        QTest::newRow("decimal comma")
            << "a.tsv" << kLongHeader + "G1\tA\tliver\t1\nG1\tA\tovary\t1,5\n"
            << "line 3: the value \"1,5\" for tissue \"ovary\" is not a decimal number of 0 or "
               "more.";
        QTest::newRow("negative") << "a.tsv" << kLongHeader + "G1\tA\tliver\t-2\n"
                                  << "line 2: the value \"-2\" for tissue \"liver\" is not a "
                                     "decimal number of 0 or more.";
        QTest::newRow("infinity") << "a.tsv" << kLongHeader + "G1\tA\tliver\tinf\n"
                                  << "line 2: the value \"inf\" for tissue \"liver\" is not a "
                                     "decimal number of 0 or more.";
        QTest::newRow("number and text") << "a.tsv" << kLongHeader + "G1\tA\tliver\t3 TPM\n"
                                         << "line 2: the value \"3 TPM\" for tissue \"liver\" is "
                                            "not a decimal number of 0 or more.";
        QTest::newRow("ragged, short") << "a.tsv" << kLongHeader + "G1\tA\tliver\t1\nG1\tA\tovary\n"
                                       << "line 3: the row has 3 cells, the header (line 1) has 4.";
        QTest::newRow("ragged, long") << "a.tsv" << QByteArray("#c\nGene\tovary\nG1\t1\t2\n")
                                      << "line 3: the row has 3 cells, the header (line 2) has 2.";
        QTest::newRow("second value")
            << "a.tsv" << kLongHeader + "G1\tA\tliver\t1\nG1\tA\tovary\t1\nG1\tA\tliver\t2\n"
            << "line 4: gene \"G1\" has a second value for tissue \"liver\".";
        QTest::newRow("gct counts, cut off")
            << "a.gct" << QByteArray("#1.2\n2\t1\nName\tDescription\tOvary\nE1\tA\t1\n")
            << "line 2: the counts say 2 genes and 1 tissues, the table has 1 genes and 1 "
               "tissues (is the file cut off?).";
        QTest::newRow("gct without counts")
            << "a.gct" << QByteArray("#1.2\nName\tDescription\tOvary\n")
            << "line 2: a GCT table gives the counts of genes and tissues here.";
        QTest::newRow("gct 1.3") << "a.gct" << QByteArray("#1.3\t\n1\t1\t0\t0\n")
                                 << "line 1: it is a GCT 1.3 table; GCT 1.2 tables are read.";
        QTest::newRow("empty") << "a.tsv" << QByteArray("\n\n") << "it is empty.";
        QTest::newRow("header only") << "a.tsv" << kLongHeader << "it holds no gene rows.";
        QTest::newRow("gzip, damaged")
            << "a.gct.gz" << badGz << "its gzip data is damaged (invalid bit length repeat).";
        QTest::newRow("gzip, cut off") << "a.gct.gz" << gz.left(gz.size() / 2)
                                       << "its gzip data ends early (the file is cut off).";
        QTest::newRow("gzip of a bad table")
            << "a.tsv.gz" << Gzip(kLongHeader + "G1\tA\tliver\n")
            << "line 2: the row has 3 cells, the header (line 1) has 4.";
        QTest::newRow("gzip, too large") << "a.tsv.gz" << Gzip({}, kMaxPartBytes + 1)
                                         << "it unpacks to more than 256 MiB, the most a table "
                                            "may hold.";
        QTest::newRow("zip, cut off")
            << "a.zip" << zip.left(zip.size() - 30)
            << "the zip archive cannot be opened (it is not a zip package).";
        QTest::newRow("zip, damaged")
            << "a.zip" << badZip << "the zip archive is damaged (Zlib error: data error).";
    }
    void badTables() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const ExpressionTableResult r = ReadExpressionTable(Write(dir, name, bytes));
        QVERIFY(!r.ok);
        QCOMPARE(r.error, "Cannot read the expression table \"" + name + "\": " + error);
        QCOMPARE(r.table.GeneCount(), 0);
        QVERIFY(r.table.Tissues().isEmpty());
    }

    void tooLargeOrMissing() {
        QTemporaryDir dir;
        QFile big(dir.filePath("big.tsv"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(kMaxPartBytes + 1));
        big.close();
        QCOMPARE(ReadExpressionTable(big.fileName()).error,
                 "Cannot read the expression table \"big.tsv\": it is larger than 256 MiB, the "
                 "most a table may hold.");
        QCOMPARE(ReadExpressionTable(dir.filePath("none.tsv")).error,
                 "Cannot read the expression table \"none.tsv\": the file was not found.");
    }

    void defaultTissues() {
        const struct {
            QStringList tissues, defaults;
        } rows[] = {
            {{"brain", "ovary", "testis"}, {"ovary", "testis"}},
            {{"Testis", "Liver", "Ovary"}, {"Testis", "Ovary"}},
            {{"female genital", "testis (sub)"}, {}},
        };
        for (const auto& r : rows) QCOMPARE(DefaultTableTissues(r.tissues), r.defaults);
        QStringList unknown;
        QCOMPARE(
            ChooseTableTissues({"Ovary", "Liver", "Testis"}, {"testis", "lung", "ovary"}, &unknown),
            QStringList({"Ovary", "Testis"}));
        QCOMPARE(unknown, QStringList{"lung"});
    }

    void decimalRule_data() {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<QString>("abundance");  // "" test off
        QTest::addColumn<QString>("tpm");        // "" test off
        QTest::addColumn<int>("outcome");
        using L = QList<double>;
        using S = QList<int>;
        // 2.3 is 46 % of 5 exactly; in binary 2.3 * 100 < 46 * 5.
        QTest::newRow("exactly at the percentage") << L{2.3, 2.7} << S{0} << "46"
                                                   << "" << 3;
        QTest::newRow("just below it") << L{2.29, 2.71} << S{0} << "46"
                                       << "" << 4;
        QTest::newRow("whole numbers at it") << L{50, 25, 25} << S{0} << "50"
                                             << "" << 3;
        QTest::newRow("share of all tissues") << L{60, 40, 100} << S{0, 1} << "50"
                                              << "" << 4;
        QTest::newRow("any one selected") << L{10, 80, 10} << S{0, 1} << "80"
                                          << "" << 3;
        // 0.1 + 16.1 + 13.8 is 30 exactly; in binary the sum is above 30.
        QTest::newRow("sum exactly at the minimum") << L{0.1, 16.1, 13.8, 5} << S{0, 1, 2} << ""
                                                    << "30" << 4;
        QTest::newRow("sum just above") << L{0.1, 16.1, 13.81} << S{0, 1, 2} << ""
                                        << "30" << 3;
        QTest::newRow("sum, not each") << L{60, 50, 900} << S{0, 1} << ""
                                       << "100" << 3;
        QTest::newRow("both, sum fails") << L{60, 40} << S{0, 1} << "50"
                                         << "100" << 4;
        QTest::newRow("both pass") << L{40, 90, 20} << S{0, 1} << "50"
                                   << "100" << 3;
        QTest::newRow("total 0, abundance 0") << L{0, 0} << S{0} << "0"
                                              << "" << 4;
        QTest::newRow("total 0, minimum 0") << L{0, 0} << S{0, 1} << ""
                                            << "0" << 4;
        QTest::newRow("minimum 0, tiny sum") << L{0.001, 0} << S{0} << ""
                                             << "0" << 3;
        QTest::newRow("no test") << L{0, 0} << S{0} << ""
                                 << "" << 0;
    }
    void decimalRule() {
        QFETCH(QList<double>, values);
        QFETCH(QList<int>, selected);
        QFETCH(QString, abundance);
        QFETCH(QString, tpm);
        QFETCH(int, outcome);
        ScreeningCriteria c;
        c.chkAbundance = !abundance.isEmpty();
        c.txtAbundance = abundance;
        c.chkTissue = !tpm.isEmpty();
        c.txtTissue = tpm;
        const std::span<const double> v(values.constData(), size_t(values.size()));
        QCOMPARE(int(ApplyTableScreeningRule(v, selected, c)), outcome);
    }

    void demoGenes_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("outcomes");  // both tests; abundance only; sum only
        QTest::newRow("Pax6") << kMouse << "matched|matched|matched";
        QTest::newRow("Sox2") << kMouse << "not matched|matched|not matched";
        QTest::newRow("Hoxa9") << kMouse << "not matched|not matched|matched";
        QTest::newRow("Nanog") << kMouse << "not matched|not matched|not matched";
        QTest::newRow("Olfr1") << kMouse << "not matched|not matched|not matched";
        QTest::newRow("Xist") << kMouse
                              << "ambiguous symbol (2 rows)|ambiguous symbol (2 rows)|ambiguous "
                                 "symbol (2 rows)";
        QTest::newRow("Notagene") << kMouse << "not in the table|not in the table|not in the table";
        for (const QString& human : {kHpaZip, kGtex}) {
            const QString file = QFileInfo(human).fileName();
            QTest::addRow("TP53, %s", qPrintable(file)) << human << "matched|matched|matched";
            QTest::addRow("HBB, %s", qPrintable(file))
                << human << "not matched|not matched|matched";
            QTest::addRow("GAPDH, %s", qPrintable(file))
                << human << "not matched|not matched|matched";
        }
    }
    void demoGenes() {
        QFETCH(QString, path);
        QFETCH(QString, outcomes);
        const ExpressionTableResult r = ReadExpressionTable(path);
        QVERIFY2(r.ok, qPrintable(r.error));
        const QString gene = QString(QTest::currentDataTag()).section(',', 0, 0);
        QCOMPARE(Outcome(r.table, gene, true, true) + "|" + Outcome(r.table, gene, true, false) +
                     "|" + Outcome(r.table, gene, false, true),
                 outcomes);
    }

    void reportLine() {
        QCOMPARE(ExpressionTableLine(ProfileSpecies::Human, ReadExpressionTable(kHpaZip).table),
                 "Expression table (human): demo_rna_tissue_consensus.tsv.zip, 3 genes, 11 "
                 "tissues");
        QByteArray text = "Gene\tovary\n";
        for (int g = 0; g < 1234; ++g) text += "G" + QByteArray::number(g) + "\t1\n";
        QCOMPARE(
            ExpressionTableLine(ProfileSpecies::Mouse, ParseExpressionTable("big.tsv", text).table),
            "Expression table (mouse): big.tsv, 1,234 genes, 1 tissue");
    }
};

QTEST_GUILESS_MAIN(ExpressionTableTest)
#include "test_expressiontable.moc"
