#pragma once
// Page markup in the form the search engines read: the children of the page's
// html element, written with upper-case tag names, lower-case attribute
// names, one-word attribute values without quotes, upper-case style property
// names, and text with &, <, > and the no-break space as entities.
// Serializing markup that is already in this form gives the same text back.

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace quill {

// Nesting depth beyond which a page is cut: the parser's time grows with the
// square of the depth, and no real page comes near it.
inline constexpr int kMaxMarkupNesting = 1000;

// The most markup items (tags, comments, texts between them, attributes) of
// a page that is read. The parser's time and memory grow with the nodes it
// makes, some 200 bytes each whatever their size in the page, so a page with
// more items is not read at all: reading one at the limit takes less than
// half a second and some 100 MB at the worst. A cluster page listing 15,000
// ESTs has about 320,000.
inline constexpr qsizetype kMaxMarkupItems = 400000;

// The number of markup items of a page: every "<" (tags, end tags, comments,
// and a "<" in text, to err on the high side), every text before a "<" but
// after something other than a tag's ">", and every attribute of a start
// tag. Each makes at most one node of the parser's tree.
qsizetype CountMarkupItems(const QByteArray& page);

// Parses an HTML document (UTF-8) and serializes the children of its html
// element. A page nested deeper than kMaxMarkupNesting is read up to the tag
// that passes that depth.
QString SerializeMarkup(const QByteArray& utf8Html);
// The same, asking stop() before each parse: nullopt as soon as it answers
// true.
std::optional<QString> SerializeMarkup(const QByteArray& utf8Html,
                                       const std::function<bool()>& stop);

// How much of the page SerializeMarkup reads: all of it, unless its nesting
// passes kMaxMarkupNesting (as estimated from its tags, erring deep).
qsizetype MarkupReadLength(const QByteArray& utf8Html);
inline QString SerializeMarkup(const QString& html) {
    return SerializeMarkup(html.toUtf8());
}

// Rewrites a style attribute value: declarations trimmed, property names in
// upper case, "name: value" pairs joined by "; " ("cursor:help" gives
// "CURSOR: help").
QString NormalizeStyle(const QString& style);

// Converts the bytes of a page to UTF-8. The charset comes from the
// Content-Type header when it names one, else from a meta tag near the start
// of the page, else UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QByteArray PageToUtf8(const QByteArray& bytes, const QByteArray& contentType = {});

}  // namespace quill
