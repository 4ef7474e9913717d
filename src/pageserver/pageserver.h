#pragma once
// src/pageserver, the library quill_pageserver (quill_core does not link
// it): the sample page server that stands in for the NCBI and IGTC sites in
// the demo, the tests and the benchmarks. pageserver.cpp is the server
// itself (cpp-httplib); in a build with modules it is the page server module,
// which pageserverstandin.cpp loads. demoserver.cpp starts it on the bundled
// sample pages for --demo.
//
// A small web server that serves a folder of sample pages the way the NCBI
// and IGTC sites answered: the demo and the ground for integration tests.
//
// DIR/index.tsv maps requests to page files, one entry a line:
//   <path?decoded-query> TAB <file> [TAB <fault>]
// Lines starting with # are comments. The query is compared after
// percent-decoding ("+" stays "+"); a POSTed form body stands for the query. A request ending in
// "*" stands for every request that starts with the text before it, when no line names the request
// itself (the longest such prefix wins). Faults: "delay=MS", "hang" (sends the headers, then a
// blank now and then, never the page), "endless" (sends the page's text over and over without end,
// for a minute at most), "status=500" (or any status), "drop" (closes the connection). Several may
// be joined by commas; further options: "retry-after=S" (sent with a status), "redirect=/path" (302
// to that path on this server) and "times=N" (the fault applies to the first N requests only). The
// file "-" stands for an empty page. In a served page the placeholder {{SERVER}} is replaced by the
// server's own address (scheme, host and port, no trailing slash).

#include <QList>
#include <QString>
#include <memory>

namespace quill {

class PageServer {
  public:
    explicit PageServer(const QString& pagesDir);
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // Starts serving on a background thread; port 0 picks a free port.
    // Returns false (see Error()) when the index cannot be read or the
    // address cannot be bound.
    bool Start(const QString& host = QStringLiteral("127.0.0.1"), int port = 0);
    void Stop();
    QString BaseUrl() const;  // e.g. "http://127.0.0.1:40123"
    QString Error() const;
    // Number of requests answered or dropped so far (for tests).
    int RequestCount() const;
    // When each request came, in milliseconds since the server started, in
    // the order they came (for tests of a client's pacing).
    QList<qint64> ArrivalMs() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

struct Settings;

// --demo on the archive pages: starts a page server on the bundled pages and
// points both server addresses of settings at it. nullptr (with a reason in
// error) on failure.
std::unique_ptr<PageServer> StartDemoServer(Settings& settings, QString* error);
// --demo on the E-utilities: a page server on the bundled replies, with
// settings.EutilsBase pointed at it.
std::unique_ptr<PageServer> StartEutilsDemoServer(Settings& settings, QString* error);
// --replay DIR: a page server on a folder of recorded replies, with
// settings.EutilsBase pointed at it.
std::unique_ptr<PageServer> StartReplayServer(const QString& dir, Settings& settings,
                                              QString* error);

// The bundled sample page folder: ../share/quillfish/pages from the
// program's folder, in the build tree as in an install; the E-utilities
// replies beside it in ../share/quillfish/eutils.
QString BundledPagesDir();
QString BundledEutilsDir();

}  // namespace quill
