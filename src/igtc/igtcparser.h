#pragma once
// Reading a pasted IGTC BLAST result: each query's name and the score that
// follows it, and the queries whose score reaches a minimum.
//
// For every "query=" (letter case ignored) the name runs from the second
// character after the "=" up to the character before the query length of the
// following "(N letters)"; line breaks in the name become blanks, trailing
// blanks are removed, and the control character 0x01 that joins merged
// definition lines becomes " >". The score is read inside the query's own
// section, from its name up to the next "query=": the token after the first
// ")" that follows the section's "Value" (the hit table's column titles),
// read by the leading-number rule and rounded halves to even.
//
// A section that says "***** No hits found" before any "Value" is a query
// without hits: it has no score, is never kept, and is counted in
// queriesWithoutHits.
//
// Text that does not have that shape is handled like this, and the query
// counted in skippedQueries while the rest of the text is processed:
// - no "letters" after the query, or only after the next "query=" (the query
//   has no length line of its own): skipped;
// - no digit-free character between the name start and the length (a name
//   of negative length): skipped;
// - no "value" in the section, or no ")" after that "value" in the section,
//   or nothing but blanks after the ")": skipped;
// - when the ")" does not lie on the first hit row under the "Value" line
//   (reports of databases whose hit rows carry no parentheses), the score is
//   that row's bit score instead: the token before the E-value, counting any
//   further column titles after "Value" (such as "N") as columns after it;
// - when the ")" lies on the first hit row but the token after it does not
//   read as a number (a word of the description, as in "Owl monkey
//   (A.trivirgatus) insulin gene"), the score is that row's bit score too;
// - a score token that runs to the very end of the text is read up to there.
// A no-break space counts as a blank, as the window's text box shows it.
// Scores are compared as whole numbers without a 16-bit limit, so a score
// above 32767 passes every minimum.
//
// The work is linear in the length of the text: every search runs forward
// from where the last one ended, and results shared by several queries are
// reused.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace quill {

// The report forms a pasted text is read as.
enum class BlastFormat {
    None,      // none of the forms below
    Legacy,    // pairwise text with "(N letters)" after each query
    PlusText,  // BLAST+ pairwise text: "Query=" ... "Length=N"
    Tabular,   // BLAST+ tabular, with or without "#" comment lines
    Xml,       // BLAST+ XML
};

// "legacy BLAST text", "BLAST+ text", "BLAST+ tabular", "BLAST+ XML".
QString BlastFormatName(BlastFormat format);

struct IgtcResult {
    QString output;              // the output text
    QStringList names;           // names of the kept queries, in input order
    int queries = 0;             // queries found
    int queriesWithoutHits = 0;  // of those, the ones BLAST found no hits for
    int skippedQueries = 0;      // of those, not readable (see above)
    BlastFormat format = BlastFormat::Legacy;
    // With KeptNames::Bytes (legacy text only): no names and no output text,
    // but the kept names' lines of the output text ("  name" CR LF each) as
    // UTF-8, and their count.
    bool namesAsBytes = false;
    QByteArray keptLines;
    int kept = 0;
};

// How a reading gives the kept names.
enum class KeptNames {
    List,   // names and output text
    Bytes,  // only the output's lines as UTF-8 bytes, where the form allows
};

// The output text of a result as UTF-8 bytes.
QByteArray IgtcOutputUtf8(const IgtcResult& result);

// The output text for these kept names: "No hits found." for none, else the
// count line and the names indented by two blanks, every line ending CR LF.
QString IgtcOutputText(const QStringList& names);

// How line breaks inside a name or a score token count.
enum class LineBreaks {
    AsIs,       // CR and LF are one character each (a CR LF gives two blanks)
    AsTextBox,  // CR LF and a lone CR count as one LF, as a text box shows them
};

// Processes text, as UTF-8 bytes, with the given minimum score
// (ReadBlastReport decodes a report's bytes into them; the command line
// counts line breaks as the window's text box does, so that both give the
// same output for the same text).
IgtcResult ParseIgtcResultsUtf8(const QByteArray& text, int minimum,
                                LineBreaks breaks = LineBreaks::AsIs,
                                KeptNames kept = KeptNames::List);

// Adds to result (its names or keptLines) the queries of text that start
// before limit. For a piece of a longer text: the piece starts at a query's
// "query=" or at the text's start, and runs on past limit (the next query's
// "query=") far enough that each section's end reads as in the whole text.
void AddIgtcQueriesUtf8(const QByteArray& text, qsizetype limit, int minimum, LineBreaks breaks,
                        IgtcResult& result);

// The score read after 1-based position start of text (a name's start),
// inside the section up to the next "query=", rounded halves to even; nullopt
// when the section has no score (no hits, no "value", no ")" after it, or
// nothing after the ")").
std::optional<double> ScoreAfter(const QString& text, int start);
// True when the score read after start is at least minimum; false when it is
// smaller or there is no score.
bool PassesMinimumScore(const QString& text, int start, int minimum);

// How a typed minimum score reads.
struct MinimumScore {
    enum class Status { Ok, Zero, OutOfRange };
    Status status = Status::Zero;
    int value = 0;  // the rounded value when Ok
};
// Reads the minimum score text by the leading-number rule: Zero when it reads
// as 0 (also for text without a number), OutOfRange when the rounded value
// lies outside -32768..32767, else Ok with the value rounded halves to even.
MinimumScore ReadMinimumScore(const QString& text);

// The messages for a minimum score that cannot be used (text and title).
inline const QString kNoTextMessage = QStringLiteral("No text was found");
inline const QString kNoTextTitle = QStringLiteral("Enter IGTC results");
inline const QString kZeroMinimumMessage = QStringLiteral("Enter a valid minimum score");
inline const QString kMinimumTitle = QStringLiteral("Minimum score");
inline const QString kMinimumRangeMessage =
    QStringLiteral("Enter a minimum score between -32768 and 32767");

}  // namespace quill
