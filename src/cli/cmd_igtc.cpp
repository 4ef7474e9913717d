#include "cli/commands.h"

namespace quill::cli {

int RunIgtc(const QStringList& /*args*/) {
    Err(QStringLiteral("quillfish-cli igtc: not available yet"));
    return 1;
}

}  // namespace quill::cli
