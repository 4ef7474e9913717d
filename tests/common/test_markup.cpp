#include <QThread>
#include <QtTest>

#include "common/markup.h"
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

// Rows of {name, input, expected} into two QString columns.
void Rows(std::initializer_list<std::array<const char*, 3>> rows) {
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("expected");
    for (const auto& r : rows) QTest::newRow(r[0]) << QString(r[1]) << QString(r[2]);
}

// Serializes on a thread with a small stack: the depth of a page must not
// decide how much stack the serializer needs.
QString SerializeOnSmallStack(const QString& html) {
    QString out;
    std::unique_ptr<QThread> thread(QThread::create([&] { out = SerializeMarkup(html); }));
    thread->setStackSize(24 * 1024);
    thread->start();
    thread->wait();
    return out;
}

}  // namespace

class MarkupTest : public QObject {
    Q_OBJECT
  private slots:
    void rules_data() {
        Rows({
            {"tags upper", "<a href=\"x.html\">t</a>", "<A href=\"x.html\">t</A>"},
            {"one word unquoted", "<font class=\"text\">1</font>", "<FONT class=text>1</FONT>"},
            {"percent quoted", "<table width=76%></table>", "<TABLE width=\"76%\"></TABLE>"},
            {"empty quoted", "<p align>x</p>", "<P align=\"\">x</P>"},
            {"hyphen quoted", "<p lang=en-us>x</p>", "<P lang=\"en-us\">x</P>"},
            {"names lower", "<P ALIGN=Right CLASS=Text>x</P>", "<P align=Right class=Text>x</P>"},
            {"ampersand in value", "<a href=\"c.cgi?ORG=Mm&CID=1\">l</a>",
             "<A href=\"c.cgi?ORG=Mm&amp;CID=1\">l</A>"},
            {"escaped once, absolute kept", "<a href=\"http://127.0.0.1:8080/c?a=1&amp;b=9\">l</a>",
             "<A href=\"http://127.0.0.1:8080/c?a=1&amp;b=9\">l</A>"},
            {"quote in value", "<p title='say \"hi\"'>x</p>",
             "<P title=\"say &quot;hi&quot;\">x</P>"},
            {"style normalized", "<p style=\"color: red;font-weight:bold; :x;\">x</p>",
             "<P style=\"COLOR: red; FONT-WEIGHT: bold; :x\">x</P>"},
            {"text entities", "a &amp; b &lt; c &gt; d&nbsp;e", "a &amp; b &lt; c &gt; d&nbsp;e"},
            {"bare ampersand in text", "R&D 5 > 3", "R&amp;D 5 &gt; 3"},
            {"other entities become characters", "&eacute;&#65;", "\u00e9A"},
            {"comment kept", "<!-- keep me -->x", "<!-- keep me -->x"},
            {"void elements", "<br><img src=\"a.gif\"/><input type=checkbox checked>",
             "<BR><IMG src=\"a.gif\"><INPUT type=checkbox checked=\"\">"},
            {"cells closed, tbody implied", "<table><tr><td>1<td>2</table>",
             "<TABLE><TBODY><TR><TD>1</TD><TD>2</TD></TR></TBODY></TABLE>"},
            {"script raw", "<script>if (a < b && c) x();</script>",
             "<SCRIPT>if (a < b && c) x();</SCRIPT>"},
            {"pre keeps blanks", "<pre>ORIGIN\n        1 acgtac gt\n//\n</pre>",
             "<PRE>ORIGIN\n        1 acgtac gt\n//\n</PRE>"},
            {"pre leading line feed", "<pre>\n\nx</pre>", "<PRE>\n\nx</PRE>"},
            {"unknown element", "<foo-bar X=1>t</foo-bar>", "<FOO-BAR x=1>t</FOO-BAR>"},
            {"line breaks kept", "<b>a</b>\n<i>b</i>\n", "<B>a</B>\n<I>b</I>\n"},
            {"name after dropped end tag", "</><r>x", "<R>x</R>"},
            {"control character in name", "<x\x01y>t</x\x01y>", "<X\ufffdY>t</X\ufffdY>"},
        });
        // Broken markup found by fuzzing: only checked to serialize stably.
        // A paragraph moved into another; an end tag in svg that closes more
        // than its element; misnested formatting.
        for (const char* page :
             {"<p>a<table><p>b</table>", "<t><t><t><t><t><t><t><t><t><t><t><svg><c\v/>\n",
              "<b>1<p>2</b>3<table><tr><td>4</b><i>5</table>"})
            QTest::newRow(page) << QString(page) << QString();
        // Whole pages: only checked to serialize stably.
        for (const char* page : {"search.html", "cluster.html", "profile.html", "term.html"})
            QTest::newRow(page) << WebPage(QString::fromLatin1(page)) << QString();
    }
    void rules() {
        QFETCH(QString, in);
        QFETCH(QString, expected);
        if (!expected.isEmpty()) QCOMPARE(Body(in), expected);
        // The serialized form serializes to itself.
        const QString once = SerializeMarkup(in);
        QCOMPARE(SerializeMarkup(once), once);
    }

