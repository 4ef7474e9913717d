// Reads arbitrary bytes as a BLAST report in every form, and checks that the
// readings agree with what they promise: the output text belongs to the kept
// names, no more queries are kept or skipped than were found, and the text of
// the window's text box reads as the same bytes do.

#include <cstdint>
#include <cstdlib>

#include "igtc/blastreports.h"
#include "igtc/igtcparser.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckResult(const quill::IgtcResult& r) {
    Check(r.names.size() + r.skippedQueries <= r.queries);
    Check(r.format == quill::BlastFormat::None || r.output == quill::IgtcOutputText(r.names));
    for (const QString& name : r.names)
        Check(!name.contains(QLatin1Char('\n')) && !name.contains(QLatin1Char('\r')));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (int minimum : {-32768, 1, 200}) {
        const quill::IgtcResult r = quill::ReadBlastReport(bytes, minimum);
        CheckResult(r);
        Check(r.format == quill::DetectBlastFormat(bytes));
        CheckResult(quill::ParseIgtcResultsUtf8(bytes, minimum, quill::LineBreaks::AsIs));
        const quill::IgtcResult box =
            quill::ReadBlastReport(bytes, minimum, quill::LineBreaks::AsTextBox);
        CheckResult(box);
        // Valid UTF-8 reads the same as the window's text.
        const QString text = QString::fromUtf8(bytes);
        if (minimum == 1 && !text.isEmpty())
            quill::PassesMinimumScore(text, int(size % size_t(text.size())) + 1, minimum);
        if (text.toUtf8() == bytes) {
            const quill::IgtcResult window = quill::ReadBlastReport(text, minimum);
            Check(window.names == box.names && window.skippedQueries == box.skippedQueries);
        }
    }
    return 0;
}
