#include "cli/commands.h"

namespace quill::cli {

int RunGet(const QStringList& /*args*/) {
    Err(QStringLiteral("quillfish-cli get: not available yet"));
    return 1;
}

}  // namespace quill::cli