    void wholeDocument() {
        QCOMPARE(SerializeMarkup(QStringLiteral(
                     "<!DOCTYPE html><html><head><title>T</title></head><body>x</body></html>")),
                 QStringLiteral("<HEAD><TITLE>T</TITLE></HEAD><BODY>x</BODY>"));
        // A fragment without html, head or body gets them from the parser.
        QCOMPARE(SerializeMarkup(QStringLiteral("hello")),
                 QStringLiteral("<HEAD></HEAD><BODY>hello</BODY>"));
        QCOMPARE(SerializeMarkup(QByteArray()), QStringLiteral("<HEAD></HEAD><BODY></BODY>"));
    }

    // A hostile page nests 100,000 levels deep: it is read up to the nesting
    // limit, without exhausting the stack, and serializes stably.
    void deepNesting_data() {
        QTest::addColumn<QString>("tag");
        for (const char* tag : {"div", "span", "b", "table", "svg"}) QTest::newRow(tag) << tag;
    }
    void deepNesting() {
        QFETCH(QString, tag);
        const int levels = 100000;
        const QString page = QString("<%1>").arg(tag).repeated(levels) + "end" +
                             QString("</%1>").arg(tag).repeated(levels);
        const QString out = SerializeOnSmallStack(page);
        QVERIFY(out.startsWith("<HEAD></HEAD><BODY>"));
        QCOMPARE(out.count(QString("<%1>").arg(tag.toUpper())), kMaxMarkupNesting);
        QVERIFY(!out.contains("end"));
        QCOMPARE(SerializeMarkup(out), out);
    }

    // Markup that nests deeper on the parser's side than its tags suggest
    // (closed elements that the parser keeps open or opens again) is cut;
    // sloppy markup that the parser closes as it goes is read whole.
    void nestingEstimate_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("cut");
        for (const char* pattern :
             {"<p><div></p>", "<div><b></div>x", "<li><section><li>", "<noscript><div>",
              "<option><span><option>", "<form><div></form>", "<select><div>", "<x><y></x>",
              "<span><div></span>", "<div title=\"</div>\">", "<svg><g/><div>"})
            QTest::newRow(pattern) << pattern << true;
        for (const char* pattern :
             {"<p><b>x</p>", "<table><tr><td><font>x</td></tr></table>", "<a name=x>y",
              "<li>x<li>y", "<dt>x<dd>y", "<p>x<div>y</div>", "<svg><g/></svg>",
              "<script>if (a<b) x();</script>", "<!-- <div> -->", "<b><i>x</b></i>"})
            QTest::newRow(pattern) << pattern << false;
    }
    void nestingEstimate() {
        QFETCH(QString, pattern);
        QFETCH(bool, cut);
        const QByteArray page = pattern.repeated(5000).toUtf8();
        QCOMPARE(MarkupReadLength(page) < page.size(), cut);
    }

    // Cells of nested tables nest four levels per table on the parser's side.
    void deepTableCells() {
        const QString page = QString("<table><tr><td>x").repeated(20000);
        const QString out = SerializeOnSmallStack(page);
        QVERIFY(out.count("<TD>x") > 300);
        QCOMPARE(SerializeMarkup(out), out);
    }

    void normalizeStyle_data() {
        Rows({
            {"blanks", "  cursor :  help ; ", "CURSOR: help"},
            {"two", "Color:Red;margin-left: 2px", "COLOR: Red; MARGIN-LEFT: 2px"},
            {"already normal", "CURSOR: help; COLOR: red", "CURSOR: help; COLOR: red"},
            {"quoted semicolon", "font-family:'a;b'", "FONT-FAMILY: 'a;b'"},
            {"url kept whole", "background:url(a;b.gif)", "BACKGROUND: url(a;b.gif)"},
            {"empty", "", ""},
            {"no name", "color:red; :x;", "COLOR: red; :x"},
        });
    }
    void normalizeStyle() {
        QFETCH(QString, in);
        QFETCH(QString, expected);
        QCOMPARE(NormalizeStyle(in), expected);
        QCOMPARE(NormalizeStyle(expected), expected);
    }

    void pageToUtf8_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("expected");
        const std::array<const char*, 4> rows[] = {
            {"utf-8 undeclared", "K\xc3\xbc", "", "K\u00fc"},
            {"latin-1 in header", "K\xfc", "text/html; charset=ISO-8859-1", "K\u00fc"},
            {"latin-1 in meta", "<meta charset=\"iso-8859-1\">K\xfc", "",
             "<meta charset=\"iso-8859-1\">K\u00fc"},
            {"header wins over meta", "<meta charset=iso-8859-1>K\xc3\xbc",
             "text/html;charset=utf-8", "<meta charset=iso-8859-1>K\u00fc"},
            {"undeclared non-utf-8", "\x93q\x94", "", "\u201cq\u201d"},
            {"byte order mark dropped", "\xef\xbb\xbfx", "", "x"},
            {"unknown charset falls back", "ab", "text/html; charset=x-nonsense", "ab"},
        };
        for (const auto& r : rows)
            QTest::newRow(r[0]) << QByteArray(r[1]) << QByteArray(r[2]) << QString(r[3]);
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
