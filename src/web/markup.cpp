#include "web/markup.h"

#include <gumbo.h>

#include <QRegularExpression>
#include <QStringConverter>
#include <QStringDecoder>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

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

bool IsHtml(const GumboElement& el) {
    return el.tag_namespace == GUMBO_NAMESPACE_HTML;
}

bool IsScriptEnd(std::string_view t, size_t i) {
    // "script" in any case, then a blank, "/" or ">".
    static constexpr std::string_view kName = "script";
    if (i + kName.size() >= t.size()) return false;
    for (size_t k = 0; k < kName.size(); ++k) {
        char c = t[i + k];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kName[k]) return false;
    }
    const char after = t[i + kName.size()];
    return after == ' ' || after == '\t' || after == '\n' || after == '\f' || after == '\r' ||
           after == '/' || after == '>';
}

// Whether the text of a script leaves the parser inside a doubly escaped part
// ("<!--<script>" not followed by its "</script>" or "-->"), where the
// script's own end tag would be read as more text. Only a script that ran to
// the end of the page can hold such a text.
bool ScriptTextEndsDoublyEscaped(std::string_view t) {
    enum { Data, Escaped, Double } state = Data;
    int dashes = 0;
    for (size_t i = 0; i < t.size();) {
        const char c = t[i];
        if (state == Data) {
            if (t.substr(i, 4) == "<!--") {
                state = Escaped;
                dashes = 2;
                i += 4;
            } else {
                ++i;
            }
            continue;
        }
        if (c == '-') {
            ++dashes;
            ++i;
            continue;
        }
        if (c == '>' && dashes >= 2) {
            state = Data;
        } else if (c == '<' && state == Escaped && IsScriptEnd(t, i + 1)) {
            state = Double;
            i += 7;  // "<script" and the character after it
        } else if (c == '<' && state == Double && i + 1 < t.size() && t[i + 1] == '/' &&
                   IsScriptEnd(t, i + 2)) {
            state = Escaped;
            i += 8;  // "</script" and the character after it
        }
        dashes = 0;
        ++i;
    }
    return state == Double;
}

// Whether the element's end tag, written after its text, would not end it:
// a plaintext element never ends, a script in a doubly escaped part neither.
bool EndTagWouldBeText(const GumboElement& el) {
    if (!IsHtml(el)) return false;
    if (el.tag == GUMBO_TAG_PLAINTEXT) return true;
    if (el.tag != GUMBO_TAG_SCRIPT || el.children.length == 0) return false;
    const auto* text = static_cast<const GumboNode*>(el.children.data[0]);
    return text->type == GUMBO_NODE_TEXT && ScriptTextEndsDoublyEscaped(text->v.text.text);
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

// Appends the element's tag name in upper case.
bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsHtmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

void AppendTagName(std::string& out, const GumboElement& el) {
    if (el.tag != GUMBO_TAG_UNKNOWN) {
        const char* n = gumbo_normalized_tagname(el.tag);
        AppendUpper(out, n, std::strlen(n));
        return;
    }
    // The name as the parser reads it from the tag's text: from the first
    // "<" or "</" followed by a letter (the text may start with a dropped
    // "</>") up to a blank, "/" or ">". Control characters are written as
    // U+FFFD: the parser does not match end tags holding them reliably.
    const char* p = el.original_tag.data;
    const char* end = p ? p + el.original_tag.length : p;
    for (; p < end; ++p) {
        if (*p != '<') continue;
        const char* q = p + 1 < end && p[1] == '/' ? p + 2 : p + 1;
        if (q < end && IsAsciiAlpha(*q)) {
            p = q;
            break;
        }
    }
    for (; p < end && !IsHtmlSpace(*p) && *p != '/' && *p != '>'; ++p) {
        if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F)
            out += "\xEF\xBF\xBD";
        else
            AppendUpper(out, p, 1);
    }
}

void AppendEscapedText(std::string& out, const char* s) {
    const char* run = s;  // start of the characters not yet written
    for (const char* p = s;; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c != '&' && c != '<' && c != '>' && c != 0xC2 && c != 0) continue;
        out.append(run, static_cast<size_t>(p - run));
        run = p + 1;
        switch (c) {
            case 0:
                return;
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:  // 0xC2
                if (static_cast<unsigned char>(p[1]) == 0xA0) {
                    out += "&nbsp;";
                    run = ++p + 1;
                } else {
                    run = p;
                }
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

bool IsAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsAsciiSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsAsciiSpace(s.back())) s.remove_suffix(1);
    return s;
}

