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
// which replaces the target only when every write, the flush to disk and the
// close succeeded. On failure the old file is left as it was and the result
// names the path and the system's reason ("No space left on device"). A
// target that exists and is no regular file (a named pipe, a device) is
// written into instead; a link is followed.
WriteResult WriteFileAtomically(const QString& path, const QByteArray& bytes);

// WriteFileAtomically with the quoted items.
WriteResult WriteQuotedItems(const QString& path, const QStringList& items);

}  // namespace quill
