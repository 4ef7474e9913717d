// quillfish-cli search / accession end to end: the real page loader against
// the sample page server, checked through the saved results file.

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "pageserver/pageserver.h"

#include "support/testsupport.h"

using namespace quill::test;

class SearchCliTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;

  private slots:
    // The saved file quotes the summary and the cDNA text; stdout holds the
    // same two texts; the FASTA file is clean.
    void searchDemoSavesBothTexts() {
        const QString save = tmp.filePath("results.txt");
        const QString fasta = tmp.filePath("results.fa");
        const CliRun r =
            Cli({"search", "--demo", "--source", "unigene", "--pick", "first", "--save", save,
                 "--fasta", fasta, "Pax6", "Sox2", "Hoxa9", "Olfr1", "Gapdh", "Notagene"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(r.err.contains("0/6 complete.  Current search term: Pax6"));
        const QString file = WithoutTimes(ReadText(save));
        const qsizetype split = file.indexOf("\"\r\n\"");
        QVERIFY2(file.startsWith("\"Results for WHEN, 6 Mm queries searched\r\n\r\n"
                                 "4 queries found (6 sequences found)\r\n") &&
                     split > 0 && file.endsWith("\r\n\"\r\n"),
                 qPrintable(file.left(1500)));
        const QString summary = file.left(split), cdna = file.mid(split + 3);
        QVERIFY(
            cdna.startsWith("\"Results for WHEN, 6 Mm sequences searched\r\n\r\n"
                            "cDNA results for WHEN\r\n> Pax6 | mRNA sequence NM_013627\r\n"));
        const QStringList headers = cdna.split("\r\n").filter(QRegularExpression("^> "));
        QCOMPARE(
            headers,
            (QStringList{"> Pax6 | mRNA sequence NM_013627", "> Sox2 | model sequence 1 XM_355190",
                         "> Sox2 | model sequence 2 NM_011443", "> Hoxa9 | EST sequence CA314458",
                         "> Gapdh | Mm.304088 MM#1 mRNA sequence NM_008084",
                         "> Gapdh | Mm.343110 MM#2 EST sequence BY017812"}));
        QCOMPARE(WithoutTimes(r.out), summary.mid(1) + cdna.mid(1, cdna.size() - 4));
        // Headers, then letters only, 60 to a line.
        const QStringList fa = ReadText(fasta).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(fa.filter(QRegularExpression("^> ")), headers);
        QCOMPARE(fa.filter(QRegularExpression("^(?!> )(.{61}|.*[^acgt])")), QStringList());
        QCOMPARE(fa.at(1).size(), 60);
    }

    void accessionDemoFindsAndMisses() {
        const QString save = tmp.filePath("acc.txt");
        const CliRun r = Cli({"accession", "--demo", "--source", "unigene", "--save", save,
                              "NM_008084", "AB999999", "NM_000546", "U12345"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QString file = WithoutTimes(ReadText(save));
        QVERIFY2(file.contains("SEQUENCES FOUND:\r\n\tNM_008084\r\n\tNM_000546\r\n\r\n"
                               "SEQUENCES NOT FOUND:\r\n\tAB999999\r\n\tU12345\r\n\"\r\n"),
                 qPrintable(file.left(800)));
        QCOMPARE(file.count("\r\n> "), 2);
    }

    // Gata4 has 14 ESTs: the choice is read from the input, or canceled,
    // which ends the run without a file.
    void estChoice() {
        CliRun r = Cli({"search", "--demo", "--source", "unigene", "Gata4"}, "3\n");
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.contains("There are 14 EST sequence(s) to choose from for Gata4."));
        QVERIFY(!r.err.contains('<'));  // descriptions without page markup
        QVERIFY(r.out.contains("> Gata4 | EST sequence BG063722\r\n"));
        const QString save = tmp.filePath("canceled.txt");
        r = Cli({"search", "--demo", "--source", "unigene", "--pick", "cancel", "--save", save,
                 "Gata4"});
        QCOMPARE(r.status, 130);
        QVERIFY(r.err.contains("Search canceled") && r.out.isEmpty());
        QVERIFY(!QFile::exists(save));
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no terms") << QStringList{"search"} << "Search box is empty";
        QTest::newRow("bad species") << QStringList{"search", "--species", "rat", "x"}
                                     << "--species takes mouse|human, not 'rat'";
        QTest::newRow("missing value")
            << QStringList{"search", "x", "--save"} << "--save needs a value";
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const CliRun r = Cli(args);
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    }

    void manyTermsWarnAndGoOn() {
        QStringList args{"search", "--demo", "--source", "unigene"};
        for (int i = 0; i < 41; ++i) args << "Notagene";
        const CliRun r = Cli(args);
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.contains("less than 40 terms is recommended"));
        QVERIFY(r.out.contains("\t41 query(s) were not found or retired"));
    }

    // Ctrl-C while a page never answers acts as Cancel: "Search canceled",
    // exit status 130, and no results file written as if complete; on the
    // archive pages as on the E-utilities (whose raw fetches go through the
    // same Ctrl-C guard).
    void interruptCancelsTheRun_data() {
        QTest::addColumn<QString>("server");
        QTest::newRow("archive pages") << "--ncbi-server";
        QTest::newRow("E-utilities") << "--eutils-server";
    }
    void interruptCancelsTheRun() {
        QFETCH(QString, server);
        quill::PageServer hang(QStringLiteral(QUILL_TEST_DATA "/frmquill"));
        QVERIFY2(hang.Start(), qPrintable(hang.Error()));
        const QString save = tmp.filePath("interrupted.txt");
        QProcess p;
        p.start(QStringLiteral(QUILL_CLI_PATH),
                {"search", server, hang.BaseUrl(), "--save", save, "Hang1"});
        QVERIFY(p.waitForStarted());
        QString err;
        // The wait is told on stderr too.
        QTRY_VERIFY_WITH_TIMEOUT((err += QString::fromUtf8(p.readAllStandardError()))
                                     .contains("0/1 complete.  Current search term: Hang1\n"
                                               "Waiting for the NCBI server \u2026 3 s"),
                                 10000);
        ::kill(static_cast<pid_t>(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(5000));
        err += QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 130);
        QVERIFY2(err.contains("Search canceled"), qPrintable(err));
        QVERIFY(!QFile::exists(save));
    }

    // A server that refuses every page: each term is listed as could not be
    // looked up, with the answer and the address, and the exit status is 4.
    void refusedTermsExitFour_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("entry");  // {base}: the server's address
        QTest::newRow("search")
            << "search"
            << "\tFoo (404 Not Found): {base}/entrez/query.fcgi?orig_db=UniGene&cmd=search&term="
               "Foo%20mouse\r\n";
        QTest::newRow("accession")
            << "accession"
            << "\tFoo (404 Not Found): {base}/entrez/query.fcgi?orig_db=nucleotide&cmd=search&"
               "term=Foo\r\n";
        QTest::newRow("screen")
            << "screen"
            << "\tFoo (404 Not Found): {base}/entrez/query.fcgi?orig_db=UniGene&cmd=search&term="
               "Foo\r\n";
    }
    void refusedTermsExitFour() {
        QFETCH(QString, command);
        QFETCH(QString, entry);
        quill::PageServer refusing(QStringLiteral(QUILL_TEST_DATA "/web"));
        QVERIFY2(refusing.Start(), qPrintable(refusing.Error()));
        const QString save = tmp.filePath(command + "-refused.txt");
        const CliRun r = Cli({command, "--ncbi-server", refusing.BaseUrl(), "--save", save, "Foo"});
        QCOMPARE(r.status, 4);
        QVERIFY2(r.err.contains("Could not load " + refusing.BaseUrl()), qPrintable(r.err));
        const QString listed = "Could not be looked up (NCBI error):\r\n" +
                               entry.replace("{base}", refusing.BaseUrl());
        QVERIFY2(r.out.contains(listed), qPrintable(r.out));
        QVERIFY(ReadText(save).contains(listed));
        QVERIFY(!r.out.contains("\tFoo\r\n"));  // not listed as not found or no data
    }
};

QTEST_GUILESS_MAIN(SearchCliTest)
#include "test_searchcli.moc"