// NormalizeStyle on the bytes of an ASCII value, without the round trip
// through UTF-16; other values take that way.
std::string NormalizedStyle(const char* value) {
    const std::string_view style(value);
    if (std::any_of(style.begin(), style.end(), [](char c) { return c & 0x80; }))
        return NormalizeStyle(QString::fromUtf8(value)).toStdString();
    std::string out;
    auto flush = [&out](std::string_view declaration) {
        const std::string_view part = Trimmed(declaration);
        if (part.empty()) return;
        if (!out.empty()) out += "; ";
        const size_t colon = part.find(':');
        if (colon != std::string_view::npos && colon > 0) {
            const std::string_view name = Trimmed(part.substr(0, colon));
            AppendUpper(out, name.data(), name.size());
            out += ": ";
            out += Trimmed(part.substr(colon + 1));
        } else {
            out += part;
        }
    };
    char quote = 0;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < style.size(); ++i) {
        const char c = style[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth > 0) --depth;
        } else if (c == ';' && depth == 0) {
            flush(style.substr(start, i - start));
            start = i + 1;
        }
    }
    flush(style.substr(start));
    return out;
}

// Writes the start tag; returns where the tag name stands in out and sets
// its length.
size_t AppendStartTag(std::string& out, const GumboElement& el, size_t& nameLen) {
    out.push_back('<');
    const size_t nameAt = out.size();
    AppendTagName(out, el);
    nameLen = out.size() - nameAt;
    for (unsigned i = 0; i < el.attributes.length; ++i) {
        const auto* attr = static_cast<const GumboAttribute*>(el.attributes.data[i]);
        out.push_back(' ');
        const size_t attrAt = out.size();
        AppendLower(out, attr->name, std::strlen(attr->name));
        const bool isStyle = out.compare(attrAt, std::string::npos, "style") == 0;
        out.push_back('=');
        if (isStyle) {
            AppendAttributeValue(out, NormalizedStyle(attr->value).c_str());
        } else {
            AppendAttributeValue(out, attr->value);
        }
    }
    out.push_back('>');
    return nameAt;
}

// Writes a node that has no children of its own.
void AppendLeaf(std::string& out, const GumboNode* node, bool rawText) {
    switch (node->type) {
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
        default:
            break;
    }
}

const GumboNode* Child(const GumboElement& el, unsigned i) {
    return static_cast<const GumboNode*>(el.children.data[i]);
}

// An element whose children are being written.
struct OpenElement {
    const GumboElement* el;
    unsigned next;  // index of the next child to write
    size_t nameAt;  // where the tag name stands in the output
    size_t nameLen;
    bool raw;
};

// What the walk over a tree found besides the text.
struct WalkInfo {
    size_t depth = 1;    // greatest depth met
    unsigned flags = 0;  // the parse flags of all nodes
};

// Whether nothing but end tags (and an empty body, which the parser adds
// again) would follow the innermost open element.
bool OnlyEndsFollow(const std::vector<OpenElement>& open) {
    for (const OpenElement& level : open) {
        for (unsigned i = level.next; i < level.el->children.length; ++i) {
            const GumboNode* node = Child(*level.el, i);
            const bool emptyBody =
                node->type == GUMBO_NODE_ELEMENT && node->v.element.tag == GUMBO_TAG_BODY &&
                node->v.element.children.length == 0 && node->v.element.attributes.length == 0;
            if (!emptyBody) return false;
        }
    }
    return true;
}

