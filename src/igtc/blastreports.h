#pragma once
// Reading the BLAST reports that labs write today besides the pairwise text
// of the IGTC site: which form a pasted text has, and the queries whose best
// hit reaches a minimum score in each form.
//
// - Legacy pairwise text ("(N letters)" after a query): ParseIgtcResultsUtf8.
// - BLAST+ pairwise text ("Query=" ... "Length=N"): the name is the Query=
//   line and its continuation lines up to "Length=", joined by blanks; the
//   score is the highest bit score of the rows of the query's hit table; a
//   query with "***** No hits found *****" has no score.
// - Tabular (with or without "#" comment lines): one query per query id (or
//   per "# Query:" line), in first-appearance order; the score is the highest
//   bit score of its rows (the twelfth column, or the column that a
//   "# Fields:" line names "bit score"); the name is the "# Query:" line where
//   there is one, else the query id.
// - XML: the name is Iteration_query-def, the score the highest
//   Hsp_bit-score of the iteration.
// Scores are rounded halves to even and kept when at least the minimum; the
// output text is IgtcOutputText of the kept names, in which the control
// character 0x01 of merged definition lines shows as " >". Queries that BLAST
// found no hits for ("No hits found", a "# Query:" block without rows, an
// iteration without HSPs) are counted as queries without hits; queries whose
// score cannot be read (a query without its length line or hit table, a
// table row without a bit score column) are counted as skipped. Every reading
// is linear in the length of the text.
//
// A report's bytes are read as UTF-8 when they are valid UTF-8, else as
// Windows-1252 (DecodeInputText), so that a legacy Latin-1 name keeps its
// characters.

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include "igtc/igtcparser.h"

namespace quill {

// The form of the report, None when it has none of the forms above.
BlastFormat DetectBlastFormat(const QByteArray& bytes);

// Reads the report in the form it has. For BlastFormat::None the result has
// no names and the output text is kNotBlastMessage.
// With KeptNames::Bytes, a legacy text's kept names come as bytes only
// (IgtcOutputUtf8 gives the output).
IgtcResult ReadBlastReport(const QByteArray& bytes, int minimum,
                           LineBreaks breaks = LineBreaks::AsIs, KeptNames kept = KeptNames::List);
// The same for a file, read a piece (pieceSize bytes) at a time where the
// form allows: a legacy text is read in pieces that end at a query, with the
// same results as the whole text gives.
IgtcResult ReadBlastReportFile(QIODevice& in, int minimum, LineBreaks breaks, KeptNames kept,
                               qsizetype pieceSize = qsizetype(1) << 20);
// The same over the text of the window's text box.
IgtcResult ReadBlastReport(const QString& text, int minimum);

// What was read, for the user: "Read as BLAST+ tabular." and, when there
// are such queries, " 2 queries without hits." and " 1 query could not be
// read."
QString ReadingSummary(const IgtcResult& result);

inline const QString kNotBlastMessage = QStringLiteral(
    "This does not look like a BLAST report. Paste the whole report, from its first "
    "\"Query=\" line on: the text the BLAST page shows, or a BLAST+ report written with "
    "-outfmt 0 (the default), 5, 6 or 7.");
inline const QString kNotBlastTitle = QStringLiteral("BLAST report");

}  // namespace quill
