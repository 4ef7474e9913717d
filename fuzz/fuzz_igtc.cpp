// Reads arbitrary bytes as a BLAST report in every form, and checks that the
// readings agree with what they promise: the output text belongs to the kept
// names, no more queries are kept, skipped or without hits than were found,
// names hold no line break and no 0x01, and the bytes read as the same text
// in the window's text box (decoded as the input rules decode them) does.

#include <cstdint>
#include <cstdlib>

#include "igtc/blastreports.h"
#include "igtc/igtcparser.h"
#include "text/textrules.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckResult(const quill::IgtcResult& r) {
    Check(r.names.size() + r.skippedQueries + r.queriesWithoutHits <= r.queries);
    Check(r.format == quill::BlastFormat::None || r.output == quill::IgtcOutputText(r.names));
    for (const QString& name : r.names)
        Check(!name.contains(QLatin1Char('\n')) && !name.contains(QLatin1Char('\r')) &&
              !name.contains(QChar(0x01)));
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
        // The bytes read the same as the window's text of them.
        const QString text = quill::DecodeInputText(bytes);
        if (minimum == 1 && !text.isEmpty())
            quill::PassesMinimumScore(text, int(size % size_t(text.size())) + 1, minimum);
        const quill::IgtcResult window = quill::ReadBlastReport(text, minimum);
        Check(window.format == box.format && window.names == box.names &&
              window.skippedQueries == box.skippedQueries &&
              window.queriesWithoutHits == box.queriesWithoutHits);
    }
    return 0;
}
