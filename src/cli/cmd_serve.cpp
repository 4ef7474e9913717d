#include "cli/commands.h"

namespace quill::cli {

int RunServe(const QStringList& /*args*/) {
    Err(QStringLiteral("quillfish-cli serve: not available yet"));
    return 1;
}

}  // namespace quill::cli
