#include <QtTest>

#include "common/markup.h"
#include "common/textrules.h"
#include "support/testsupport.h"

using namespace quill;

namespace {

// The serialized body content of a page whose body is the given markup.
QString Body(const QString& html) {
    const QString all = SerializeMarkup(QStringLiteral("<html><body>") + html);
    const qsizetype start = all.indexOf(QLatin1String("<BODY>"));
    const qsizetype end = all.lastIndexOf(QLatin1String("</BODY>"));
    if (start < 0 || end < start) return QStringLiteral("<no body: %1>").arg(all);
    return all.mid(start + 6, end - start - 6);
}

QString WebPage(const QString& name) {
    return test::ReadText(QStringLiteral(QUILL_TEST_DATA "/web/") + name);
}

}  // namespace

class MarkupTest : public QObject {
    Q_OBJECT
  private slots:
    void rules_data() {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("expected");
        QTest::newRow("tag names upper case") << "<a href=\"x.html\">t</a>"
                                              << "<A href=\"x.html\">t</A>";
        QTest::newRow("one-word value without quotes") << "<font class=\"text\">1</font>"
                                                       << "<FONT class=text>1</FONT>";
        QTest::newRow("digits only without quotes") << "<hr size='2'>"
                                                    << "<HR size=2>";
        QTest::newRow("percent value quoted") << "<table width=76%></table>"
                                              << "<TABLE width=\"76%\"></TABLE>";
        QTest::newRow("empty value quoted") << "<p align>x</p>"
                                            << "<P align=\"\">x</P>";
        QTest::newRow("hyphen value quoted") << "<p lang=en-us>x</p>"
                                             << "<P lang=\"en-us\">x</P>";
        QTest::newRow("attribute names lower case") << "<P ALIGN=Right CLASS=Text>x</P>"
                                                    << "<P align=Right class=Text>x</P>";
        QTest::newRow("ampersand in value") << "<a href=\"clust.cgi?ORG=Mm&CID=1\">l</a>"
                                            << "<A href=\"clust.cgi?ORG=Mm&amp;CID=1\">l</A>";
        QTest::newRow("escaped ampersand in value stays escaped once")
            << "<a href=\"clust.cgi?ORG=Mm&amp;CID=1\">l</a>"
            << "<A href=\"clust.cgi?ORG=Mm&amp;CID=1\">l</A>";
        QTest::newRow("quote in value") << "<p title='say \"hi\"'>x</p>"
                                        << "<P title=\"say &quot;hi&quot;\">x</P>";
        QTest::newRow("absolute link kept")
            << "<a href=\"http://127.0.0.1:8080/UniGene/clust.cgi?ORG=Hs&amp;CID=9\">Hs.9</a>"
            << "<A href=\"http://127.0.0.1:8080/UniGene/clust.cgi?ORG=Hs&amp;CID=9\">Hs.9</A>";
        QTest::newRow("relative link kept") << "<a href=\"../UniGene/x.cgi?a=1\">m</a>"
                                            << "<A href=\"../UniGene/x.cgi?a=1\">m</A>";
        QTest::newRow("style property upper case")
            << "<table><tr><td style=\"cursor:help\">b</td></tr></table>"
            << "<TABLE><TBODY><TR><TD style=\"CURSOR: help\">b</TD></TR></TBODY></TABLE>";
        QTest::newRow("style declarations joined")
            << "<p style=\"color: red;font-weight:bold;\">x</p>"
            << "<P style=\"COLOR: red; FONT-WEIGHT: bold\">x</P>";
        QTest::newRow("style url kept whole") << "<p style=\"background:url(a;b.gif)\">x</p>"
                                              << "<P style=\"BACKGROUND: url(a;b.gif)\">x</P>";
        QTest::newRow("text entities") << "a &amp; b &lt; c &gt; d&nbsp;e"
                                       << "a &amp; b &lt; c &gt; d&nbsp;e";
        QTest::newRow("bare ampersand in text") << "R&D 5 > 3"
                                                << "R&amp;D 5 &gt; 3";
        QTest::newRow("other entities become characters") << "&eacute;&#65;"
                                                          << "\u00e9A";
        QTest::newRow("comment kept") << "<!-- keep me -->x"
                                      << "<!-- keep me -->x";
        QTest::newRow("void elements")
            << "<br><img src=\"a.gif\"/><input type=checkbox checked>"
            << "<BR><IMG src=\"a.gif\"><INPUT type=checkbox checked=\"\">";
        QTest::newRow("implied tbody") << "<table><tr><td>1</td></tr></table>"
                                       << "<TABLE><TBODY><TR><TD>1</TD></TR></TBODY></TABLE>";
        QTest::newRow("unclosed cells closed")
            << "<table><tr><td>1<td>2</table>"
            << "<TABLE><TBODY><TR><TD>1</TD><TD>2</TD></TR></TBODY></TABLE>";
        QTest::newRow("script text raw") << "<script>if (a < b && c) x();</script>"
                                         << "<SCRIPT>if (a < b && c) x();</SCRIPT>";
        QTest::newRow("pre keeps blanks and lines")
            << "<pre>ORIGIN\n        1 acgtacgtac gt\n//\n</pre>"
            << "<PRE>ORIGIN\n        1 acgtacgtac gt\n//\n</PRE>";
        QTest::newRow("pre leading line feed") << "<pre>\n\nx</pre>"
                                               << "<PRE>\n\nx</PRE>";
        QTest::newRow("unknown element") << "<foo-bar X=1>t</foo-bar>"
                                         << "<FOO-BAR x=1>t</FOO-BAR>";
        QTest::newRow("line breaks kept") << "<b>a</b>\n<i>b</i>\n"
                                          << "<B>a</B>\n<I>b</I>\n";
    }
    void rules() {
        QFETCH(QString, html);
        QFETCH(QString, expected);
        QCOMPARE(Body(html), expected);
    }

