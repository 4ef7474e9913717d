#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "common/pageserver.h"
#include "support/testsupport.h"

using namespace quill;

namespace {

const QString kPages = QStringLiteral(QUILL_TEST_DATA "/web");

struct Fetched {
    int status = 0;
    QByteArray body;
    QByteArray retryAfter;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
};

// One plain request, without redirects followed, given up after 5 s.
Fetched Fetch(const QByteArray& encodedUrl) {
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl::fromEncoded(encodedUrl, QUrl::StrictMode));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    Fetched f;
    f.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    f.body = reply->readAll();
    f.retryAfter = reply->rawHeader("Retry-After");
    f.error = reply->error();
    delete reply;
    return f;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

class PageServerTest : public QObject {
    Q_OBJECT
  private slots:
    void startFailsOnBadIndex_data() {
        QTest::addColumn<QByteArray>("index");
        QTest::addColumn<QString>("message");
        QTest::newRow("no index") << QByteArray() << "cannot read";
        QTest::newRow("one column") << QByteArray("/a.html\n") << "line 1";
        QTest::newRow("missing page") << QByteArray("# c\n/a.html\tnone.html\n") << "line 2";
        QTest::newRow("unknown fault") << QByteArray("/a.html\tp.html\tslow\n") << "slow";
        QTest::newRow("bad status") << QByteArray("/a.html\tp.html\tstatus=abc\n") << "status";
        QTest::newRow("bad delay") << QByteArray("/a.html\tp.html\tdelay=-5\n") << "delay";
    }
    void startFailsOnBadIndex() {
        QFETCH(QByteArray, index);
        QFETCH(QString, message);
        QTemporaryDir dir;
        WriteFile(dir.filePath(QStringLiteral("p.html")), "<p>x</p>");
        if (!index.isEmpty()) WriteFile(dir.filePath(QStringLiteral("index.tsv")), index);
        PageServer server(dir.path());
        QVERIFY(!server.Start());
        QVERIFY2(server.Error().contains(message), qPrintable(server.Error()));
        QVERIFY(server.BaseUrl().isEmpty());
    }

    void servesPagesWithItsOwnAddress() {
        PageServer server(kPages);
        QVERIFY2(server.Start(), qPrintable(server.Error()));
        QVERIFY(server.BaseUrl().startsWith(QLatin1String("http://127.0.0.1:")));
        const Fetched f = Fetch(server.BaseUrl().toLatin1() +
                                "/entrez/query.fcgi?orig_db=UniGene&cmd=search&term=Pax6%20mouse");
        QCOMPARE(f.status, 200);
        QVERIFY(f.body.contains(server.BaseUrl().toLatin1() + "/UniGene/clust.cgi?ORG=Mm"));
        QVERIFY(!f.body.contains("{{SERVER}}"));
        QCOMPARE(server.RequestCount(), 1);
    }

    void queryIsDecodedBeforeLookup_data() {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("status");
        const QByteArray q = "/entrez/query.fcgi?orig_db=UniGene&cmd=search&term=";
        QTest::newRow("encoded structure characters") << q + "A%26CID%3D1%23x" << 200;
        QTest::newRow("encoded plus") << q + "a%2Bb%25c%3Fd%3De" << 200;
        QTest::newRow("plus is not a blank") << q + "Abc+1" << 404;
        QTest::newRow("encoded blank") << q + "Abc%201" << 200;
        QTest::newRow("utf-8") << q + "Kr%C3%BCppel" << 200;
        QTest::newRow("unknown term") << q + "Nothing" << 404;
        QTest::newRow("path without its query") << QByteArray("/entrez/query.fcgi") << 404;
    }
    void queryIsDecodedBeforeLookup() {
        QFETCH(QByteArray, target);
        QFETCH(int, status);
        PageServer server(kPages);
        QVERIFY(server.Start());
        QCOMPARE(Fetch(server.BaseUrl().toLatin1() + target).status, status);
    }

    void unknownRequestGetsPlain404() {
        PageServer server(kPages);
        QVERIFY(server.Start());
        const Fetched f = Fetch(server.BaseUrl().toLatin1() + "/no/such/page.html");
        QCOMPARE(f.status, 404);
        QVERIFY(!f.body.isEmpty());
        // Nothing in it reads like an answer of the real site.
        QVERIFY(!f.body.contains("not found"));
        QVERIFY(!f.body.contains("No items found"));
        QVERIFY(!f.body.contains("RETIRED"));
    }

