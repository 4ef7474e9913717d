// Page bytes -> markup as the search engines read it. Besides memory errors
// and undefined behaviour, checks that serializing the serializer's own
// output gives the same text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "web/markup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray page = quill::PageToUtf8(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const QString once = quill::SerializeMarkup(page);
    const QString twice = quill::SerializeMarkup(once);
    if (once != twice) {
        std::fprintf(stderr, "serializing the output changed it\nonce:  %s\ntwice: %s\n",
                     once.toUtf8().constData(), twice.toUtf8().constData());
        std::abort();
    }
    return 0;
}
