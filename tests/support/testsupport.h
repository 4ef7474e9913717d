#pragma once
// Helpers shared by the tests.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quill::test {

// Reads a whole file as UTF-8 text (empty when missing).
QString ReadText(const QString& path);
QByteArray ReadBytes(const QString& path);

// A finished quillfish-cli run: exit status (-1 when it crashed) and output.
struct CliRun {
    int status = -1;
    QString out, err;
};
// Runs quillfish-cli with args, input on its standard input.
CliRun Cli(const QStringList& args, const QByteArray& input = {});

// A results text with the dates and times of its headings replaced by WHEN.
QString WithoutTimes(QString text);

}  // namespace quill::test