// Writes the children of the given element, depth first, with an explicit
// stack so that the depth of a page cannot exhaust the call stack.
WalkInfo AppendChildren(std::string& out, const GumboElement& top) {
    std::vector<OpenElement> open;
    open.push_back({&top, 0, 0, 0, false});
    WalkInfo info;
    while (!open.empty()) {
        OpenElement& cur = open.back();
        if (cur.next == cur.el->children.length) {
            if (open.size() > 1) {
                // An element that ran to the end of the page and whose end
                // tag would be read as its text: the page ends with its text,
                // so that it parses back the same.
                if (EndTagWouldBeText(*cur.el) && OnlyEndsFollow(open)) return info;
                out += "</";
                out.append(out, cur.nameAt, cur.nameLen);
                out.push_back('>');
            }
            open.pop_back();
            continue;
        }
        const GumboNode* node = Child(*cur.el, cur.next++);
        info.flags |= node->parse_flags;
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) {
            AppendLeaf(out, node, cur.raw);
            continue;
        }
        const GumboElement& el = node->v.element;
        size_t nameLen = 0;
        const size_t nameAt = AppendStartTag(out, el, nameLen);
        // Void, raw text and dropped line feeds are rules of HTML elements;
        // an svg or math element of the same name is written like any other.
        const bool html = IsHtml(el);
        if (html && IsVoid(el.tag)) continue;
        if (html && DropsLeadingNewline(el.tag) && el.children.length > 0) {
            const GumboNode* first = Child(el, 0);
            if ((first->type == GUMBO_NODE_TEXT || first->type == GUMBO_NODE_WHITESPACE) &&
                first->v.text.text[0] == '\n')
                out.push_back('\n');
        }
        open.push_back({&el, 0, nameAt, nameLen, html && IsRawText(el.tag)});
        info.depth = std::max(info.depth, open.size());
    }
    return info;
}

// --- Nesting limit ---
// Gumbo looks through its stack of open elements for most tags, so its time
// grows with the square of the nesting depth (100,000 nested div elements
// take minutes). The page is therefore cut where its nesting passes
// kMaxMarkupNesting, as estimated from the tags alone: an element counts as
// open from its start tag until an end tag that the parser would let close
// it. Where unsure, the estimate errs on the deep side.

// A set of tags, tested in constant time.
class TagSet {
  public:
    constexpr TagSet(std::initializer_list<GumboTag> tags) {
        for (const GumboTag t : tags) bits_[t / 64] |= uint64_t{1} << (t % 64);
    }
    constexpr bool Has(GumboTag t) const { return (bits_[t / 64] >> (t % 64)) & 1; }

  private:
    uint64_t bits_[GUMBO_TAG_LAST / 64 + 1] = {};
};

// Elements that an end tag of an ordinary element cannot close past.
// clang-format off
constexpr TagSet kSpecial{
    GUMBO_TAG_ADDRESS, GUMBO_TAG_APPLET, GUMBO_TAG_ARTICLE, GUMBO_TAG_ASIDE,
    GUMBO_TAG_BLOCKQUOTE, GUMBO_TAG_BODY, GUMBO_TAG_BUTTON, GUMBO_TAG_CAPTION, GUMBO_TAG_CENTER,
    GUMBO_TAG_COLGROUP, GUMBO_TAG_DD, GUMBO_TAG_DETAILS, GUMBO_TAG_DIR, GUMBO_TAG_DIV,
    GUMBO_TAG_DL, GUMBO_TAG_DT, GUMBO_TAG_FIELDSET, GUMBO_TAG_FIGCAPTION, GUMBO_TAG_FIGURE,
    GUMBO_TAG_FOOTER, GUMBO_TAG_FORM, GUMBO_TAG_FRAMESET, GUMBO_TAG_H1, GUMBO_TAG_H2,
    GUMBO_TAG_H3, GUMBO_TAG_H4, GUMBO_TAG_H5, GUMBO_TAG_H6, GUMBO_TAG_HEAD, GUMBO_TAG_HEADER,
    GUMBO_TAG_HGROUP, GUMBO_TAG_HTML, GUMBO_TAG_LI, GUMBO_TAG_LISTING, GUMBO_TAG_MAIN,
    GUMBO_TAG_MARQUEE, GUMBO_TAG_MENU, GUMBO_TAG_MENUITEM, GUMBO_TAG_NAV, GUMBO_TAG_OBJECT,
    GUMBO_TAG_OL, GUMBO_TAG_P, GUMBO_TAG_PRE, GUMBO_TAG_SECTION, GUMBO_TAG_SELECT,
    GUMBO_TAG_SUMMARY, GUMBO_TAG_TABLE, GUMBO_TAG_TBODY, GUMBO_TAG_TD, GUMBO_TAG_TEMPLATE,
    GUMBO_TAG_TFOOT, GUMBO_TAG_TH, GUMBO_TAG_THEAD, GUMBO_TAG_TR, GUMBO_TAG_UL, GUMBO_TAG_SVG,
    GUMBO_TAG_MATH, GUMBO_TAG_FOREIGNOBJECT, GUMBO_TAG_DESC, GUMBO_TAG_MI, GUMBO_TAG_MO,
    GUMBO_TAG_MN, GUMBO_TAG_MS, GUMBO_TAG_MTEXT, GUMBO_TAG_ANNOTATION_XML};
