#include <unistd.h>

#include <QStringEncoder>
#include <QTextStream>
#include <cerrno>
#include <cstdio>

#include "cli/commands.h"
#include "web/webpageloader.h"

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
    if (TakeValue(args, QStringLiteral("--max-page-mb"), &value, &err)) {
        bool ok = false;
        const int mb = value.toInt(&ok);
        if (!ok || mb < 1 || mb > 4096)
            err =
                QStringLiteral("--max-page-mb needs a number from 1 to 4096, not '%1'").arg(value);
        else
            settings.MaxPageBytes = qint64{mb} * 1024 * 1024;
    }
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

namespace {
// The first error of a write to standard output (an errno value).
int gOutErrno = 0;
}  // namespace

void Out(const QString& text) {
    // A piece at a time: a long text (a hit list of thousands of names) needs
    // no UTF-8 copy of the whole. The encoder keeps a pair of surrogates that
    // a piece's end splits.
    constexpr qsizetype kPiece = 16384;
    QStringEncoder utf8(QStringEncoder::Utf8);
    for (qsizetype at = 0; at < text.size(); at += kPiece) {
        const QByteArray b = utf8.encode(QStringView(text).mid(at, kPiece));
        if (std::fwrite(b.constData(), 1, b.size(), stdout) != size_t(b.size()) && !gOutErrno)
            gOutErrno = errno;
    }
    if (std::fflush(stdout) != 0 && !gOutErrno) gOutErrno = errno;
}

void OutUtf8(const QByteArray& bytes) {
    if (std::fwrite(bytes.constData(), 1, bytes.size(), stdout) != size_t(bytes.size()) &&
        !gOutErrno)
        gOutErrno = errno;
    if (std::fflush(stdout) != 0 && !gOutErrno) gOutErrno = errno;
}

int OutError() {
    return gOutErrno;
}

TerminalProgress::TerminalProgress() : terminal(isatty(fileno(stderr)) == 1), bar(terminal) {}

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
    if (terminal) std::fputs("\r\033[K", stderr);
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

void TerminalProgress::Waiting(int seconds) {
    const QString text = WaitingText(QStringLiteral("NCBI"), seconds);
    if (terminal) {
        Clear();
        const QByteArray b = text.toLocal8Bit();
        std::fwrite(b.constData(), 1, b.size(), stderr);
        std::fflush(stderr);
    } else if (waitShown < 0 || seconds < waitShown || seconds >= waitShown + 10) {
        Err(text);  // a new wait starts counting from 0 again
    } else {
        return;
    }
    waitShown = seconds;
}

void TerminalProgress::Settled() {
    if (terminal && waitShown >= 0) {
        Clear();
        Draw();
    }
    waitShown = -1;
}

void ShowWaits(WebPageLoader& loader, TerminalProgress& progress) {
    loader.SetWaitWatcher({[&progress](int seconds) { progress.Waiting(seconds); },
                           [&progress] { progress.Settled(); }});
}

namespace {
volatile sig_atomic_t gInterrupted = 0;
void OnInterrupt(int) {
    gInterrupted = 1;
}
}  // namespace

CtrlCCancels::CtrlCCancels(Module1& module, PageLoader& inner) : module_(module), inner_(inner) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart
    sigaction(SIGINT, &action, &previous_);
    watch_.setInterval(50);
    QObject::connect(&watch_, &QTimer::timeout, [this] {
        if (gInterrupted) module_.CancelSearch = true;
    });
    watch_.start();
}

CtrlCCancels::~CtrlCCancels() {
    Finish();
}

void CtrlCCancels::Finish() {
    if (!active_) return;
    active_ = false;
    watch_.stop();
    sigaction(SIGINT, &previous_, nullptr);
}

bool CtrlCCancels::Interrupted() {
    return gInterrupted != 0;
}

int CtrlCCancels::NavigateAndWait(const QString& address) {
    if (gInterrupted) module_.CancelSearch = true;
    return inner_.NavigateAndWait(address);
}

}  // namespace quill::cli
