// The sample page set, served by the page server and loaded by the real page
// loader, read by the engine's table and sequence cutters: every choice row
// and sequence block comes out whole. Runs over the whole set are made by the
// command-line and window tests.

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>
#include <QtTest>

#include "common/module1.h"
#include "common/pageserver.h"
#include "common/settings.h"
#include "common/textrules.h"
#include "common/webpageloader.h"
#include "search/searchengine.h"
#include "support/fakepageloader.h"
#include "support/fakesearch.h"

using namespace quill;

namespace {

QString kBase;  // the page server's address

struct Page {
    QString file;
    QString markup;  // serialized
};

QList<Page> LoadSampleSet() {
    QList<Page> pages;
    const QDir dir(QStringLiteral(QUILL_PAGES_DIR));
    QFile index(dir.filePath("index.tsv"));
    if (!index.open(QIODevice::ReadOnly)) return pages;
    Module1 module;
    Settings settings;
    WebPageLoader loader(module, settings);
    for (const QString& line : QString::fromUtf8(index.readAll()).split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QStringList cols = line.split('\t');
        if (cols.size() > 2) continue;    // fault entries are for other tests
        const QUrl url(kBase + cols[0]);  // blanks and the like encoded here
        if (loader.NavigateAndWait(url.toString(QUrl::FullyEncoded)) != PageLoader::Loaded)
            return {};
        pages << Page{cols[1], loader.Markup()};
    }
    return pages;
}

}  // namespace

class SamplePagesTest : public QObject {
    Q_OBJECT
    QList<Page> pages;
    std::unique_ptr<PageServer> server;

  private slots:
    void initTestCase() {
        server = std::make_unique<PageServer>(QStringLiteral(QUILL_PAGES_DIR));
        QVERIFY2(server->Start(), qPrintable(server->Error()));
        kBase = server->BaseUrl();
        pages = LoadSampleSet();
        QVERIFY2(pages.size() > 50, "the sample set or its index is missing");
    }

    void everyTableAndBlockComesOutWhole() {
        Module1 module;
        Settings settings;
        settings.NcbiServerBase = kBase;
        test::FakePageLoader loader(module);
        test::FixedOptions opts;
        test::ScriptedChooser chooser;
        test::RecordingView view;
        SearchEngine engine(module, settings, loader, opts, chooser, view);
        for (const Page& p : pages) {
            const QString& m = p.markup;
            const QByteArray what = p.file.toUtf8();
            module.PageHtml = m;
            const bool mrna = InStrNoCase(1, m, ">mRNA sequence") > 0;
            const bool est = InStrNoCase(1, m, ">EST Sequence") > 0;
            if (p.file.startsWith("cluster_") && (mrna || est)) {
                const ChoiceTable t = mrna ? engine.BuildMrnaTable() : engine.BuildEstTable();
                QVERIFY2(!t.rows.isEmpty(), what);
                for (const ChoiceRow& r : t.rows) {
                    QVERIFY2(r.url.startsWith(kBase + "/UniGene/seq.cgi?ORG="), what);
                    QVERIFY2(!r.accession.isEmpty() && !r.accession.contains('<'), what);
                    QVERIFY2(!r.description.isEmpty() &&
                                 !r.description.contains(QRegularExpression("[<>\"]")),
                             what + " " + r.description.toUtf8());
                    if (est) QCOMPARE(r.description.count(" | "), 2);
                }
            } else if (p.file.startsWith("gb_") ||
                       (p.file.startsWith("nuc_NM") && !p.file.contains("search"))) {
                const auto block = SearchEngine::CutSequenceBlock(m);
                QVERIFY2(block && block->startsWith("        1 ") && block->size() > 300, what);
            }
        }
    }
};

QTEST_GUILESS_MAIN(SamplePagesTest)
#include "test_samplepages.moc"
