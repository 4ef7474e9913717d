#include "cli/commands.h"

namespace quill::cli {

int RunAccession(const QStringList& /*args*/) {
    Err(QStringLiteral("quillfish-cli accession: not available yet"));
    return 1;
}

}  // namespace quill::cli