    void faults() {
        PageServer server(kPages);
        QVERIFY(server.Start());
        const QByteArray base = server.BaseUrl().toLatin1();
        QCOMPARE(Fetch(base + "/error.html").status, 500);
        Fetched busy = Fetch(base + "/busy-once.html");
        QCOMPARE(busy.status, 429);
        QCOMPARE(busy.retryAfter, QByteArray("1"));
        QCOMPARE(Fetch(base + "/busy-once.html").status, 200);  // only the first time
        const Fetched dropped = Fetch(base + "/drop.html");
        QVERIFY(dropped.error != QNetworkReply::NoError);
        QVERIFY(!dropped.body.contains("reached the server"));
        const Fetched moved = Fetch(base + "/redirect.html");
        QCOMPARE(moved.status, 302);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(Fetch(base + "/slow.html").status, 200);
        QVERIFY(clock.elapsed() >= 250);
    }

    void stopsWhileARequestHangs() {
        PageServer server(kPages);
        QVERIFY(server.Start());
        QNetworkAccessManager manager;
        QNetworkReply* reply =
            manager.get(QNetworkRequest(QUrl(server.BaseUrl() + QStringLiteral("/hang.html"))));
        QTRY_COMPARE_WITH_TIMEOUT(server.RequestCount(), 1, 3000);
        QTest::qWait(100);
        QVERIFY(!reply->isFinished());
        QElapsedTimer clock;
        clock.start();
        server.Stop();
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        delete reply;
    }

    void restartsOnTheSamePort() {
        PageServer server(kPages);
        QVERIFY(server.Start());
        const QString base = server.BaseUrl();
        const int port = base.section(QLatin1Char(':'), -1).toInt();
        server.Stop();
        QVERIFY2(server.Start(QStringLiteral("127.0.0.1"), port), qPrintable(server.Error()));
        QCOMPARE(server.BaseUrl(), base);
        QCOMPARE(Fetch(base.toLatin1() + "/latin1.html").status, 200);
    }

    // quillfish-cli serve and get, as a user runs them.
    void commandLine() {
        QProcess serve;
        serve.start(QStringLiteral(QUILL_CLI_PATH),
                    {QStringLiteral("serve"), QStringLiteral("--pages"), kPages});
        QVERIFY(serve.waitForStarted());
        QVERIFY(serve.waitForReadyRead(5000));
        const QString line = QString::fromUtf8(serve.readLine()).trimmed();
        QVERIFY2(line.startsWith(QLatin1String("Serving ")), qPrintable(line));
        const QString base = line.section(QLatin1Char(' '), -1);
        QVERIFY(base.startsWith(QLatin1String("http://127.0.0.1:")));

        QProcess get;
        get.start(QStringLiteral(QUILL_CLI_PATH),
                  {QStringLiteral("get"), QStringLiteral("--ncbi-server"), base,
                   QStringLiteral("/UniGene/clust.cgi?ORG=Mm&CID=3608")});
        QVERIFY(get.waitForFinished(10000));
        QCOMPARE(get.exitCode(), 0);
        const QString markup = QString::fromUtf8(get.readAllStandardOutput());
        QVERIFY2(markup.contains(QLatin1String(
                     "<A href=\"clust.cgi?ORG=Mm&amp;CID=3608&amp;MODEL=NM_013627\">")),
                 qPrintable(markup));
        QVERIFY(markup.contains(base + QStringLiteral("/entrez/query.fcgi?cmd=Retrieve")));

        get.start(QStringLiteral(QUILL_CLI_PATH),
                  {QStringLiteral("get"), QStringLiteral("--timeout"), QStringLiteral("1"),
                   base + QStringLiteral("/hang.html")});
        QVERIFY(get.waitForFinished(10000));
        QCOMPARE(get.exitCode(), 1);
        QVERIFY(get.readAllStandardOutput().isEmpty());
        QVERIFY(get.readAllStandardError().contains("no page from"));

        ::kill(static_cast<pid_t>(serve.processId()), SIGTERM);
        QVERIFY(serve.waitForFinished(5000));
        QCOMPARE(serve.exitStatus(), QProcess::NormalExit);
        QCOMPARE(serve.exitCode(), 0);
    }

    void commandLineMistakes_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("get without address") << QStringList{"get"} << 2 << "which address";
        QTest::newRow("get bad timeout")
            << QStringList{"get", "--timeout", "soon", "http://127.0.0.1:1/"} << 2 << "--timeout";
        QTest::newRow("serve bad port") << QStringList{"serve", "--port", "70000"} << 2 << "--port";
        QTest::newRow("serve missing folder")
            << QStringList{"serve", "--pages", "/no/such/folder"} << 1 << "no such folder";
    }
    void commandLineMistakes() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QProcess p;
        p.start(QStringLiteral(QUILL_CLI_PATH), args);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), exitCode);
        QVERIFY2(QString::fromLocal8Bit(p.readAllStandardError()).contains(message),
                 qPrintable(message));
    }
};

QTEST_GUILESS_MAIN(PageServerTest)
#include "test_pageserver.moc"
