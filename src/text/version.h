#pragma once
// The program's version, as the build's project() line names it.

#include <QString>

namespace quill {

// "MAJOR.MINOR.PATCH", the numbers without leading zeros.
QString QuillVersion();

}  // namespace quill
