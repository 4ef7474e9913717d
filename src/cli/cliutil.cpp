#include <unistd.h>

#include <QTextStream>
#include <cstdio>

#include "cli/commands.h"

namespace quill::cli {

bool TakeValue(QStringList& args, const QString& name, QString* value, QString* error) {
    const qsizetype at = args.indexOf(name);
    if (at < 0) return false;
    if (at + 1 >= args.size()) {
        if (error) *error = name + QStringLiteral(" needs a value");
        args.removeAt(at);
        return false;
    }
    *value = args.at(at + 1);
    args.remove(at, 2);
    return true;
}

bool TakeFlag(QStringList& args, const QString& name) {
    return args.removeAll(name) > 0;
}

bool TakeServerOptions(QStringList& args, Settings& settings,
                       std::unique_ptr<PageServer>& demoServer, QString* error) {
    QString value;
    QString err;
    if (TakeValue(args, QStringLiteral("--ncbi-server"), &value, &err))
        settings.NcbiServerBase = Settings::ServerAddress(value);
    if (TakeValue(args, QStringLiteral("--igtc-server"), &value, &err))
        settings.IgtcServerBase = Settings::ServerAddress(value);
    if (!err.isEmpty()) {
        *error = err;
        return false;
    }
    if (TakeFlag(args, QStringLiteral("--demo"))) {
        demoServer = StartDemoServer(settings, error);
        if (!demoServer) return false;
    }
    return true;
}

void Err(const QString& text) {
    const QByteArray b = text.toLocal8Bit();
    std::fwrite(b.constData(), 1, b.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void Out(const QString& text) {
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, b.size(), stdout);
    std::fflush(stdout);
}

TerminalProgress::TerminalProgress() : bar(isatty(fileno(stderr)) == 1) {}

void TerminalProgress::Draw() const {
    if (!bar) return;
    const int value = qBound(0, progress, 1000);
    const int filled = value * 40 / 1000;
    const QString text = QStringLiteral("\r[") + QString(filled, QLatin1Char('#')) +
                         QString(40 - filled, QLatin1Char(' ')) +
                         QStringLiteral("] %1%").arg(value / 10);
    const QByteArray b = text.toLocal8Bit();
    std::fwrite(b.constData(), 1, b.size(), stderr);
    std::fflush(stderr);
}

void TerminalProgress::Clear() const {
    if (bar) std::fputs("\r\033[K", stderr);
}

void TerminalProgress::Line(const QString& text) const {
    Clear();
    Err(text);
    Draw();
}

void TerminalProgress::Add(int units) {
    progress += units;
    Draw();
}

}  // namespace quill::cli
