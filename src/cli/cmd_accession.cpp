#include "cli/commands.h"

namespace quill::cli {

// The accession run shares the search command's driver (cmd_search.cpp).
int RunSearchCommand(const QStringList& argsIn, bool accession);

int RunAccession(const QStringList& args) {
    return RunSearchCommand(args, true);
}

}  // namespace quill::cli