    void wholeDocument() {
        const QString out = SerializeMarkup(QStringLiteral(
            "<!DOCTYPE html><html><head><title>T</title></head><body>x</body></html>"));
        QCOMPARE(out, QStringLiteral("<HEAD><TITLE>T</TITLE></HEAD><BODY>x</BODY>"));
        // A fragment without html, head or body gets them from the parser.
        QCOMPARE(SerializeMarkup(QStringLiteral("hello")),
                 QStringLiteral("<HEAD></HEAD><BODY>hello</BODY>"));
        QCOMPARE(SerializeMarkup(QByteArray()), QStringLiteral("<HEAD></HEAD><BODY></BODY>"));
    }

    void serializedFormIsStable_data() {
        QTest::addColumn<QString>("html");
        rules_data();  // every rule row ...
        for (const char* page : {"search.html", "cluster.html", "profile.html", "term.html"})
            QTest::newRow(page) << WebPage(QString::fromLatin1(page)) << QString();
    }
    void serializedFormIsStable() {
        QFETCH(QString, html);
        const QString once = SerializeMarkup(html);
        QCOMPARE(SerializeMarkup(once), once);
    }

    void normalizeStyle_data() {
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one") << "cursor:help"
                             << "CURSOR: help";
        QTest::newRow("blanks") << "  cursor :  help ; "
                                << "CURSOR: help";
        QTest::newRow("two") << "Color:Red;margin-left: 2px"
                             << "COLOR: Red; MARGIN-LEFT: 2px";
        QTest::newRow("already normal") << "CURSOR: help; COLOR: red"
                                        << "CURSOR: help; COLOR: red";
        QTest::newRow("quoted semicolon") << "font-family:'a;b'"
                                          << "FONT-FAMILY: 'a;b'";
        QTest::newRow("empty") << ""
                               << "";
    }
    void normalizeStyle() {
        QFETCH(QString, style);
        QFETCH(QString, expected);
        QCOMPARE(NormalizeStyle(style), expected);
    }

