#pragma once
// Reading back the hit lists this program saves. Every Save writes quoted
// items (a double quote, the text, a double quote, a line end; quotes inside
// are not escaped), and three of them are lists of hits under heading lines:
//
//   the IGTC hit list   "IGTC search, <date>, <time>, <minimum> minimum cutoff",
//                       "", "<n> hits found on IGTC database:", the names;
//   the unique hits     "<date>, <time>", "<n> unique hits found", "Hits:",
//                       the keys;
//   the screening       one item holding the report: "Expression Profile
//   report              Results for ...", tissue and criteria lines, and
//                       under each section heading the names, TAB-indented.
//
// Such a file reads as its hit entries, in order; the heading lines are no
// hits. Files joined end to end (several saved runs) read as one list.

#include <QString>
#include <QStringList>
#include <optional>

namespace quill {

// The hit entries of text that is in the quoted-item form and holds at least
// one of the headings above (CR LF or LF line ends); nullopt for any other
// text. Items that belong to no heading are entries as they stand.
std::optional<QStringList> SavedListEntries(const QString& text);

}  // namespace quill
