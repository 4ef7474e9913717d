#include "testsupport.h"

#include <QFile>

namespace quill::test {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

QString ReadText(const QString& path) { return QString::fromUtf8(ReadBytes(path)); }

}  // namespace quill::test
