#pragma once
// The program's version, as the build's project() line names it.

#include <QString>

namespace quill {

// "2.0.0": major, minor and patch, without leading zeros.
QString QuillVersion();

}  // namespace quill
