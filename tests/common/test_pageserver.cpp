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
    QByteArray body, retryAfter;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
};

// One plain request, without redirects followed, given up after 5 s.
Fetched Fetch(const QByteArray& encodedUrl) {
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl::fromEncoded(encodedUrl, QUrl::StrictMode));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
            reply->rawHeader("Retry-After"), reply->error()};
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString RunCli(QProcess& p, const QStringList& args) {
    p.start(QUILL_CLI_PATH, args);
    if (!p.waitForFinished(10000)) return "<did not finish>";
    return QString::fromLocal8Bit(p.readAllStandardError());
}

}  // namespace

class PageServerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PageServer> server_;
    QByteArray base_;

  private slots:
    void init() {
        server_ = std::make_unique<PageServer>(kPages);
        QVERIFY2(server_->Start(), qPrintable(server_->Error()));
        base_ = server_->BaseUrl().toLatin1();
    }
    void cleanup() { server_.reset(); }

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
        WriteFile(dir.filePath("p.html"), "<p>x</p>");
        if (!index.isEmpty()) WriteFile(dir.filePath("index.tsv"), index);
        PageServer server(dir.path());
        QVERIFY(!server.Start());
        QVERIFY2(server.Error().contains(message), qPrintable(server.Error()));
        QVERIFY(server.BaseUrl().isEmpty());
    }

    void servesPagesWithItsOwnAddress() {
        QVERIFY(base_.startsWith("http://127.0.0.1:"));
        const Fetched f =
            Fetch(base_ + "/entrez/query.fcgi?orig_db=UniGene&cmd=search&term=Pax6%20mouse");
        QCOMPARE(f.status, 200);
        QVERIFY(f.body.contains(base_ + "/UniGene/clust.cgi?ORG=Mm"));
        QVERIFY(!f.body.contains("{{SERVER}}"));
        QCOMPARE(server_->RequestCount(), 1);
    }

    // The query is percent-decoded before the lookup; "+" stays "+".
    void lookup_data() {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("status");
        const QByteArray q = "/entrez/query.fcgi?orig_db=UniGene&cmd=search&term=";
        QTest::newRow("encoded structure characters") << q + "A%26CID%3D1%23x" << 200;
        QTest::newRow("plus is not a blank") << q + "Abc+1" << 404;
        QTest::newRow("utf-8") << q + "Kr%C3%BCppel" << 200;
        QTest::newRow("unknown term") << q + "Nothing" << 404;
        QTest::newRow("path without its query") << QByteArray("/entrez/query.fcgi") << 404;
    }
    void lookup() {
        QFETCH(QByteArray, target);
        QFETCH(int, status);
        const Fetched f = Fetch(base_ + target);
        QCOMPARE(f.status, status);
        QVERIFY(!f.body.isEmpty());
        // A plain 404: nothing in it reads like an answer of the real site.
        for (const char* marker : {"not found", "No items found", "RETIRED"})
            QVERIFY2(status == 200 || !f.body.contains(marker), marker);
    }

    void faults() {
        QCOMPARE(Fetch(base_ + "/error.html").status, 500);
        const Fetched busy = Fetch(base_ + "/busy-once.html");
        QCOMPARE(busy.status, 429);
        QCOMPARE(busy.retryAfter, QByteArray("1"));
        QCOMPARE(Fetch(base_ + "/busy-once.html").status, 200);  // only the first time
        const Fetched dropped = Fetch(base_ + "/drop.html");
        QVERIFY(dropped.error != QNetworkReply::NoError);
        QVERIFY(!dropped.body.contains("reached the server"));
        QCOMPARE(Fetch(base_ + "/redirect.html").status, 302);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(Fetch(base_ + "/slow.html").status, 200);
        QVERIFY(clock.elapsed() >= 250);
    }

    void stopsWhileARequestHangs() {
        QNetworkAccessManager manager;
        std::unique_ptr<QNetworkReply> reply(
            manager.get(QNetworkRequest(QUrl(QString::fromLatin1(base_ + "/hang.html")))));
        QTRY_COMPARE_WITH_TIMEOUT(server_->RequestCount(), 1, 3000);
        QTest::qWait(100);
        QVERIFY(!reply->isFinished());
        QElapsedTimer clock;
        clock.start();
        server_->Stop();
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    }

    void restartsOnTheSamePort() {
        server_->Stop();
        const int port = base_.split(':').last().toInt();
        QVERIFY2(server_->Start("127.0.0.1", port), qPrintable(server_->Error()));
        QCOMPARE(server_->BaseUrl().toLatin1(), base_);
        QCOMPARE(Fetch(base_ + "/latin1.html").status, 200);
    }

    // quillfish-cli serve: tells its address, serves, ends cleanly on SIGTERM.
    void commandLineServe() {
        QProcess serve;
        serve.start(QUILL_CLI_PATH, {"serve", "--pages", kPages});
        QVERIFY(serve.waitForReadyRead(5000));
        const QString line = QString::fromUtf8(serve.readLine()).trimmed();
        const QString base = line.section(' ', -1);
        QVERIFY2(line.startsWith("Serving ") && base.startsWith("http://127.0.0.1:"),
                 qPrintable(line));
        QCOMPARE(Fetch(base.toLatin1() + "/latin1.html").status, 200);
        ::kill(static_cast<pid_t>(serve.processId()), SIGTERM);
        QVERIFY(serve.waitForFinished(5000));
        QCOMPARE(serve.exitStatus(), QProcess::NormalExit);
        QCOMPARE(serve.exitCode(), 0);
    }

    // quillfish-cli get and serve as a user runs them; {base} is this server.
    void commandLine_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("output");  // "": nothing printed
        struct Row {
            const char *name, *args;
            int exitCode;
            const char *error, *output;
        };
        for (const Row& r : std::initializer_list<Row>{
                 {"get", "get --ncbi-server {base} /UniGene/clust.cgi?ORG=Mm&CID=3608", 0, "",
                  "<A href=\"clust.cgi?ORG=Mm&amp;CID=3608&amp;MODEL=NM_013627\">"},
                 {"get times out", "get --timeout 1 {base}/hang.html", 1, "no page from", ""},
                 {"get without address", "get", 2, "which address", ""},
                 {"get bad timeout", "get --timeout soon http://127.0.0.1:1/", 2, "--timeout", ""},
                 {"serve bad port", "serve --port 70000", 2, "--port", ""},
                 {"serve missing folder", "serve --pages /no/such/folder", 1, "no such folder", ""},
             })
            QTest::newRow(r.name) << r.args << r.exitCode << r.error << r.output;
    }
    void commandLine() {
        QFETCH(QString, args);
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        QFETCH(QString, output);
        QProcess p;
        const QString err =
            RunCli(p, args.replace("{base}", QString::fromLatin1(base_)).split(' '));
        QCOMPARE(p.exitCode(), exitCode);
        QVERIFY2(err.contains(error), qPrintable(err));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(output.isEmpty() ? out.isEmpty() : out.contains(output), qPrintable(out));
    }
};

QTEST_GUILESS_MAIN(PageServerTest)
#include "test_pageserver.moc"