// clang-format on

// Elements that end tags of the elements inside them cannot close past.
// clang-format off
constexpr TagSet kScopeBoundary{
    GUMBO_TAG_APPLET, GUMBO_TAG_CAPTION, GUMBO_TAG_HTML, GUMBO_TAG_TABLE, GUMBO_TAG_TD,
    GUMBO_TAG_TH, GUMBO_TAG_MARQUEE, GUMBO_TAG_OBJECT, GUMBO_TAG_TEMPLATE, GUMBO_TAG_SVG,
    GUMBO_TAG_MATH, GUMBO_TAG_FOREIGNOBJECT, GUMBO_TAG_DESC, GUMBO_TAG_MI, GUMBO_TAG_MO,
    GUMBO_TAG_MN, GUMBO_TAG_MS, GUMBO_TAG_MTEXT, GUMBO_TAG_ANNOTATION_XML, GUMBO_TAG_BUTTON,
    GUMBO_TAG_OL, GUMBO_TAG_UL};
// clang-format on

// Whether an element of tag `closer` (an end tag, or a start tag that
// closes an open one of its kind) cannot reach past an open `open`.
bool StopsAt(GumboTag closer, GumboTag open) {
    switch (closer) {
        case GUMBO_TAG_OPTION:  // closes the current node only
            return true;
        case GUMBO_TAG_LI:
        case GUMBO_TAG_DD:
            return kSpecial.Has(open) && open != GUMBO_TAG_ADDRESS && open != GUMBO_TAG_DIV &&
                   open != GUMBO_TAG_P;
        case GUMBO_TAG_TABLE:
            return open == GUMBO_TAG_HTML || open == GUMBO_TAG_TEMPLATE;
        case GUMBO_TAG_TBODY:
        case GUMBO_TAG_THEAD:
        case GUMBO_TAG_TFOOT:
        case GUMBO_TAG_TR:
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
        case GUMBO_TAG_CAPTION:
        case GUMBO_TAG_COLGROUP:
            return open == GUMBO_TAG_TABLE || open == GUMBO_TAG_HTML || open == GUMBO_TAG_TEMPLATE;
        default:
            return kSpecial.Has(closer) ? kScopeBoundary.Has(open) : kSpecial.Has(open);
    }
}

// Start tags that close an open element of their own kind: the kind, or
// GUMBO_TAG_UNKNOWN for none.
GumboTag ClosesOwnKind(GumboTag t) {
    switch (t) {
        case GUMBO_TAG_P:
        case GUMBO_TAG_LI:
        case GUMBO_TAG_A:
        case GUMBO_TAG_NOBR:
        case GUMBO_TAG_BUTTON:
        case GUMBO_TAG_OPTION:
            return t;
        case GUMBO_TAG_DT:
        case GUMBO_TAG_DD:
            return GUMBO_TAG_DD;
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
            return GUMBO_TAG_TD;
        case GUMBO_TAG_TR:
            return GUMBO_TAG_TR;
        case GUMBO_TAG_TBODY:
        case GUMBO_TAG_THEAD:
        case GUMBO_TAG_TFOOT:
            return GUMBO_TAG_TBODY;
        default:
            return GUMBO_TAG_UNKNOWN;
    }
}

GumboTag Kind(GumboTag t) {
    const GumboTag k = ClosesOwnKind(t);
    return k == GUMBO_TAG_UNKNOWN ? t : k;
}

// Elements whose content is text up to their own end tag.
bool HoldsText(GumboTag t) {
    return IsRawText(t) || t == GUMBO_TAG_TEXTAREA || t == GUMBO_TAG_TITLE;
}

