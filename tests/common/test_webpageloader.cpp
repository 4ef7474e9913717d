#include <QElapsedTimer>
#include <QTcpServer>
#include <QtTest>

#include "common/module1.h"
#include "common/pageserver.h"
#include "common/settings.h"
#include "common/webbrowser.h"
#include "common/webpageloader.h"

using namespace quill;

namespace {

const QString kPages = QStringLiteral(QUILL_TEST_DATA "/web");

// A port on which nothing listens right now.
int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

}  // namespace

class WebPageLoaderTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PageServer> server_;
    Module1 module_;
    Settings settings_;
    QStringList problems_;

    std::unique_ptr<WebPageLoader> MakeLoader(int watchdogMs = 7000) {
        settings_.WatchdogMs = watchdogMs;
        return std::make_unique<WebPageLoader>(module_, settings_,
                                               [this](const QString& text) { problems_ << text; });
    }
    QString Url(const QString& path) const { return server_->BaseUrl() + path; }
    // Raises the cancel flag after ms, from inside the wait's event turns.
    void CancelAfter(int ms) {
        QTimer::singleShot(ms, [this] { module_.CancelSearch = true; });
    }

  private slots:
    void initTestCase() {
        server_ = std::make_unique<PageServer>(kPages);
        QVERIFY2(server_->Start(), qPrintable(server_->Error()));
    }
    void init() {
        module_ = Module1();
        problems_.clear();
        // Fresh server per test, so the "times=N" faults start over.
        server_->Stop();
        QVERIFY2(server_->Start(), qPrintable(server_->Error()));
    }
    void cleanupTestCase() { server_.reset(); }

    void loadsAndSerializes() {
        auto loader = MakeLoader();
        QCOMPARE(loader->NavigateAndWait(Url(QStringLiteral("/UniGene/clust.cgi?ORG=Mm&CID=3608"))),
                 int(PageLoader::Loaded));
        QCOMPARE(loader->Browser().ReadyState(), 4);
        QCOMPARE(loader->Browser().HttpStatus(), 200);
        const QString html = loader->Markup();
        QVERIFY(html.startsWith(QLatin1String("<HEAD>")));
        QVERIFY(html.contains(QLatin1String("Model sequence")));
        QVERIFY(html.contains(Url(QStringLiteral("/entrez/query.fcgi?cmd=Retrieve&amp;db="))));
        QVERIFY(!html.contains(QLatin1String("{{SERVER}}")));
        QVERIFY(problems_.isEmpty());
        QVERIFY(!module_.PageTimedOut);
    }

    void pageCharsetIsRead() {
        auto loader = MakeLoader();
        QCOMPARE(loader->NavigateAndWait(Url(QStringLiteral("/latin1.html"))),
                 int(PageLoader::Loaded));
        QVERIFY2(loader->Markup().contains(QStringLiteral("Kr\u00fcppel &lt;1&gt;")),
                 qPrintable(loader->Markup()));
    }

    void redirectIsFollowed() {
        auto loader = MakeLoader();
        QCOMPARE(loader->NavigateAndWait(Url(QStringLiteral("/redirect.html"))),
                 int(PageLoader::Loaded));
        QCOMPARE(loader->Browser().HttpStatus(), 200);
        QVERIFY(loader->Markup().contains(QStringLiteral("Kr\u00fcppel")));
    }

    void missingPageCompletesWith404() {
        auto loader = MakeLoader();
        QCOMPARE(loader->NavigateAndWait(Url(QStringLiteral("/nowhere.html"))),
                 int(PageLoader::Loaded));
        QCOMPARE(loader->Browser().HttpStatus(), 404);
        QVERIFY(problems_.isEmpty());
        // The server's own answer carries none of the markers of a real result.
        const QString html = loader->Markup();
        QVERIFY(!html.contains(QLatin1String("not found")));
        QVERIFY(!html.contains(QLatin1String("No items found")));
        QVERIFY(!html.contains(QLatin1String("RETIRED")));
    }

    // Failures that must not pass for an answer: the wait goes on, the
    // watchdog loads the page again, the problem is reported.
    void failureIsRetried_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("problem");
        QTest::newRow("status 500") << "/error-once.html"
                                    << "500";
        QTest::newRow("dropped connection") << "/drop-once.html"
                                            << "Cannot load";
        QTest::newRow("never answers") << "/hang-once.html"
                                       << "";
    }
    void failureIsRetried() {
        QFETCH(QString, path);
        QFETCH(QString, problem);
        auto loader = MakeLoader(300);
        const int before = server_->RequestCount();
        QCOMPARE(loader->NavigateAndWait(Url(path)), int(PageLoader::Loaded));
        QCOMPARE(loader->Browser().HttpStatus(), 200);
        QVERIFY(loader->Markup().contains(QLatin1String("reached the server whole")));
        QCOMPARE(server_->RequestCount() - before, 2);
        if (problem.isEmpty()) {
            QVERIFY(problems_.isEmpty());
        } else {
            QCOMPARE(problems_.size(), 1);
            QVERIFY2(problems_.first().contains(problem), qPrintable(problems_.first()));
        }
        QVERIFY(!module_.PageTimedOut);
    }

    void persistentFailureWaitsUntilCanceled_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("status 500") << "/error.html";
        QTest::newRow("dropped connection") << "/drop.html";
        QTest::newRow("never answers") << "/hang.html";
    }
    void persistentFailureWaitsUntilCanceled() {
        QFETCH(QString, path);
        auto loader = MakeLoader(150);
        // A page that was loaded before stays readable after the cancel.
        QCOMPARE(loader->NavigateAndWait(Url(QStringLiteral("/latin1.html"))),
                 int(PageLoader::Loaded));
        const QString earlier = loader->Markup();
        const int before = server_->RequestCount();
        CancelAfter(600);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(loader->NavigateAndWait(Url(path)), int(PageLoader::Canceled));
        QVERIFY(clock.elapsed() >= 550);
        // Several watchdog reloads happened meanwhile.
        QVERIFY(server_->RequestCount() - before >= 3);
        QVERIFY(loader->Browser().ReadyState() != 4);
        QCOMPARE(loader->Markup(), earlier);
    }

    void cancelIsNoticedPromptly() {
        auto loader = MakeLoader();  // the watchdog does not come into play
        QElapsedTimer clock;
        QTimer::singleShot(200, [this, &clock] {
            clock.start();
            module_.CancelSearch = true;
        });
        QCOMPARE(loader->NavigateAndWait(Url(QStringLiteral("/hang.html"))),
                 int(PageLoader::Canceled));
        // Generous bound: the wait turns every 50 ms.
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    }

    // A page slower than the watchdog is loaded again and again, each load
    // abandoning the one before, until the user cancels.
    void slowPageIsReloadedByTheWatchdog() {
        auto loader = MakeLoader(100);
        const int before = server_->RequestCount();
        CancelAfter(700);
        QCOMPARE(loader->NavigateAndWait(Url(QStringLiteral("/slow.html"))),
                 int(PageLoader::Canceled));
        QVERIFY(server_->RequestCount() - before >= 4);
    }

    void cancelRaisedBeforeTheWaitEndsItAtOnce() {
        auto loader = MakeLoader();
        module_.CancelSearch = true;
        QCOMPARE(loader->NavigateAndWait(Url(QStringLiteral("/slow.html"))),
                 int(PageLoader::Canceled));
    }

    void windowEventsRunDuringTheWait() {
        auto loader = MakeLoader();
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(20);
        QCOMPARE(loader->NavigateAndWait(Url(QStringLiteral("/slow.html"))),
                 int(PageLoader::Loaded));
        QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
    }

    void serverDownThenUp() {
        const int port = FreePort();
        QVERIFY(port > 0);
        PageServer late(kPages);
        auto loader = MakeLoader(300);
        QTimer::singleShot(
            700, [&late, port] { QVERIFY(late.Start(QStringLiteral("127.0.0.1"), port)); });
        const QString address = QStringLiteral("http://127.0.0.1:%1/latin1.html").arg(port);
        QCOMPARE(loader->NavigateAndWait(address), int(PageLoader::Loaded));
        QCOMPARE(loader->Browser().HttpStatus(), 200);
        QVERIFY(!problems_.isEmpty());
        QVERIFY2(problems_.first().contains(QLatin1String("refused"), Qt::CaseInsensitive),
                 qPrintable(problems_.first()));
    }

    void retryAfterIsHonoured() {
        auto loader = MakeLoader(100);
        const int before = server_->RequestCount();
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(loader->NavigateAndWait(Url(QStringLiteral("/busy-once.html"))),
                 int(PageLoader::Loaded));
        // The 429 asked for one second; the 100 ms watchdog did not hurry it.
        QVERIFY2(clock.elapsed() >= 950, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(server_->RequestCount() - before, 2);
        QVERIFY(!problems_.isEmpty());
        QVERIFY(problems_.first().contains(QLatin1String("429")));
    }

    // The term is the one untrusted part of an address: whatever it holds
    // reaches the server as one term.
    void termReachesServerWhole_data() {
        QTest::addColumn<QString>("term");
        QTest::newRow("ampersand, equals, hash") << "A&CID=1#x";
        QTest::newRow("blank") << "Abc 1";
        QTest::newRow("plus, percent, question mark") << "a+b%c?d=e";
        QTest::newRow("non-ASCII") << QStringLiteral("Kr\u00fcppel");
    }
    void termReachesServerWhole() {
        QFETCH(QString, term);
        auto loader = MakeLoader();
        const QString address = AddressWithTerm(
            Url(QStringLiteral("/entrez/query.fcgi?orig_db=UniGene&cmd=search&term=")), term);
        QVERIFY(!address.contains(QLatin1Char(' ')));
        QCOMPARE(loader->NavigateAndWait(address), int(PageLoader::Loaded));
        QCOMPARE(loader->Browser().HttpStatus(), 200);
        QVERIFY(loader->Markup().contains(QLatin1String("reached the server whole")));
    }

    void addressWithTerm_data() {
        QTest::addColumn<QString>("term");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "Pax6"
                               << "Pax6";
        QTest::newRow("cluster id") << "Mm.3608"
                                    << "Mm.3608";
        QTest::newRow("structure characters") << "A&CID=1#x"
                                              << "A%26CID%3D1%23x";
        QTest::newRow("plus and percent") << "a+b%"
                                          << "a%2Bb%25";
        QTest::newRow("blank") << "Pax6 mouse"
                               << "Pax6%20mouse";
        QTest::newRow("slash and question mark") << "a/b?c"
                                                 << "a%2Fb%3Fc";
    }
    void addressWithTerm() {
        QFETCH(QString, term);
        QFETCH(QString, expected);
        QCOMPARE(AddressWithTerm(QStringLiteral("http://h/q?term="), term),
                 QStringLiteral("http://h/q?term=") + expected);
    }

    // Addresses cut from page markup may hold raw blanks.
    void rawBlanksInAddress() {
        auto loader = MakeLoader();
        QCOMPARE(loader->NavigateAndWait(Url(
                     QStringLiteral("/entrez/query.fcgi?orig_db=UniGene&cmd=search&term=Abc 1"))),
                 int(PageLoader::Loaded));
        QCOMPARE(loader->Browser().HttpStatus(), 200);
    }

    void loopbackHosts_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("loopback");
        QTest::newRow("v4") << "127.0.0.1" << true;
        QTest::newRow("v4 other") << "127.0.0.2" << true;
        QTest::newRow("v6") << "::1" << true;
        QTest::newRow("name") << "localhost" << true;
        QTest::newRow("ncbi") << "www.ncbi.nlm.nih.gov" << false;
        QTest::newRow("lan") << "192.168.1.5" << false;
    }
    void loopbackHosts() {
        QFETCH(QString, host);
        QFETCH(bool, loopback);
        QCOMPARE(WebBrowser::IsLoopbackHost(host), loopback);
    }
};

QTEST_GUILESS_MAIN(WebPageLoaderTest)
#include "test_webpageloader.moc"
