// The gathered run against the run one term at a time, on a stand-in NCBI
// (support/fakencbi.h) that answers both from the same genes and records:
// the same lists and texts, the grouping limits,
// and the fall-back to single lookups when a grouped request fails.

#include <QtTest>

#include "search/searchengine.h"
#include "support/fakencbi.h"
#include "support/fakesearch.h"
#include "text/textrules.h"

using namespace quill;
using namespace quill::test;

namespace {

struct Outcome {
    QString summary, cdna;
    QStringList asked, posted;
    QHash<QString, QStringList> params;
};

// One run over a fresh stand-in; fails is handed to it.
Outcome Run(bool batch, bool accession, const SearchPolicy& policy, int n,
            std::function<bool(const QString&)> fails = {}) {
    FakeNcbi ncbi;
    QStringList terms, accessions;
    MakeLab(ncbi, n, &terms, &accessions);
    ncbi.fails = std::move(fails);
    SearchRig rig;
    rig.settings.Source = Settings::SequenceSource::Eutils;
    rig.settings.EutilsBatch = batch;
    rig.options.policy = policy;
    rig.Build(ncbi);
    rig.Run(accession ? accessions : terms, accession);
    const RecordingView& view = rig.view;
    return {view.summary, view.cdna, ncbi.asked, ncbi.posted, ncbi.params};
}

SearchPolicy Policy(bool automatic) {
    SearchPolicy p;
    p.optAuto = automatic;
    p.optAutoOne = automatic;
    return p;
}

int IdCount(const QStringList& params) {
    int ids = 0;
    for (const QString& p : params)
        if (p.startsWith("id=")) ids += static_cast<int>(p.count(',')) + 1;
    return ids;
}

}  // namespace

class EutilsBatchTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { SetNowForTesting(QDateTime(QDate(2024, 3, 5), QTime(9, 0))); }
    void cleanupTestCase() { SetNowForTesting(std::nullopt); }

    void sameAsOneByOne_data() {
        QTest::addColumn<bool>("accession");
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<int>("atMost");  // requests of the gathered run
        QTest::newRow("genes, automatic") << false << true << 8;
        QTest::newRow("genes, chosen in dialogs")
            << false << false << 8 + 22;  // an efetch a dialog
        QTest::newRow("accessions") << true << true << 3;
    }
    void sameAsOneByOne() {
        QFETCH(bool, accession);
        QFETCH(bool, automatic);
        QFETCH(int, atMost);
        const Outcome single = Run(false, accession, Policy(automatic), 66);
        const Outcome batched = Run(true, accession, Policy(automatic), 66);
        QCOMPARE(batched.summary, single.summary);
        QCOMPARE(batched.cdna, single.cdna);
        QVERIFY(!single.cdna.isEmpty());
        QVERIFY2(batched.asked.size() <= atMost, qPrintable(QString::number(batched.asked.size())));
        QVERIFY(single.asked.size() > 3 * batched.asked.size());
    }

    // A long list: ids per request within the limits, the long searches by
    // POST, and few requests in all.
    void groupingLimits() {
        const Outcome o = Run(true, false, Policy(true), 1000);
        qInfo("1000 terms: %d requests", static_cast<int>(o.asked.size()));
        QVERIFY2(o.asked.size() <= 40, qPrintable(QString::number(o.asked.size())));
        QMap<QString, int> most;
        for (const QString& key : o.asked) {
            const QString util = key.section('?', 0, 0).section('/', -1);
            most[util] = qMax(most.value(util), IdCount(o.params.value(key)));
            QCOMPARE(o.posted.contains(key), key.size() > kPostOverChars + 40);
        }
        QCOMPARE(most.value("esummary.fcgi"), kSummaryBatch);
        QCOMPARE(most.value("elink.fcgi"), kLinkBatch);
        QCOMPARE(most.value("efetch.fcgi"), kFetchBatch);
        QVERIFY(!o.posted.isEmpty());
    }

    // A grouped request refused after its tries: its terms are looked up
    // one by one, with the same result.
    void fallsBackAfterFailedBatch_data() {
        QTest::addColumn<bool>("accession");
        QTest::addColumn<QString>("request");
        QTest::newRow("gene search") << false << "esearch.fcgi?db=gene&term=(";
        QTest::newRow("gene summaries") << false << "esummary.fcgi?db=gene&id=10000,";
        QTest::newRow("links") << false << "elink.fcgi?dbfrom=gene&db=nuccore&id=10000&id=";
        QTest::newRow("record summaries") << false << "esummary.fcgi?db=nuccore&id=500001,";
        QTest::newRow("records") << false << "efetch.fcgi?db=nuccore&id=500002,";
        QTest::newRow("accession search") << true << "esearch.fcgi?db=nuccore&term=NM_";
        QTest::newRow("accession records") << true << "efetch.fcgi?db=nuccore&id=";
    }
    void fallsBackAfterFailedBatch() {
        QFETCH(bool, accession);
        QFETCH(QString, request);
        // The grouped request only: the single ones are answered.
        const auto fails = [request](const QString& key) {
            return key.contains(request) &&
                   (key.count(',') + key.count("&id=") > 3 || key.contains(" OR "));
        };
        const Outcome single = Run(false, accession, Policy(true), 66);
        const Outcome batched = Run(true, accession, Policy(true), 66, fails);
        QVERIFY(std::any_of(batched.asked.begin(), batched.asked.end(), fails));
        QCOMPARE(batched.summary, single.summary);
        QCOMPARE(batched.cdna, single.cdna);
    }
};

QTEST_GUILESS_MAIN(EutilsBatchTest)
#include "test_eutilsbatch.moc"
