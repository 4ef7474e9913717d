// quillfish-cli search and accession on the sequence sources: which source
// the options choose, the bundled E-utilities replies of --demo, the NCBI
// account options, record and replay, and service errors.

#include <QDirIterator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "pageserver/pageserver.h"
#include "support/testsupport.h"

using namespace quill::test;

namespace {

const QString kKey = QStringLiteral("0123456789abcdef0123456789abcdef0123");

// Every file under dir as one text.
QString FolderText(const QString& dir) {
    QString all;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) all += ReadText(it.next());
    return all;
}

}  // namespace

class EutilsCliTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    std::unique_ptr<quill::PageServer> pages;  // the archive pages

    QString KeyFile(const QByteArray& text) {
        const QString path = tmp.filePath("key" + QString::number(qHash(text)) + ".txt");
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(text);
        return path;
    }

  private slots:
    void initTestCase() {
        QVERIFY(tmp.isValid());
        pages = std::make_unique<quill::PageServer>(QStringLiteral(QUILL_PAGES_DIR));
        QVERIFY2(pages->Start(), qPrintable(pages->Error()));
    }

    // The source a run uses, told by Pax6's mRNA: NM_001244198.2 from the
    // E-utilities' replies (the first NM_), NM_013627 from the archive pages.
    void sourceChoice_data() {
        QTest::addColumn<QStringList>("options");  // {pages}: the archive page server
        QTest::addColumn<QString>("header");
        const QString eutils = "> Pax6 | mRNA sequence NM_001244198.2";
        const QString archive = "> Pax6 | mRNA sequence NM_013627";
        QTest::newRow("default") << QStringList{"--demo"} << eutils;
        QTest::newRow("--source eutils") << QStringList{"--demo", "--source", "eutils"} << eutils;
        QTest::newRow("--source unigene")
            << QStringList{"--demo", "--source", "unigene"} << archive;
        QTest::newRow("--ncbi-server means unigene")
            << QStringList{"--ncbi-server", "{pages}"} << archive;
        QTest::newRow("--source unigene --ncbi-server")
            << QStringList{"--source", "unigene", "--ncbi-server", "{pages}"} << archive;
        QTest::newRow("--replay means eutils")
            << QStringList{"--replay", QUILL_PAGES_DIR "/../eutils"} << eutils;
        QTest::newRow("--eutils-server") << QStringList{"--eutils-server", "{eutils}/"} << eutils;
    }
    void sourceChoice() {
        QFETCH(QStringList, options);
        QFETCH(QString, header);
        quill::PageServer replies(QStringLiteral(QUILL_PAGES_DIR "/../eutils"));
        QVERIFY2(replies.Start(), qPrintable(replies.Error()));
        options.replaceInStrings("{pages}", pages->BaseUrl());
        options.replaceInStrings("{eutils}", replies.BaseUrl());
        const CliRun r = Cli(QStringList{"search"} + options + QStringList{"Pax6"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(header + "\r\n        1 "), qPrintable(r.out));
    }

    // Options that do not go together, and account options that cannot be
    // used: nothing is looked up, a message, status 2.
    void badOptions_data() {
        QTest::addColumn<QStringList>("args");  // {missing}: a file that does not exist
        QTest::addColumn<QString>("message");
        QTest::newRow("eutils with the archive server")
            << QStringList{"search", "--source", "eutils", "--ncbi-server", "http://127.0.0.1:9"}
            << "--ncbi-server does not go with --source eutils";
        QTest::newRow("record on the archive pages")
            << QStringList{"search", "--source", "unigene", "--record", "{tmp}/r"}
            << "--record does not go with --source unigene";
        QTest::newRow("replay with the archive server")
            << QStringList{"accession", "--ncbi-server", "http://127.0.0.1:9", "--replay", "{tmp}"}
            << "--replay does not go with --ncbi-server";
        QTest::newRow("replay with demo") << QStringList{"search", "--demo", "--replay", "{tmp}"}
                                          << "--replay does not go with --demo";
        QTest::newRow("replay of a folder without index")
            << QStringList{"search", "--replay", "{tmp}/none"}
            << "the recorded replies are missing (looked in {tmp}/none)";
        QTest::newRow("bad source") << QStringList{"search", "--source", "entrez"}
                                    << "--source takes eutils|unigene, not 'entrez'";
        QTest::newRow("bad e-mail") << QStringList{"search", "--demo", "--email", "me at home"}
                                    << "--email takes an e-mail address, not 'me at home'";
        QTest::newRow("missing key file")
            << QStringList{"search", "--demo", "--api-key-file", "{tmp}/nokey.txt"}
            << "cannot read the API key file {tmp}/nokey.txt: ";
        QTest::newRow("empty key file")
            << QStringList{"accession", "--demo", "--api-key-file", "{empty}"}
            << "the API key file {empty} has no key on its first line";
        QTest::newRow("missing UniGene map")
            << QStringList{"search", "--demo", "--unigene-map", "{tmp}/gene2unigene"}
            << "cannot read the UniGene map {tmp}/gene2unigene: ";
    }
    void badOptions() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const QString empty = KeyFile("\n  \nnot the first line\n");
        args.replaceInStrings("{tmp}", tmp.path());
        args.replaceInStrings("{empty}", empty);
        message.replace("{tmp}", tmp.path()).replace("{empty}", empty);
        const CliRun r = Cli(args + QStringList{"Pax6"});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty() && !r.err.contains("Searching"));
        QVERIFY(!QFile::exists(tmp.filePath("r")));
    }

    // The demo on the E-utilities: found, not found (an unknown symbol and a
    // UniGene id, with its reason), status 0; the accession search too.
    void demo_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("search")
            << QStringList{"search", "--demo", "Pax6", "Trp53", "Nosuchgene", "Mm.3608"}
            << QStringList{"4 Mm queries searched", "2 queries found (2 sequences found)",
                           "\tNosuchgene\r\n\tMm.3608 (UniGene was retired in 2019",
                           "> Pax6 | mRNA sequence NM_001244198.2\r\n",
                           "> Trp53 | mRNA sequence NM_011640.3\r\n"};
        QTest::newRow("accession")
            << QStringList{"accession", "--demo", "NM_000546", "AB999999"}
            << QStringList{"SEQUENCES FOUND:\r\n\tNM_000546\r\n",
                           "SEQUENCES NOT FOUND:\r\n\tAB999999\r\n", "> NM_000546\r\n        1 "};
    }
    void demo() {
        QFETCH(QStringList, args);
        QFETCH(QStringList, expected);
        const CliRun r = Cli(args);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        for (const QString& text : expected) QVERIFY2(r.out.contains(text), qPrintable(r.out));
    }

    // A run recorded, then replayed from the recording alone: the same
    // output. The API key and the e-mail address are nowhere: not in the
    // output, the saved file or the recording.
    void recordThenReplay_data() {
        QTest::addColumn<QStringList>("terms");
        QTest::newRow("search") << QStringList{"search",       "--species",  "human", "TP53",
                                               "LOC107986084", "Nosuchgene", "Hs.1"};
        QTest::newRow("search, mouse, several candidates")
            << QStringList{"search", "--pick", "first", "Pax6", "p53", "Sox2", "Pax6"};
        QTest::newRow("accession") << QStringList{"accession", "NM_000546", "AB999999"};
    }
    void recordThenReplay() {
        QFETCH(QStringList, terms);
        const QString dir =
            tmp.filePath("rec-" + QString(QTest::currentDataTag()).replace(' ', '_'));
        const QString save = dir + "-saved.txt";
        const QString key = KeyFile(kKey.toUtf8() + "\n");
        const CliRun recorded =
            Cli(terms + QStringList{"--demo", "--record", dir, "--save", save, "--api-key-file",
                                    key, "--email", "someone@example.org"});
        QVERIFY2(recorded.status == 0, qPrintable(recorded.err));
        QVERIFY(QFile::exists(dir + "/index.tsv"));
        const CliRun replayed = Cli(terms + QStringList{"--replay", dir});
        QVERIFY2(replayed.status == 0, qPrintable(replayed.err));
        QCOMPARE(WithoutTimes(replayed.out), WithoutTimes(recorded.out));
        for (const QString& text : {recorded.out, recorded.err, ReadText(save), FolderText(dir)}) {
            QVERIFY(!text.contains(kKey));
            QVERIFY(!text.contains("someone"));
        }
    }

    // A service error: listed under "Could not be looked up (NCBI error)"
    // with NCBI's message and the request's address; status 4.
    void serviceErrorExitsFour() {
        quill::PageServer replies(QStringLiteral(QUILL_TEST_DATA "/eutils"));
        QVERIFY2(replies.Start(), qPrintable(replies.Error()));
        const CliRun r = Cli({"search", "--eutils-server", replies.BaseUrl(), "Errorgene", "Pax6"});
        QCOMPARE(r.status, 4);
        QVERIFY2(r.out.contains("Could not be looked up (NCBI error):\r\n\tErrorgene (NCBI error: "
                                "Invalid query syntax): " +
                                replies.BaseUrl() +
                                "/entrez/eutils/esearch.fcgi?db=gene&term=Errorgene%5Bsym%5D"),
                 qPrintable(r.out));
        QVERIFY(r.out.contains("> Pax6 | mRNA sequence NM_001244198.2\r\n"));
    }
};

QTEST_GUILESS_MAIN(EutilsCliTest)
#include "test_eutilscli.moc"