// Start tags that close an open p element.
// clang-format off
constexpr TagSet kClosesParagraph{
    GUMBO_TAG_ADDRESS, GUMBO_TAG_ARTICLE, GUMBO_TAG_ASIDE, GUMBO_TAG_BLOCKQUOTE, GUMBO_TAG_CENTER,
    GUMBO_TAG_DETAILS, GUMBO_TAG_DIR, GUMBO_TAG_DIV, GUMBO_TAG_DL, GUMBO_TAG_FIELDSET,
    GUMBO_TAG_FIGCAPTION, GUMBO_TAG_FIGURE, GUMBO_TAG_FOOTER, GUMBO_TAG_HEADER, GUMBO_TAG_HGROUP,
    GUMBO_TAG_MAIN, GUMBO_TAG_MENU, GUMBO_TAG_NAV, GUMBO_TAG_OL, GUMBO_TAG_SECTION,
    GUMBO_TAG_SUMMARY, GUMBO_TAG_UL, GUMBO_TAG_H1, GUMBO_TAG_H2, GUMBO_TAG_H3, GUMBO_TAG_H4,
    GUMBO_TAG_H5, GUMBO_TAG_H6, GUMBO_TAG_PRE, GUMBO_TAG_LISTING, GUMBO_TAG_FORM, GUMBO_TAG_XMP,
    GUMBO_TAG_LI, GUMBO_TAG_DD, GUMBO_TAG_DT};
// clang-format on

// Elements the parser adds where they are missing.
// clang-format off
constexpr TagSet kImplied{
    GUMBO_TAG_HTML, GUMBO_TAG_HEAD, GUMBO_TAG_BODY, GUMBO_TAG_TBODY, GUMBO_TAG_THEAD,
    GUMBO_TAG_TFOOT, GUMBO_TAG_COLGROUP};
// clang-format on

// Formatting elements: the parser opens them again after an element around
// them closed them.
// clang-format off
constexpr TagSet kFormatting{
    GUMBO_TAG_A, GUMBO_TAG_B, GUMBO_TAG_BIG, GUMBO_TAG_CODE, GUMBO_TAG_EM, GUMBO_TAG_FONT,
    GUMBO_TAG_I, GUMBO_TAG_NOBR, GUMBO_TAG_S, GUMBO_TAG_SMALL, GUMBO_TAG_STRIKE, GUMBO_TAG_STRONG,
    GUMBO_TAG_TT, GUMBO_TAG_U};
// Elements whose end forgets the formatting elements opened inside them.
constexpr TagSet kMarker{
    GUMBO_TAG_TD, GUMBO_TAG_TH, GUMBO_TAG_CAPTION, GUMBO_TAG_APPLET, GUMBO_TAG_MARQUEE,
    GUMBO_TAG_OBJECT, GUMBO_TAG_TEMPLATE};
// clang-format on

// Start tags before which the parser opens closed formatting elements again.
bool OpensFormatting(GumboTag t) {
    return !kSpecial.Has(t) || t == GUMBO_TAG_APPLET || t == GUMBO_TAG_MARQUEE ||
           t == GUMBO_TAG_OBJECT || t == GUMBO_TAG_BUTTON || t == GUMBO_TAG_SELECT ||
           t == GUMBO_TAG_SVG || t == GUMBO_TAG_MATH;
}

class NestingEstimate {
  public:
    // The length of the page's start that stays within the nesting limit.
    size_t Cut(const char* s, size_t n);

  private:
    struct Open {
        // Unknown elements all have the same tag: the parser closes the
        // innermost one at the end tag of any of them.
        GumboTag tag;
        uint32_t attrs;  // hash of the attributes of a formatting element
        int markers;     // markers open around it
    };
    // How far down the stack a closing tag is looked for.
    static constexpr size_t kReach = 64;
    // Formatting elements alike that the parser keeps for opening again.
    static constexpr int kAlike = 3;