    // The markers the search and screening engines look for stand in the
    // serialized form of pages written the ordinary way.
    void markersOnPages() {
        const QString server = QStringLiteral("http://127.0.0.1:8080");
        auto load = [&server](const char* name) {
            return SerializeMarkup(
                WebPage(QString::fromLatin1(name)).replace(QLatin1String("{{SERVER}}"), server));
        };
        const QString search = load("search.html");
        QVERIFY(InStr(search, server + QStringLiteral("/UniGene/clust.cgi?ORG=Mm&")) > 0);
        const QString cluster = load("cluster.html");
        const int m = InStr(cluster, QStringLiteral("Model sequence"));
        QVERIFY(m > 0);
        // The model links: the address starts 8 characters after "A href".
        const int a = InStr(m, cluster, QStringLiteral("A href"));
        QVERIFY(a > 0);
        QCOMPARE(Cut(cluster, a + 6, 2).value_or(QString()), QStringLiteral("=\""));
        const int q = InStr(a + 8, cluster, QStringLiteral("\""));
        QCOMPARE(StripAmp(Cut(cluster, a + 8, q - a - 8).value_or(QString())),
                 QStringLiteral("clust.cgi?ORG=Mm&CID=3608&MODEL=NM_013627"));
        QVERIFY(InStr(cluster, QStringLiteral("76")) > 0);
        QVERIFY(InStrNoCase(1, cluster, QStringLiteral("maxest")) > 0);
        QVERIFY(InStrNoCase(1, cluster, QStringLiteral(">mRNA sequence")) > 0);
        QVERIFY(InStrNoCase(1, cluster,
                            server + QStringLiteral("/entrez/query.fcgi?cmd=Retrieve")) > 0);
        const int o = InStrNoCase(1, cluster, QStringLiteral("origin"));
        const int s = InStr(o, cluster, QStringLiteral("        1 "));
        QVERIFY(o > 0 && s > o);
        QVERIFY(cluster.mid(s - 1).startsWith(QLatin1String("        1 atgcagaaca")));
        const QString profile = load("profile.html");
        QCOMPARE(profile.count(QLatin1String("CURSOR: help")), 3);
        QCOMPARE(profile.count(QLatin1String("FONT class=text")), 4);
        QVERIFY(profile.contains(QLatin1String("<FONT class=text>12 / 3456</FONT>")));
    }

    void pageToUtf8_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("expected");
        QTest::newRow("utf-8 undeclared") << QByteArray("K\xc3\xbc") << QByteArray() << "K\u00fc";
        QTest::newRow("latin-1 in header")
            << QByteArray("K\xfc") << QByteArray("text/html; charset=ISO-8859-1") << "K\u00fc";
        QTest::newRow("latin-1 in meta") << QByteArray("<meta charset=\"iso-8859-1\">K\xfc")
                                         << QByteArray() << "<meta charset=\"iso-8859-1\">K\u00fc";
        QTest::newRow("header wins over meta")
            << QByteArray("<meta charset=iso-8859-1>K\xc3\xbc")
            << QByteArray("text/html;charset=utf-8") << "<meta charset=iso-8859-1>K\u00fc";
        QTest::newRow("undeclared non-utf-8")
            << QByteArray("\x93q\x94") << QByteArray() << "\u201cq\u201d";
        QTest::newRow("byte order mark dropped")
            << QByteArray("\xef\xbb\xbfx") << QByteArray() << "x";
        QTest::newRow("unknown charset falls back")
            << QByteArray("ab") << QByteArray("text/html; charset=x-nonsense") << "ab";
    }
    void pageToUtf8() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromUtf8(PageToUtf8(bytes, contentType)), expected);
    }
};

QTEST_GUILESS_MAIN(MarkupTest)
#include "test_markup.moc"
