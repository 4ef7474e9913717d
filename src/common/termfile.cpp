// Plain text reading only, until the spreadsheet readers land.
#include "common/termfile.h"

#include <QFile>

namespace quill {

TermFileResult ReadTermFile(const QString& path, const TermFileRule&) {
    TermFileResult r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.error = path + QStringLiteral(": ") + f.errorString();
        return r;
    }
    QString text = QString::fromUtf8(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    r.terms = text.split(QLatin1Char('\n'));
    if (!r.terms.isEmpty() && r.terms.last().isEmpty()) r.terms.removeLast();
    r.ok = true;
    return r;
}

}  // namespace quill
