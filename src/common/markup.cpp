#include "common/markup.h"

#include <gumbo.h>

#include <QRegularExpression>
#include <QStringConverter>
#include <QStringDecoder>
#include <cstring>
#include <string>

namespace quill {

namespace {

bool IsVoid(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_AREA:
        case GUMBO_TAG_BASE:
        case GUMBO_TAG_BASEFONT:
        case GUMBO_TAG_BGSOUND:
        case GUMBO_TAG_BR:
        case GUMBO_TAG_COL:
        case GUMBO_TAG_EMBED:
        case GUMBO_TAG_FRAME:
        case GUMBO_TAG_HR:
        case GUMBO_TAG_IMAGE:
        case GUMBO_TAG_IMG:
        case GUMBO_TAG_INPUT:
        case GUMBO_TAG_KEYGEN:
        case GUMBO_TAG_LINK:
        case GUMBO_TAG_META:
        case GUMBO_TAG_PARAM:
        case GUMBO_TAG_SOURCE:
        case GUMBO_TAG_TRACK:
        case GUMBO_TAG_WBR:
            return true;
        default:
            return false;
    }
}

// Elements whose text the parser takes literally; it is written back as is.
bool IsRawText(GumboTag tag) {
    switch (tag) {
        case GUMBO_TAG_SCRIPT:
        case GUMBO_TAG_STYLE:
        case GUMBO_TAG_XMP:
        case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_NOEMBED:
        case GUMBO_TAG_NOFRAMES:
        case GUMBO_TAG_PLAINTEXT:
            return true;
        default:
            return false;
    }
}

// The parser drops one line feed right after these start tags.
bool DropsLeadingNewline(GumboTag tag) {
    return tag == GUMBO_TAG_PRE || tag == GUMBO_TAG_TEXTAREA || tag == GUMBO_TAG_LISTING;
}

void AppendUpper(std::string& out, const char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        char c = s[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        out.push_back(c);
    }
}

void AppendLower(std::string& out, const char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        out.push_back(c);
    }
}

std::string TagName(const GumboElement& el) {
    std::string name;
    if (el.tag != GUMBO_TAG_UNKNOWN) {
        const char* n = gumbo_normalized_tagname(el.tag);
        AppendUpper(name, n, std::strlen(n));
        return name;
    }
    GumboStringPiece piece = el.original_tag;
    gumbo_tag_from_original_text(&piece);
    AppendUpper(name, piece.data, piece.length);
    return name;
}

void AppendEscapedText(std::string& out, const char* s) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s); *p; ++p) {
        switch (*p) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case 0xC2:
                if (p[1] == 0xA0) {
                    out += "&nbsp;";
                    ++p;
                } else {
                    out.push_back(static_cast<char>(*p));
                }
                break;
            default:
                out.push_back(static_cast<char>(*p));
        }
    }
}

