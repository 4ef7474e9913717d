#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QtTest>

#include "pageserver/pageserver.h"
#include "web/markup.h"
#include "web/module1.h"
#include "web/settings.h"
#include "web/webbrowser.h"
#include "web/webpageloader.h"

using namespace quill;

namespace {

const QString kPages = QStringLiteral(QUILL_TEST_DATA "/web");
const QString kSearch = "/entrez/query.fcgi?orig_db=UniGene&cmd=search&term=";

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

    // A fresh loader with this watchdog interval; a refusing server is asked
    // twice more, after 20 and 40 ms.
    WebPageLoader& Loader(int watchdogMs = 7000) {
        settings_.WatchdogMs = watchdogMs;
        settings_.ServerRetries = 2;
        settings_.RetryDelayMs = 20;
        loader_ = std::make_unique<WebPageLoader>(
            module_, settings_, [this](const QString& text) { problems_ << text; });
        return *loader_;
    }
    int Load(const QString& path) { return loader_->NavigateAndWait(server_->BaseUrl() + path); }
    int Requests() const { return server_->RequestCount(); }
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
        settings_ = Settings();
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
        // Addresses cut from page markup may hold raw blanks.
        QTest::newRow("raw blank") << kSearch + "Abc 1" << 200 << "reached the server whole";
        // The term is the one untrusted part of an address: whatever it
        // holds reaches the server as one term.
        for (const char* term : {"A&CID=1#x", "a+b%c?d=e", "Kr\u00fcppel"})
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
        QVERIFY2(html.contains(text.replace("{base}", server_->BaseUrl())), qPrintable(html));
        QVERIFY(problems_.isEmpty());
        QVERIFY(!module_.PageTimedOut);
    }

    // Failures that must not pass for an answer: the wait goes on, the
    // watchdog loads the page again, the problem is reported.
    void failureIsRetried_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("problem");
        QTest::newRow("status 500") << QString("/error-once.html") << QString("500");
        QTest::newRow("dropped connection") << QString("/drop-once.html") << QString("Cannot load");
        QTest::newRow("never answers") << QString("/hang-once.html") << QString();
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
        QVERIFY2(problems_.value(0).contains(problem), qPrintable(problems_.value(0)));
        QVERIFY(!module_.PageTimedOut);
    }

    // A server that cannot be reached or never finishes a page is waited for
    // (the watchdog loads the page again) until the user cancels.
    void persistentFailureWaitsUntilCanceled_data() {
        QTest::addColumn<QString>("path");
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
        QTimer::singleShot(600, scope_.get(), [this] { module_.CancelSearch = true; });
        QCOMPARE(Load(path), int(PageLoader::Canceled));
        QVERIFY(Requests() - before >= 3);  // several watchdog reloads meanwhile
        QVERIFY(loader_->Browser().ReadyState() != 4);
        QCOMPARE(loader_->Markup(), earlier);
        QVERIFY(NoRequestRunning());
    }

    // An error status is the server's refusal, never a page to read: the
    // wait ends with ServerError, at once, or after the retries for a busy or
    // failing server. The page read before stays.
    void serverRefusals_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("requests");
        QTest::newRow("404") << "/nowhere.html"
                             << "404 Not Found" << 1;
        QTest::newRow("500") << "/error.html"
                             << "500 Internal Server Error" << 3;
        QTest::newRow("429") << "/busy.html"
                             << "429 Too Many Requests" << 3;
    }
    void serverRefusals() {
        QFETCH(QString, path);
        QFETCH(QString, message);
        QFETCH(int, requests);
        Loader(100);  // the watchdog does not hurry or prolong anything
        QCOMPARE(Load("/latin1.html"), int(PageLoader::Loaded));
        const QString earlier = loader_->Markup();
        const int before = Requests();
        QCOMPARE(Load(path), int(PageLoader::ServerError));
        QCOMPARE(Requests() - before, requests);
        QCOMPARE(loader_->LastFailure().message, message);
        QCOMPARE(loader_->LastFailure().address, server_->BaseUrl() + path);
        QCOMPARE(problems_.size(), requests);  // each refusal told
        QVERIFY2(problems_.last().contains(message), qPrintable(problems_.last()));
        QCOMPARE(loader_->Markup(), earlier);
        QVERIFY(NoRequestRunning());
    }

    // A body over the cap is abandoned as soon as it passes it (an endless
    // one too) or, when its length is announced, before it comes.
    void pageSizeCap_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("cap");
        QTest::addColumn<QString>("message");  // "": loaded
        const qint64 size = QFileInfo(kPages + "/latin1.html").size();
        QTest::newRow("endless") << "/endless.html" << qint64{1 << 20} << "page larger than 1 MB";
        QTest::newRow("one byte over")
            << "/latin1.html" << size - 1 << QString("page larger than %1 bytes").arg(size - 1);
        QTest::newRow("at the cap") << "/latin1.html" << size << QString();
    }
    void pageSizeCap() {
        QFETCH(QString, path);
        QFETCH(qint64, cap);
        QFETCH(QString, message);
        settings_.MaxPageBytes = cap;
        Loader();
        // A cap that fails leaves the endless page loading: canceled.
        QTimer::singleShot(20000, scope_.get(), [this] { module_.CancelSearch = true; });
        QCOMPARE(Load(path), int(message.isEmpty() ? PageLoader::Loaded : PageLoader::ServerError));
        QCOMPARE(loader_->LastFailure().message, message);
        QVERIFY(NoRequestRunning());
    }

    // A page of more markup than can be read is refused before it is read.
    void pageOfTooMuchMarkup() {
        QTemporaryDir dir;
        QFile page(dir.filePath("tags.html"));
        QVERIFY(page.open(QIODevice::WriteOnly) &&
                page.write(QByteArray("<br a b>").repeated(kMaxMarkupItems / 3 + 1)) > 0);
        page.close();
        QFile index(dir.filePath("index.tsv"));
        QVERIFY(index.open(QIODevice::WriteOnly) && index.write("/tags.html\ttags.html\n") > 0);
        index.close();
        PageServer tags(dir.path());
        QVERIFY2(tags.Start(), qPrintable(tags.Error()));
        Loader();
        QCOMPARE(loader_->NavigateAndWait(tags.BaseUrl() + "/tags.html"),
                 int(PageLoader::ServerError));
        QCOMPARE(loader_->LastFailure().message,
                 QString("page of more than %1 tags and attributes").arg(kMaxMarkupItems));
    }

    // The page is read within the wait, which asks the cancel flag: a cancel
    // raised as the page comes ends the wait before it is read.
    void cancelWhileThePageIsRead() {
        Loader();
        connect(&loader_->Browser(), &WebBrowser::StateChanged, scope_.get(), [this] {
            if (loader_->Browser().ReadyState() == WebBrowser::Complete)
                module_.CancelSearch = true;
        });
        QCOMPARE(Load("/latin1.html"), int(PageLoader::Canceled));
    }

    // The cancel (raised from an event during the wait) is seen within a
    // turn of the wait, and the request is aborted, not left running.
    void cancelIsNoticedPromptly() {
        Loader();  // the watchdog does not come into play
        QElapsedTimer clock;
        QTimer::singleShot(200, scope_.get(), [this, &clock] {
            clock.start();
            module_.CancelSearch = true;
        });
        QCOMPARE(Load("/hang.html"), int(PageLoader::Canceled));
        // Generous bound: the wait turns every 50 ms.
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(NoRequestRunning());
        // A cancel raised before the wait ends it at once.
        QCOMPARE(Load("/slow.html"), int(PageLoader::Canceled));
        QVERIFY(NoRequestRunning());
    }

    void retryAfterIsHonoured() {
        // A watchdog well under the pause, but long enough that a loaded
        // machine does not reload the page itself.
        Loader(400);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(Load("/busy-once.html"), int(PageLoader::Loaded));
        // The 429 asked for one second; the 400 ms watchdog did not hurry it.
        QVERIFY2(clock.elapsed() >= 950, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(Requests(), 2);
        QVERIFY(problems_.value(0).contains("429"));
    }

    void retryAfter() {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (const auto& [value, ms] : std::initializer_list<std::pair<QByteArray, qint64>>{
                 {" 7 ", 7000},
                 {"301", 300000},  // bounded
                 {"9223372036854775807", 300000},
                 {"99999999999999999999", 300000},
                 {"-5", 0},
                 {"soon", 0},
                 {now.addSecs(-60).toString(Qt::RFC2822Date).toLatin1(), 0},
                 {now.addSecs(60).toString(Qt::RFC2822Date).toLatin1(), 60000},
                 // The form servers send.
                 {QLocale::c()
                      .toString(now.addSecs(90), "ddd, dd MMM yyyy hh:mm:ss 'GMT'")
                      .toLatin1(),
                  90000},
             }) {
            const qint64 got = WebBrowser::RetryAfterMs(value);
            // A date has whole seconds, so the wait may come up to a second short.
            QVERIFY2(ms == 0 ? got == 0 : got <= ms && got > ms - 1000, value.constData());
        }
    }

    void loopbackHosts() {
        for (const char* host : {"127.0.0.2", "::1", "localhost"})
            QVERIFY2(WebBrowser::IsLoopbackHost(host), host);
        for (const char* host : {"www.ncbi.nlm.nih.gov", "192.168.1.5"})
            QVERIFY2(!WebBrowser::IsLoopbackHost(host), host);
    }

    // Raw replies: the body as sent; a dropped connection and a reply that
    // does not come count as failed tries, three in all.
    void fetchRaw_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("text");  // in the body, or the failure
        QTest::newRow("body as sent") << "/latin1.html" << int(PageLoader::Loaded) << 1
                                      << "<body>Kr\u00fcppel &lt;1&gt;</body>";
        QTest::newRow("dropped once")
            << "/drop-once.html" << int(PageLoader::Loaded) << 2 << "reached the server whole";
        QTest::newRow("dropped") << "/drop.html" << int(PageLoader::ServerError) << 3 << "";
        QTest::newRow("never answers")
            << "/hang.html" << int(PageLoader::ServerError) << 3 << "no reply within 1 s";
        QTest::newRow("busy, Retry-After")
            << "/busy-once.html" << int(PageLoader::Loaded) << 2 << "reached the server whole";
        QTest::newRow("failing") << "/error.html" << int(PageLoader::ServerError) << 3
                                 << "500 Internal Server Error";
        QTest::newRow("refused at once")
            << "/status403.html" << int(PageLoader::ServerError) << 1 << "403 Forbidden";
    }
    void fetchRaw() {
        QFETCH(QString, path);
        QFETCH(int, result);
        QFETCH(int, requests);
        QFETCH(QString, text);
        Loader();
        PageLoader::RawFetch how;
        how.shownAddress = "the address";
        how.watchdogMs = 300;
        how.retryDelayMs = 10;
        PageLoader::RawReply reply;
        QCOMPARE(loader_->FetchRaw(server_->BaseUrl() + path, how, &reply), result);
        QCOMPARE(Requests(), requests);
        if (result == PageLoader::Loaded) {
            QCOMPARE(reply.status, 200);
            QVERIFY(QString::fromLatin1(reply.body).contains(text));
        } else {
            QVERIFY2(reply.failure.message.startsWith(text), qPrintable(reply.failure.message));
            QCOMPARE(reply.failure.address, QString("the address"));
        }
    }
};

QTEST_GUILESS_MAIN(WebPageLoaderTest)
#include "test_webpageloader.moc"
