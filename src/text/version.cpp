#include "text/version.h"

namespace quill {

QString QuillVersion() {
    // The parts come from CMake (see src/CMakeLists.txt, quill_core).
    return QStringLiteral("%1.%2.%3")
        .arg(QUILL_VERSION_MAJOR)
        .arg(QUILL_VERSION_MINOR)
        .arg(QUILL_VERSION_PATCH);
}

}  // namespace quill