bool IsOneWord(const char* s) {
    if (!*s) return false;
    for (; *s; ++s) {
        const char c = *s;
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

void AppendAttributeValue(std::string& out, const char* value) {
    if (IsOneWord(value)) {
        out += value;
        return;
    }
    out.push_back('"');
    for (const char* p = value; *p; ++p) {
        if (*p == '&')
            out += "&amp;";
        else if (*p == '"')
            out += "&quot;";
        else
            out.push_back(*p);
    }
    out.push_back('"');
}

void AppendNode(std::string& out, const GumboNode* node, bool rawText);

void AppendElement(std::string& out, const GumboNode* node) {
    const GumboElement& el = node->v.element;
    const std::string name = TagName(el);
    out.push_back('<');
    out += name;
    for (unsigned i = 0; i < el.attributes.length; ++i) {
        const auto* attr = static_cast<const GumboAttribute*>(el.attributes.data[i]);
        out.push_back(' ');
        const size_t nameStart = out.size();
        AppendLower(out, attr->name, std::strlen(attr->name));
        const bool isStyle = out.compare(nameStart, std::string::npos, "style") == 0;
        out.push_back('=');
        if (isStyle) {
            const QByteArray style = NormalizeStyle(QString::fromUtf8(attr->value)).toUtf8();
            AppendAttributeValue(out, style.constData());
        } else {
            AppendAttributeValue(out, attr->value);
        }
    }
    out.push_back('>');
    if (IsVoid(el.tag)) return;

    const bool raw = IsRawText(el.tag);
    if (DropsLeadingNewline(el.tag) && el.children.length > 0) {
        const auto* first = static_cast<const GumboNode*>(el.children.data[0]);
        if ((first->type == GUMBO_NODE_TEXT || first->type == GUMBO_NODE_WHITESPACE) &&
            first->v.text.text[0] == '\n')
            out.push_back('\n');
    }
    for (unsigned i = 0; i < el.children.length; ++i)
        AppendNode(out, static_cast<const GumboNode*>(el.children.data[i]), raw);
    out += "</";
    out += name;
    out.push_back('>');
}

void AppendNode(std::string& out, const GumboNode* node, bool rawText) {
    switch (node->type) {
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE:
            AppendElement(out, node);
            break;
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_WHITESPACE:
            if (rawText)
                out += node->v.text.text;
            else
                AppendEscapedText(out, node->v.text.text);
            break;
        case GUMBO_NODE_CDATA:
            out += "<![CDATA[";
            out += node->v.text.text;
            out += "]]>";
            break;
        case GUMBO_NODE_COMMENT:
            out += "<!--";
            out += node->v.text.text;
            out += "-->";
            break;
        case GUMBO_NODE_DOCUMENT:
            break;
    }
}

}  // namespace

QString NormalizeStyle(const QString& style) {
    QStringList parts;
    QString current;
    QChar quote;
    int depth = 0;
    auto flush = [&parts, &current] {
        const qsizetype colon = current.indexOf(QLatin1Char(':'));
        if (colon > 0) {
            const QString name = current.left(colon).trimmed().toUpper();
            const QString value = current.mid(colon + 1).trimmed();
            if (!name.isEmpty()) parts << name + QStringLiteral(": ") + value;
        } else if (!current.trimmed().isEmpty()) {
            parts << current.trimmed();
        }
        current.clear();
    };
    for (const QChar c : style) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            if (depth > 0) --depth;
        } else if (c == QLatin1Char(';') && depth == 0) {
            flush();
            continue;
        }
        current += c;
    }
    flush();
    return parts.join(QStringLiteral("; "));
}

QString SerializeMarkup(const QByteArray& utf8Html) {
    // Parse errors are of no use here; not recording them saves time on
    // sloppy pages.
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    GumboOutput* output = gumbo_parse_with_options(&options, utf8Html.constData(),
                                                   static_cast<size_t>(utf8Html.size()));
    std::string out;
    out.reserve(static_cast<size_t>(utf8Html.size()) + utf8Html.size() / 8 + 64);
    const GumboNode* root = output->root;
    if (root && root->type == GUMBO_NODE_ELEMENT) {
        const GumboVector& children = root->v.element.children;
        for (unsigned i = 0; i < children.length; ++i)
            AppendNode(out, static_cast<const GumboNode*>(children.data[i]), false);
    }
    gumbo_destroy_output(&options, output);
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

namespace {

QByteArray CharsetFromContentType(const QByteArray& contentType) {
    static const QRegularExpression re(QStringLiteral("charset\\s*=\\s*[\"']?([A-Za-z0-9._:-]+)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(QString::fromLatin1(contentType));
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

QByteArray CharsetFromMeta(const QByteArray& bytes) {
    static const QRegularExpression re(
        QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?([A-Za-z0-9._:-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(QString::fromLatin1(bytes.left(2048)));
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

bool IsUtf8Name(const QByteArray& name) {
    const QByteArray n = name.toLower();
    return n == "utf-8" || n == "utf8";
}

}  // namespace

QByteArray PageToUtf8(const QByteArray& bytes, const QByteArray& contentType) {
    QByteArray charset = CharsetFromContentType(contentType);
    if (charset.isEmpty()) charset = CharsetFromMeta(bytes);
    if (!charset.isEmpty() && !IsUtf8Name(charset)) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid()) return QString(decoder(bytes)).toUtf8();
    }
    if (charset.isEmpty() || IsUtf8Name(charset)) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString text = utf8(bytes);
        if (!utf8.hasError()) return bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
        if (IsUtf8Name(charset)) return text.toUtf8();  // declared UTF-8: bad bytes replaced
    }
    QStringDecoder latin(QStringConverter::Latin1);
    QStringDecoder cp1252("windows-1252");
    return QString(cp1252.isValid() ? cp1252(bytes) : latin(bytes)).toUtf8();
}

}  // namespace quill
