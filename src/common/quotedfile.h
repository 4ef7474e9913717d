#pragma once
// The quoted-item text file that every Save writes: each item is a double
// quote, the text, a double quote and CR LF; quotes inside are not escaped.

#include <QString>
#include <QStringList>

namespace quill {

struct WriteResult {
    bool ok = false;
    QString error;  // "path: reason" when !ok
};

// The file's bytes for these items (UTF-8).
QByteArray QuotedItemsBytes(const QStringList& items);

// Writes bytes atomically: they go to a temporary file beside the target,
// which replaces the target only when everything was written. On failure the
// old file is left as it was and the result names the path and the reason.
WriteResult WriteFileAtomically(const QString& path, const QByteArray& bytes);

// Writes atomically (as above): the items go to a temporary file beside the target,
// which replaces the target only when everything was written. On failure the
// old file is left as it was and the result names the path and the reason.
WriteResult WriteQuotedItems(const QString& path, const QStringList& items);

}  // namespace quill
