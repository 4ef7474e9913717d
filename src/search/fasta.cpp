#include "search/fasta.h"

namespace quill {

QString CleanFasta(const QStringList& cdnaLines) {
    QString out;
    for (qsizetype i = 0; i + 1 < cdnaLines.size(); ++i) {
        const QString& header = cdnaLines.at(i);
        if (!header.startsWith(QLatin1String("> "))) continue;
        QString letters;
        for (const QChar c : cdnaLines.at(i + 1)) {
            if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) letters += c;
        }
        ++i;  // the sequence element is used up
        if (letters.isEmpty()) continue;
        out += header + QLatin1Char('\n');
        for (qsizetype at = 0; at < letters.size(); at += 60)
            out += letters.mid(at, 60) + QLatin1Char('\n');
    }
    return out;
}

}  // namespace quill