    // Closes the topmost open element that matches, unless a stopper or the
    // reach comes first; returns whether it did.
    template <typename Match>
    bool CloseDownTo(GumboTag closer, Match match) {
        const size_t floor = open_.size() > kReach ? open_.size() - kReach : 0;
        for (size_t i = open_.size(); i-- > floor;) {
            if (match(open_[i])) {
                while (open_.size() > i + 1) Pop(true);
                Pop(false);
                return true;
            }
            if (StopsAt(closer, open_[i].tag)) return false;
        }
        return false;
    }
    // A formatting element closed by another element's end is kept to be
    // opened again; the end of a marker forgets those kept inside it.
    void Pop(bool keep) {
        const Open top = open_.back();
        open_.pop_back();
        if (top.tag == GUMBO_TAG_SVG || top.tag == GUMBO_TAG_MATH) --foreign_;
        if (kMarker.Has(top.tag)) {
            --markers_;
            while (!closed_.empty() && closed_.back().markers > markers_) closed_.pop_back();
        }
        if (!keep || !kFormatting.Has(top.tag)) return;
        int alike = 0;
        for (size_t i = closed_.size(); i-- > 0 && closed_[i].markers == markers_;) {
            if (closed_[i].tag == top.tag && closed_[i].attrs == top.attrs && ++alike == kAlike) {
                closed_.erase(closed_.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
        closed_.push_back(top);
    }
    // Opens again the kept formatting elements; false past the limit.
    bool Reopen() {
        size_t from = closed_.size();  // the ones kept inside the current marker
        while (from > 0 && closed_[from - 1].markers == markers_) --from;
        for (size_t k = from; k < closed_.size(); ++k) {
            if (!Push(closed_[k])) {
                closed_.erase(closed_.begin() + static_cast<std::ptrdiff_t>(from),
                              closed_.begin() + static_cast<std::ptrdiff_t>(k));
                return false;
            }
        }
        closed_.resize(from);
        return true;
    }
    bool Push(const Open& o) {
        if (open_.size() >= static_cast<size_t>(kMaxMarkupNesting)) return false;
        open_.push_back({o.tag, o.attrs, markers_});
        if (o.tag == GUMBO_TAG_SVG || o.tag == GUMBO_TAG_MATH) ++foreign_;
        if (kMarker.Has(o.tag)) ++markers_;
        return true;
    }

    std::vector<Open> open_;
    std::vector<Open> closed_;  // formatting elements to open again, oldest first
    int foreign_ = 0;           // open svg and math elements
    int markers_ = 0;           // open markers
};

uint32_t LowerNameHash(const char* s, size_t n) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return h;
}

// Position of the first "</name" (any case) at or after from, or npos.
size_t FindEndTag(const char* s, size_t n, size_t from, GumboTag tag) {
    const char* name = gumbo_normalized_tagname(tag);
    const size_t len = std::strlen(name);
    while (from < n) {
        const void* lt = std::memchr(s + from, '<', n - from);
        if (!lt) return std::string::npos;
        const size_t at = static_cast<size_t>(static_cast<const char*>(lt) - s);
        if (at + 2 + len <= n && s[at + 1] == '/' &&
            LowerNameHash(s + at + 2, len) == LowerNameHash(name, len))
            return at;
        from = at + 1;
    }
    return std::string::npos;
}

size_t NestingEstimate::Cut(const char* s, size_t n) {
    size_t i = 0;
    size_t text = 0;  // where the text since the last tag starts
    for (;;) {
        const void* lt = i < n ? std::memchr(s + i, '<', n - i) : nullptr;
        const size_t at = lt ? static_cast<size_t>(static_cast<const char*>(lt) - s) : n;
        // Text opens the kept formatting elements again.
        if (at > text && !Reopen()) return text;
        if (at + 1 >= n) return n;
        i = at + 1;
        if (s[i] == '!' || s[i] == '?' ||
            (s[i] == '/' && (i + 1 >= n || !IsAsciiAlpha(s[i + 1])))) {
            // Comment, doctype, processing instruction or bogus end tag.
            const bool comment = s[i] == '!' && i + 2 < n && s[i + 1] == '-' && s[i + 2] == '-';
            const char* close = comment ? "-->" : ">";
            const char* end = std::search(s + i + 1, s + n, close, close + std::strlen(close));
            if (end == s + n) return n;
            text = i = static_cast<size_t>(end - s) + std::strlen(close);
            continue;
        }
        const bool endTag = s[i] == '/';
        if (endTag) ++i;
        if (!IsAsciiAlpha(s[i])) continue;  // a "<" in text
        const size_t nameAt = i;
        while (i < n && !IsHtmlSpace(s[i]) && s[i] != '/' && s[i] != '>') ++i;
        const size_t nameLen = i - nameAt;
        const GumboTag tag = gumbo_tagn_enum(s + nameAt, static_cast<unsigned>(nameLen));
        // The end of the tag; quoted attribute values may hold ">".
        const size_t attrsAt = i;
        while (i < n && s[i] != '>') {
            if (s[i++] != '=') continue;
            while (i < n && IsHtmlSpace(s[i])) ++i;
            if (i < n && (s[i] == '"' || s[i] == '\'')) {
                const void* q = std::memchr(s + i + 1, s[i], n - i - 1);
                if (!q) return n;
                i = static_cast<size_t>(static_cast<const char*>(q) - s) + 1;
            }
        }
        if (i >= n) return n;  // an unfinished tag is dropped by the parser
        const bool selfClosing = s[i - 1] == '/';
        text = ++i;
        if (endTag) {
            // The end of a form leaves the elements inside it open.
            if (tag != GUMBO_TAG_FORM &&
                !CloseDownTo(tag, [tag](const Open& o) { return o.tag == tag; })) {
                // The end of a formatting element that was closed already
                // forgets it.
                for (size_t k = closed_.size(); k-- > 0;) {
                    if (closed_[k].tag == tag) {
                        closed_.erase(closed_.begin() + static_cast<std::ptrdiff_t>(k));
                        break;
                    }
                }
            }
            continue;
        }
        if (OpensFormatting(tag) && !Reopen()) return at;
        // The parser adds html, head, body and table sections where they are
        // missing, so they are not counted: the serialized page, which has
        // them all, must not be cut earlier than the page itself.
        if (IsVoid(tag) || kImplied.Has(tag) || (selfClosing && foreign_ > 0)) continue;
        if (foreign_ == 0 && tag == GUMBO_TAG_PLAINTEXT) return n;
        if (foreign_ == 0 && HoldsText(tag)) {
            const size_t end = FindEndTag(s, n, i, tag);
            if (end == std::string::npos) return n;
            text = i = end;
            continue;
        }
        if (kClosesParagraph.Has(tag))
            CloseDownTo(GUMBO_TAG_P, [](const Open& o) { return o.tag == GUMBO_TAG_P; });
        const GumboTag kind = ClosesOwnKind(tag);
        if (kind != GUMBO_TAG_UNKNOWN)
            CloseDownTo(kind, [kind](const Open& o) { return Kind(o.tag) == kind; });
        const uint32_t attrs = kFormatting.Has(tag) ? LowerNameHash(s + attrsAt, i - attrsAt) : 0;
        if (!Push({tag, attrs, 0})) return at;
    }
}

// Beyond this depth the tree is made flat before gumbo frees it: gumbo frees
// a node's children recursively.
constexpr size_t kFlattenDepth = 256;

// Makes every node a child of the document, so that freeing the tree recurses
// one level only. The nodes keep everything they own except the list of
// their children, which is emptied (its storage is still freed with them).
void Flatten(GumboOutput* output) {
    GumboVector& top = output->document->v.document.children;
    std::vector<GumboNode*> all;
    std::vector<GumboNode*> pending(reinterpret_cast<GumboNode**>(top.data),
                                    reinterpret_cast<GumboNode**>(top.data) + top.length);
    while (!pending.empty()) {
        GumboNode* node = pending.back();
        pending.pop_back();
        all.push_back(node);
        if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
            GumboVector& children = node->v.element.children;
            for (unsigned i = 0; i < children.length; ++i)
                pending.push_back(static_cast<GumboNode*>(children.data[i]));
            children.length = 0;
        }
    }
    void** data = static_cast<void**>(std::malloc(all.size() * sizeof(void*)));
    if (!data) std::abort();
    std::memcpy(data, all.data(), all.size() * sizeof(void*));
    std::free(top.data);
    top.data = data;
    top.length = top.capacity = static_cast<unsigned>(all.size());
}

// The tree's memory comes from malloc, so that Flatten can replace a list.
void* Allocate(void*, size_t size) {
    return std::malloc(size);
}
void Deallocate(void*, void* ptr) {
    std::free(ptr);
}

}  // namespace

