#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "pageserver/pageserver.h"
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
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
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

    // A request ending in "*" answers what no line names, the longest first.
    void prefixLines() {
        QTemporaryDir dir;
        WriteFile(dir.filePath("p.html"), "<p>p</p>");
        WriteFile(dir.filePath("q.html"), "<p>q</p>");
        WriteFile(dir.filePath("index.tsv"), "/a*\tp.html\n/ab*\tq.html\n/abc\tp.html\n");
        PageServer server(dir.path());
        QVERIFY2(server.Start(), qPrintable(server.Error()));
        const QByteArray base = server.BaseUrl().toLatin1();
        for (const auto& [path, body] : std::initializer_list<std::pair<QByteArray, QByteArray>>{
                 {"/ax", "<p>p</p>"}, {"/abx", "<p>q</p>"}, {"/abc", "<p>p</p>"}})
            QVERIFY2(Fetch(base + path).body == body, path);
        QCOMPARE(Fetch(base + "/b").status, 404);
    }

    // Pages carry the server's own address; index faults act as written.
    void servesPagesAndFaults() {
        const Fetched f =
            Fetch(base_ + "/entrez/query.fcgi?orig_db=UniGene&cmd=search&term=Pax6%20mouse");
        QCOMPARE(f.status, 200);
        QVERIFY(f.body.contains(base_ + "/UniGene/clust.cgi?ORG=Mm"));
        QCOMPARE(server_->RequestCount(), 1);
        QCOMPARE(Fetch(base_ + "/error.html").status, 500);

        // The query is percent-decoded before the lookup; "+" stays "+".
        const QByteArray q = "/entrez/query.fcgi?orig_db=UniGene&cmd=search&term=";
        for (const auto& [target, status] : std::initializer_list<std::pair<QByteArray, int>>{
                 {q + "A%26CID%3D1%23x", 200},
                 {q + "Abc+1", 404},
                 {q + "Kr%C3%BCppel", 200},
                 {"/entrez/query.fcgi", 404},
             }) {
            const Fetched page = Fetch(base_ + target);
            QVERIFY2(page.status == status, target);
            QVERIFY(!page.body.isEmpty());
            // A plain 404: nothing in it reads like an answer of the real site.
            for (const char* marker : {"not found", "No items found", "RETIRED"})
                QVERIFY2(status == 200 || !page.body.contains(marker), marker);
        }
        const Fetched busy = Fetch(base_ + "/busy-once.html");
        QCOMPARE(busy.status, 429);
        QCOMPARE(busy.retryAfter, QByteArray("1"));
        QCOMPARE(Fetch(base_ + "/busy-once.html").status, 200);  // only the first time
        const Fetched dropped = Fetch(base_ + "/drop.html");
        QVERIFY(dropped.error != QNetworkReply::NoError);
        QVERIFY(!dropped.body.contains("reached the server"));
        QCOMPARE(Fetch(base_ + "/redirect.html").status, 302);
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
        // It starts again on the same port.
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
        QTest::newRow("get") << "get --ncbi-server {base} /UniGene/clust.cgi?ORG=Mm&CID=3608" << 0
                             << QString()
                             << "<A href=\"clust.cgi?ORG=Mm&amp;CID=3608&amp;MODEL=NM_013627\">";
        QTest::newRow("get times out")
            << "get --timeout 1 {base}/hang.html" << 1 << "no page from" << QString();
        QTest::newRow("serve bad port") << "serve --port 70000" << 2 << "--port" << QString();
        QTest::newRow("serve missing folder")
            << "serve --pages /no/such/folder" << 1 << "no such folder" << QString();
    }
    void commandLine() {
        QFETCH(QString, args);
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        QFETCH(QString, output);
        const test::CliRun run =
            test::Cli(args.replace("{base}", QString::fromLatin1(base_)).split(' '));
        QCOMPARE(run.status, exitCode);
        QVERIFY2(run.err.contains(error), qPrintable(run.err));
        QVERIFY2(output.isEmpty() ? run.out.isEmpty() : run.out.contains(output),
                 qPrintable(run.out));
    }
};

QTEST_GUILESS_MAIN(PageServerTest)
#include "test_pageserver.moc"
