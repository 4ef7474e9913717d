// Load + serialize time of a 200 KB page served over loopback, against
// fetching the same page with curl; and the serializer against a bare gumbo
// parse of the same bytes (goal: at most 1.2 times the bare parse).
//
// Usage: bench_pageload [N]   (N loads each, default 50)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include <gumbo.h>

#include "pageserver/pageserver.h"
#include "web/markup.h"
#include "web/module1.h"
#include "web/settings.h"
#include "web/webbrowser.h"
#include "web/webpageloader.h"

namespace {

// A cluster-like page of about the given size: tables of sequence links with
// descriptions, styled cells and a GenBank-style sequence block.
QByteArray MakePage(int bytes) {
    QByteArray page =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<html><head>"
        "<title>UniGene Cluster Mm.3608</title></head>\n<body bgcolor=\"#ffffff\">\n"
        "<h1>UniGene Cluster Mm.3608</h1>\n<table width=\"100%\" border=0>\n";
    int row = 0;
    while (page.size() < bytes * 2 / 3) {
        page += "<tr><td width=\"24%\"><a href=\"seq.cgi?ORG=Mm&amp;SEQ=BC" +
                QByteArray::number(100000 + row) + "\">BC" + QByteArray::number(100000 + row) +
                "</a></td><td width=\"76%\"><font class=\"text\">Mus musculus cDNA clone "
                "MGC:" +
                QByteArray::number(row) +
                " &amp; more</font></td><td style=\"cursor:help\">brain</td></tr>\n";
        ++row;
    }
    page += "</table>\n<pre>ORIGIN      \n";
    int pos = 1;
    while (page.size() < bytes - 20) {
        page += QByteArray::number(pos).rightJustified(9, ' ') +
                " acgtacgtac gtacgtacgt acgtacgtac gtacgtacgt acgtacgtac gtacgtacgt\n";
        pos += 60;
    }
    page += "//\n</pre></body></html>\n";
    return page;
}

double Ms(qint64 ns) {
    return static_cast<double>(ns) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? qMax(1, atoi(argv[1])) : 50;

    QTemporaryDir dir;
    const QByteArray page = MakePage(200 * 1024);
    {
        QFile f(dir.filePath(QStringLiteral("big.html")));
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write(page);
        QFile index(dir.filePath(QStringLiteral("index.tsv")));
        if (!index.open(QIODevice::WriteOnly)) return 1;
        index.write("/big.html\tbig.html\n");
    }
    quill::PageServer server(dir.path());
    if (!server.Start()) {
        std::fprintf(stderr, "cannot start the page server: %s\n", qPrintable(server.Error()));
        return 1;
    }
    const QString url = server.BaseUrl() + QStringLiteral("/big.html");

    quill::Module1 module;
    quill::Settings settings;
    quill::WebPageLoader loader(module, settings);
    // One load first, so that both sides start with a warm connection.
    loader.NavigateAndWait(url);
    (void)loader.Markup();

    QElapsedTimer clock;
    qint64 loadNs = 0, totalNs = 0;
    qsizetype markupSize = 0;
    for (int i = 0; i < n; ++i) {
        clock.start();
        if (loader.NavigateAndWait(url) != quill::PageLoader::Loaded) return 1;
        loadNs += clock.nsecsElapsed();
        markupSize = loader.Markup().size();
        totalNs += clock.nsecsElapsed();
    }
    // Serialization alone, on the same bytes, against gumbo's parse alone
    // (parse and free the tree), alternating so that both see the same load
    // on the machine.
    const QByteArray utf8 = quill::PageToUtf8(page);
    qint64 serializeNs = 0, parseNs = 0, toUtf8Ns = 0;
    for (int i = 0; i < n; ++i) {
        clock.start();
        (void)quill::SerializeMarkup(utf8);
        serializeNs += clock.nsecsElapsed();
        clock.start();
        GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.constData(),
                                                       static_cast<size_t>(utf8.size()));
        gumbo_destroy_output(&kGumboDefaultOptions, output);
        parseNs += clock.nsecsElapsed();
        clock.start();
        (void)quill::PageToUtf8(page);
        toUtf8Ns += clock.nsecsElapsed();
    }

    // curl: one process fetching the page n times over one connection, each
    // transfer timed by curl itself.
    QStringList args{QStringLiteral("-s"), QStringLiteral("-w"),
                     QStringLiteral("%{time_total}\\n")};
    for (int i = 0; i < n + 1; ++i)
        args << QStringLiteral("-o") << QStringLiteral("/dev/null") << url;
    QProcess curl;
    clock.start();
    curl.start(QStringLiteral("curl"), args);
    if (!curl.waitForFinished(120000) || curl.exitCode() != 0) {
        std::fprintf(stderr, "curl failed: %s\n", qPrintable(curl.errorString()));
        return 1;
    }
    const qint64 curlWallNs = clock.nsecsElapsed();
    const QList<QByteArray> times = curl.readAllStandardOutput().trimmed().split('\n');
    double curlSum = 0;
    for (int i = 1; i < times.size(); ++i) curlSum += times[i].toDouble() * 1000.0;  // skip warm-up
    const double curlPerPage = curlSum / qMax<qsizetype>(1, times.size() - 1);

    const double perLoad = Ms(loadNs) / n, perTotal = Ms(totalNs) / n;
    std::printf("page: %lld bytes, markup %lld characters, %d loads\n",
                static_cast<long long>(page.size()), static_cast<long long>(markupSize), n);
    std::printf("WebPageLoader load only:        %8.3f ms/page\n", perLoad);
    std::printf("WebPageLoader load + serialize: %8.3f ms/page\n", perTotal);
    std::printf("bare gumbo parse:               %8.3f ms/page\n", Ms(parseNs) / n);
    std::printf(
        "serialize (parse + write):      %8.3f ms/page (%.2f x bare parse; goal: at most 1.2)\n",
        Ms(serializeNs) / n, parseNs > 0 ? double(serializeNs) / double(parseNs) : 0.0);
    std::printf("charset check (PageToUtf8):     %8.3f ms/page\n", Ms(toUtf8Ns) / n);
    std::printf("curl transfer (time_total):     %8.3f ms/page\n", curlPerPage);
    std::printf("curl process wall / page:       %8.3f ms/page\n", Ms(curlWallNs) / (n + 1));
    std::printf("added over curl: %.3f ms/page (ratio %.2f); goal: at most 2 ms\n",
                perTotal - curlPerPage, curlPerPage > 0 ? perTotal / curlPerPage : 0.0);
    server.Stop();
    return 0;
}
