// Reply bytes -> every E-utilities reply parser and the GenBank cutter, as a
// run meets them from a server, a proxy or a broken stream. Besides memory
// errors and undefined behaviour, checks that the parsers keep their own
// promises: a reply with an error holds no results, and every GenBank record
// that is kept ends with "//".
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "eutils/eutils.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const quill::ESearchReply search = quill::ParseESearch(body);
    if (!search.error.isEmpty() && !search.ids.isEmpty()) Fail("esearch: error and ids");
    const quill::GeneSummaryReply genes = quill::ParseGeneSummaries(body);
    if (!genes.error.isEmpty() && !genes.genes.isEmpty()) Fail("gene esummary: error and genes");
    const quill::NuccoreSummaryReply records = quill::ParseNuccoreSummaries(body);
    if (!records.error.isEmpty() && !records.records.isEmpty())
        Fail("nuccore esummary: error and records");
    quill::ParseELink(body, QStringLiteral("gene_nuccore_refseqrna"));
    quill::ParseELink(body, QString());
    const quill::GenBankReply genbank = quill::ParseGenBank(body);
    for (const quill::GenBankRecord& r : genbank.records)
        if (!r.text.trimmed().endsWith(QStringLiteral("//"))) Fail("GenBank record without //");
    quill::IsHtmlPage(body);
    return 0;
}
