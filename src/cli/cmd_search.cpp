#include "cli/commands.h"

namespace quill::cli {

int RunSearch(const QStringList& /*args*/) {
    Err(QStringLiteral("quillfish-cli search: not available yet"));
    return 1;
}

}  // namespace quill::cli
