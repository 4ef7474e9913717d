// A gathered run of quillfish-cli over the real web access and page server:
// the stand-in NCBI (support/fakencbi.h) written to a folder and served,
// the run recorded with its long group requests sent by POST, then replayed
// from the recording alone with the same output and the same saved file.
// The recording holds the POSTed requests and no e-mail address or key.

#include <QTemporaryDir>
#include <QtTest>

#include "pageserver/pageserver.h"
#include "search/searchengine.h"
#include "support/fakencbi.h"
#include "support/fakesearch.h"
#include "support/testsupport.h"

using namespace quill;
using namespace quill::test;

namespace {

const QString kKey = QStringLiteral("0123456789abcdef0123456789abcdef0123");

// The stand-in's replies to a gathered run of the list (first rows chosen,
// as --pick first), written to dir; the keys it was sent by POST.
QStringList ServeFolder(bool accession, const QStringList& list, FakeNcbi& ncbi,
                        const QString& dir) {
    SearchRig rig;
    rig.settings.Source = Settings::SequenceSource::Eutils;
    rig.settings.EutilsBase = QStringLiteral("http://127.0.0.1:9");  // as a replay is asked
    rig.Build(ncbi);
    rig.Run(list, accession);
    return ncbi.WriteFolder(dir) ? ncbi.posted : QStringList();
}

}  // namespace

class EutilsBatchReplayTest : public QObject {
    Q_OBJECT

  private slots:
    void recordThenReplay_data() {
        QTest::addColumn<bool>("accession");
        QTest::addColumn<int>("genes");  // of the stand-in's lab list
        QTest::newRow("search") << false << 66;
        QTest::newRow("accession") << true << 200;
    }
    void recordThenReplay() {
        QFETCH(bool, accession);
        QFETCH(int, genes);
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        FakeNcbi ncbi;
        QStringList terms, accessions;
        MakeLab(ncbi, genes, &terms, &accessions);
        const QStringList list = accession ? accessions : terms;
        const QString served = tmp.filePath("served"), rec = tmp.filePath("rec");
        QVERIFY(QDir().mkpath(served));
        const QStringList posted = ServeFolder(accession, list, ncbi, served);
        QVERIFY(!posted.isEmpty());
        PageServer server(served);
        QVERIFY2(server.Start(), qPrintable(server.Error()));
        const QString keyFile = tmp.filePath("key.txt");
        QFile key(keyFile);
        QVERIFY(key.open(QIODevice::WriteOnly) && key.write(kKey.toUtf8() + "\n") > 0);
        key.close();

        const QStringList run =
            QStringList{accession ? "accession" : "search", "--pick", "first"} + list;
        const CliRun recorded =
            Cli(run + QStringList{"--eutils-server", server.BaseUrl(), "--record", rec, "--save",
                                  rec + "-1.txt", "--email", "someone@example.org",
                                  "--api-key-file", keyFile});
        QVERIFY2(recorded.status == 0, qPrintable(recorded.err));
        QVERIFY2(recorded.out.contains(accession ? "SEQUENCES FOUND:" : "mRNA sequence"),
                 qPrintable(recorded.out));
        server.Stop();
        const CliRun replayed = Cli(run + QStringList{"--replay", rec, "--save", rec + "-2.txt"});
        QVERIFY2(replayed.status == 0, qPrintable(replayed.err));
        QCOMPARE(WithoutTimes(replayed.out), WithoutTimes(recorded.out));
        QCOMPARE(WithoutTimes(ReadText(rec + "-2.txt")), WithoutTimes(ReadText(rec + "-1.txt")));

        const QString index = ReadText(rec + "/index.tsv");
        for (const QString& request : posted)
            QVERIFY2(index.contains(request + '\t'), qPrintable(request));
        QVERIFY(!index.contains(kKey) && !index.contains("someone") && !index.contains("api_key") &&
                !index.contains("email"));
    }
};

QTEST_GUILESS_MAIN(EutilsBatchReplayTest)
#include "test_eutilsbatchreplay.moc"
