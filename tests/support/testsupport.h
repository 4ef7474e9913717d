#pragma once
// Helpers shared by the tests.

#include <QString>

namespace quill::test {

// Reads a whole file as UTF-8 text (empty when missing).
QString ReadText(const QString& path);
QByteArray ReadBytes(const QString& path);

}  // namespace quill::test
