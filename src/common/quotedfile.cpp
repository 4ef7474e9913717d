#include "common/quotedfile.h"

#include <QSaveFile>

namespace quill {

QByteArray QuotedItemsBytes(const QStringList& items) {
    QByteArray out;
    for (const QString& item : items) {
        out += '"';
        out += item.toUtf8();
        out += "\"\r\n";
    }
    return out;
}

WriteResult WriteQuotedItems(const QString& path, const QStringList& items) {
    return WriteFileAtomically(path, QuotedItemsBytes(items));
}

WriteResult WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, path + QStringLiteral(": ") + file.errorString()};
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {false, path + QStringLiteral(": ") + reason};
    }
    if (!file.commit()) return {false, path + QStringLiteral(": ") + file.errorString()};
    return {true, {}};
}

}  // namespace quill
