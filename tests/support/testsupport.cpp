#include "testsupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace quill::test {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

QString ReadText(const QString& path) {
    return QString::fromUtf8(ReadBytes(path));
}

CliRun Cli(const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.start(QStringLiteral(QUILL_CLI_PATH), args);
    p.waitForStarted();
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QString WithoutTimes(QString text) {
    static const QRegularExpression heading(
        "Results for [^\r\n]*?, (\\d+ (Mm |Hs )?(queries|sequences|accession))");
    static const QRegularExpression title(
        "cDNA results for \\d\\d-\\d\\d-\\d{4}, \\d\\d:\\d\\d:\\d\\d");
    text.replace(heading, "Results for WHEN, \\1");
    text.replace(title, "cDNA results for WHEN");
    return text;
}

}  // namespace quill::test
