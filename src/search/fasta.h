#pragma once
// Clean FASTA from a run's output lines, for tools downstream.

#include <QString>
#include <QStringList>

namespace quill {

// Every header line of the lines (it starts with "> ") followed by the
// sequence letters of the element after it, 60 to a line; position numbers,
// blanks and line breaks are dropped. A header without sequence letters (a
// model whose record could not be read) is left out. Lines end with LF.
QString CleanFasta(const QStringList& cdnaLines);

}  // namespace quill
