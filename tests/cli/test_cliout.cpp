// The command line's standard output: long texts go out a piece at a time
// and arrive whole, characters outside the Basic Multilingual Plane
// included wherever the pieces end.

#include <QTemporaryDir>
#include <QtTest>

#include "support/testsupport.h"

using namespace quill::test;

class CliOutTest : public QObject {
    Q_OBJECT

  private slots:
    // Names of characters that take two UTF-16 units; the lead character
    // shifts them by one unit, so that in one of the two runs the pieces end
    // inside such a pair.
    void longHitListArrivesWhole_data() {
        QTest::addColumn<QString>("lead");
        QTest::newRow("pairs from an even unit") << QString();
        QTest::newRow("pairs from an odd unit") << QStringLiteral("x");
    }
    void longHitListArrivesWhole() {
        QFETCH(QString, lead);
        const QString wide = QString::fromUtf8("\xF0\x9D\x94\xB8");  // U+1D538
        QTemporaryDir dir;
        QFile report(dir.filePath("report.txt"));
        QVERIFY(report.open(QIODevice::WriteOnly));
        QStringList names;
        for (int i = 0; i < 1000; ++i) {
            names << lead + wide.repeated(30) + QString::number(i);
            report.write(("Query= " + names.last() +
                          "\n         (812 letters)\n\n"
                          "Sequences producing significant alignments:   (bits) Value\n\n"
                          "IGTC|CT1 gene trap (Gene1)     420   1e-118\n\n")
                             .toUtf8());
        }
        report.close();
        const CliRun r = Cli({"igtc", "--min-score", "100", report.fileName()});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.size() > 3 * 16384);
        QCOMPARE(r.out, "1000 hits found on IGTC database:\r\n  " + names.join("\r\n  ") + "\r\n");
    }

    // Results that cannot be written make the run fail, with the reason.
    void unwrittenResultsFail_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unique") << QStringList{"unique", QUILL_TEST_DATA "/sheets/terms.csv"};
        QTest::newRow("igtc") << QStringList{"igtc", "--min-score", "100",
                                             QUILL_REALDATA_DIR
                                             "/bioperl__t__data__hsinsulin.blastcl3.blastn"};
    }
    void unwrittenResultsFail() {
        QFETCH(QStringList, args);
        QProcess p;
        p.setStandardOutputFile("/dev/full");
        p.start(QStringLiteral(QUILL_CLI_PATH), args);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("cannot write the results: No space left"));
    }
};

QTEST_GUILESS_MAIN(CliOutTest)
#include "test_cliout.moc"