QString NormalizeStyle(const QString& style) {
    QStringList parts;
    QString current;
    QChar quote;
    int depth = 0;
    // A declaration without a name before its colon is kept as it is, so
    // that a normalized style normalizes to itself.
    auto flush = [&parts, &current] {
        const QString part = current.trimmed();
        current.clear();
        if (part.isEmpty()) return;
        const qsizetype colon = part.indexOf(QLatin1Char(':'));
        if (colon > 0)
            parts << part.left(colon).trimmed().toUpper() + QStringLiteral(": ") +
                         part.mid(colon + 1).trimmed();
        else
            parts << part;
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

namespace {

// Parse flags of nodes that the parser moved, cloned or reopened to mend
// misnested markup.
constexpr unsigned kReshaped =
    GUMBO_INSERTION_RECONSTRUCTED_FORMATTING_ELEMENT | GUMBO_INSERTION_ADOPTION_AGENCY_CLONED |
    GUMBO_INSERTION_ADOPTION_AGENCY_MOVED | GUMBO_INSERTION_FOSTER_PARENTED;

// Rounds of parsing the serialized text again; one or two suffice in
// practice.
constexpr int kMaxRounds = 8;

// Whether the document starts with the one doctype that is no parse error.
bool HasPlainDoctype(const GumboDocument& doc) {
    return doc.has_doctype && std::strcmp(doc.name, "html") == 0 && !*doc.public_identifier &&
           (!*doc.system_identifier ||
            std::strcmp(doc.system_identifier, "about:legacy-compat") == 0);
}

struct Serialized {
    std::string text;
    // The parser reported more than a missing or old doctype, or mended the
    // tree: its serialized form may parse into a different tree.
    bool mended = false;
};

Serialized SerializeOnce(const char* html, size_t size) {
    // Only whether there were parse errors beyond the doctype matters;
    // recording few saves time on sloppy pages.
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = Allocate;
    options.deallocator = Deallocate;
    options.max_errors = 2;
    GumboOutput* output =
        gumbo_parse_with_options(&options, html, NestingEstimate().Cut(html, size));
    Serialized result;
    result.text.reserve(size + size / 8 + 64);
    const GumboNode* root = output->root;
    WalkInfo info;
    if (root && root->type == GUMBO_NODE_ELEMENT)
        info = AppendChildren(result.text, root->v.element);
    const unsigned doctypeErrors = HasPlainDoctype(output->document->v.document) ? 0 : 1;
    result.mended = (info.flags & kReshaped) || output->errors.length > doctypeErrors;
    if (info.depth > kFlattenDepth) Flatten(output);
    gumbo_destroy_output(&options, output);
    return result;
}

}  // namespace

qsizetype MarkupReadLength(const QByteArray& utf8Html) {
    return static_cast<qsizetype>(
        NestingEstimate().Cut(utf8Html.constData(), static_cast<size_t>(utf8Html.size())));
}

qsizetype CountMarkupItems(const QByteArray& page) {
    qsizetype count = 0;
    const char* p = page.constData();
    const char* end = p + page.size();
    while (p < end) {
        const void* lt = std::memchr(p, '<', static_cast<size_t>(end - p));
        if (!lt) break;
        // The text before it, unless a tag ends right there.
        if (lt != page.constData() && static_cast<const char*>(lt)[-1] != '>') ++count;
        p = static_cast<const char*>(lt) + 1;
        ++count;
        if (p == end || !IsAsciiAlpha(*p)) continue;
        // A start tag: its name, then each attribute up to the ">".
        while (p < end && !IsHtmlSpace(*p) && *p != '/' && *p != '>') ++p;
        while (p < end && *p != '>') {
            if (IsHtmlSpace(*p) || *p == '/') {
                ++p;
                continue;
            }
            ++count;  // an attribute name
            while (p < end && !IsHtmlSpace(*p) && *p != '/' && *p != '>' && *p != '=') ++p;
            while (p < end && IsHtmlSpace(*p)) ++p;
            if (p == end || *p != '=') continue;
            ++p;
            while (p < end && IsHtmlSpace(*p)) ++p;
            if (p < end && (*p == '"' || *p == '\'')) {
                const void* q = std::memchr(p + 1, *p, static_cast<size_t>(end - p - 1));
                p = q ? static_cast<const char*>(q) + 1 : end;
            } else {
                while (p < end && !IsHtmlSpace(*p) && *p != '>') ++p;
            }
        }
    }
    return count;
}

std::optional<QString> SerializeMarkup(const QByteArray& utf8Html,
                                       const std::function<bool()>& stop) {
    if (stop && stop()) return std::nullopt;
    Serialized result = SerializeOnce(utf8Html.constData(), static_cast<size_t>(utf8Html.size()));
    // The tree of broken markup may serialize to text that parses into a
    // different tree. Such text is parsed again until it is stable, so that
    // serializing the result gives the same text.
    if (result.mended) {
        for (int round = 0; round < kMaxRounds; ++round) {
            if (stop && stop()) return std::nullopt;
            Serialized again = SerializeOnce(result.text.data(), result.text.size());
            if (again.text == result.text) break;
            result = std::move(again);
        }
    }
    if (stop && stop()) return std::nullopt;
    return QString::fromUtf8(result.text.data(), static_cast<qsizetype>(result.text.size()));
}

QString SerializeMarkup(const QByteArray& utf8Html) {
    return *SerializeMarkup(utf8Html, {});
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
