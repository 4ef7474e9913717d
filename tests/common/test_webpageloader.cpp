#include <QElapsedTimer>
#include <QNetworkReply>
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
const QString kSearch = "/entrez/query.fcgi?orig_db=UniGene&cmd=search&term=";

// A port on which nothing listens right now.
int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QString Ms(qint64 ms) {
    return QString::number(ms);
}

}  // namespace

class WebPageLoaderTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PageServer> server_;
    // Context of every timer a test starts: destroyed at the test's end, so
    // that no timer fires into a later test.
    std::unique_ptr<QObject> scope_;
    Module1 module_;
    Settings settings_;
    QStringList problems_;
    std::unique_ptr<WebPageLoader> loader_;

    // A fresh loader with this watchdog interval.
    WebPageLoader& Loader(int watchdogMs = 7000) {
        settings_.WatchdogMs = watchdogMs;
        loader_ = std::make_unique<WebPageLoader>(
            module_, settings_, [this](const QString& text) { problems_ << text; });
        return *loader_;
    }
    QString Url(const QString& path) const { return server_->BaseUrl() + path; }
    int Load(const QString& path) { return loader_->NavigateAndWait(Url(path)); }
    int Requests() const { return server_->RequestCount(); }
    // Raises the cancel flag after ms, from inside the wait's event turns.
    void CancelAfter(int ms) {
        QTimer::singleShot(ms, scope_.get(), [this] { module_.CancelSearch = true; });
    }
    // No request of the browser is still under way.
    bool NoRequestRunning() const {
        const auto replies = loader_->Browser().findChildren<QNetworkReply*>();
        return std::none_of(replies.begin(), replies.end(),
                            [](const QNetworkReply* r) { return r->isRunning(); });
    }

  private slots:
    void init() {
        scope_ = std::make_unique<QObject>();
        module_ = Module1();
        problems_.clear();
        // Fresh server per test, so the "times=N" faults start over.
        server_ = std::make_unique<PageServer>(kPages);
        QVERIFY2(server_->Start(), qPrintable(server_->Error()));
    }
    void cleanup() {
        scope_.reset();
        loader_.reset();
        server_.reset();
    }

    // Pages that load at the first try; the markup is the serialized page.
    void loads_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");  // {base}: the server's address
        QTest::newRow("page") << "/UniGene/clust.cgi?ORG=Mm&CID=3608" << 200
                              << "{base}/entrez/query.fcgi?cmd=Retrieve&amp;db=";
        QTest::newRow("charset read") << "/latin1.html" << 200 << "Kr\u00fcppel &lt;1&gt;";
        QTest::newRow("redirect followed") << "/redirect.html" << 200 << "Kr\u00fcppel";
        QTest::newRow("missing page completes") << "/nowhere.html" << 404 << "";
        // Addresses cut from page markup may hold raw blanks.
        QTest::newRow("raw blank") << kSearch + "Abc 1" << 200 << "reached the server whole";
        // The term is the one untrusted part of an address: whatever it
        // holds reaches the server as one term.
        for (const char* term : {"A&CID=1#x", "Abc 1", "a+b%c?d=e", "Kr\u00fcppel"})
            QTest::newRow(qPrintable("term " + QString(term)))
                << AddressWithTerm(kSearch, term) << 200 << "reached the server whole";
    }
    void loads() {
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(QString, text);
        Loader();
        QCOMPARE(Load(path), int(PageLoader::Loaded));
        QCOMPARE(loader_->Browser().ReadyState(), 4);
        QCOMPARE(loader_->Browser().HttpStatus(), status);
        const QString html = loader_->Markup();
        QVERIFY(html.startsWith("<HEAD>"));
        QVERIFY(!html.contains("{{SERVER}}"));
        QVERIFY2(html.contains(text.replace("{base}", server_->BaseUrl())), qPrintable(html));
        QVERIFY(problems_.isEmpty());
        QVERIFY(!module_.PageTimedOut);
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
        Loader(300);
        QCOMPARE(Load(path), int(PageLoader::Loaded));
        QCOMPARE(loader_->Browser().HttpStatus(), 200);
        QVERIFY(loader_->Markup().contains("reached the server whole"));
        QCOMPARE(Requests(), 2);
        QCOMPARE(problems_.size(), problem.isEmpty() ? 0 : 1);
        if (!problem.isEmpty())
            QVERIFY2(problems_.first().contains(problem), qPrintable(problems_.first()));
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
        Loader(150);
        // A page that was loaded before stays readable after the cancel.
        QCOMPARE(Load("/latin1.html"), int(PageLoader::Loaded));
        const QString earlier = loader_->Markup();
        const int before = Requests();
        CancelAfter(600);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(Load(path), int(PageLoader::Canceled));
        QVERIFY(clock.elapsed() >= 550);
        QVERIFY(Requests() - before >= 3);  // several watchdog reloads meanwhile
        QVERIFY(loader_->Browser().ReadyState() != 4);
        QCOMPARE(loader_->Markup(), earlier);
        QVERIFY(NoRequestRunning());
    }

    // The cancel is seen within a turn of the wait, and the request is
    // aborted, not left running.
    void cancelIsNoticedPromptly() {
        Loader();  // the watchdog does not come into play
        QElapsedTimer clock;
        QTimer::singleShot(200, scope_.get(), [this, &clock] {
            clock.start();
            module_.CancelSearch = true;
        });
        QCOMPARE(Load("/hang.html"), int(PageLoader::Canceled));
        // Generous bound: the wait turns every 50 ms.
        QVERIFY2(clock.elapsed() < 1000, qPrintable(Ms(clock.elapsed())));
        QVERIFY(NoRequestRunning());
    }

    void cancelRaisedBeforeTheWaitEndsItAtOnce() {
        Loader();
        module_.CancelSearch = true;
        QCOMPARE(Load("/slow.html"), int(PageLoader::Canceled));
        QVERIFY(NoRequestRunning());
    }

    void windowEventsRunDuringTheWait() {
        Loader();
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(20);
        QCOMPARE(Load("/slow.html"), int(PageLoader::Loaded));
        QVERIFY2(ticks >= 3, qPrintable(Ms(ticks)));
    }

    void serverDownThenUp() {
        const int port = FreePort();
        QVERIFY(port > 0);
        PageServer late(kPages);
        bool started = false;
        Loader(300);
        QTimer::singleShot(700, scope_.get(),
                           [&late, &started, port] { started = late.Start("127.0.0.1", port); });
        const QString address = QString("http://127.0.0.1:%1/latin1.html").arg(port);
        QCOMPARE(loader_->NavigateAndWait(address), int(PageLoader::Loaded));
        QVERIFY(started);
        QCOMPARE(loader_->Browser().HttpStatus(), 200);
        QVERIFY(!problems_.isEmpty());
        QVERIFY2(problems_.first().contains("refused", Qt::CaseInsensitive),
                 qPrintable(problems_.first()));
    }

    void retryAfterIsHonoured() {
        Loader(100);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(Load("/busy-once.html"), int(PageLoader::Loaded));
        // The 429 asked for one second; the 100 ms watchdog did not hurry it.
        QVERIFY2(clock.elapsed() >= 950, qPrintable(Ms(clock.elapsed())));
        QCOMPARE(Requests(), 2);
        QVERIFY(!problems_.isEmpty());
        QVERIFY(problems_.first().contains("429"));
    }

    void retryAfter_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<qint64>("ms");
        QTest::newRow("seconds") << QByteArray(" 7 ") << qint64(7000);
        QTest::newRow("longest wait") << QByteArray("300") << qint64(300000);
        QTest::newRow("longer is bounded") << QByteArray("301") << qint64(300000);
        QTest::newRow("huge") << QByteArray("9223372036854775807") << qint64(300000);
        QTest::newRow("beyond 64 bits") << QByteArray("99999999999999999999") << qint64(300000);
        QTest::newRow("negative") << QByteArray("-5") << qint64(0);
        QTest::newRow("words") << QByteArray("soon") << qint64(0);
        QTest::newRow("past date") << QByteArray("Wed, 21 Oct 2015 07:28:00 GMT") << qint64(0);
        QTest::newRow("date a minute ahead")
            << QDateTime::currentDateTimeUtc().addSecs(60).toString(Qt::RFC2822Date).toLatin1()
            << qint64(60000);
    }
    void retryAfter() {
        QFETCH(QByteArray, value);
        QFETCH(qint64, ms);
        const qint64 got = WebBrowser::RetryAfterMs(value);
        // A date has whole seconds, so the wait may come up to a second short.
        QVERIFY2(ms == 0 ? got == 0 : got <= ms && got > ms - 1000, qPrintable(Ms(got)));
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
