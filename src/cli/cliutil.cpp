#include <unistd.h>

#include <QStringEncoder>
#include <QTextStream>
#include <cerrno>
#include <cstdio>

#include "cli/commands.h"
#include "web/webpageloader.h"

namespace quill::cli {

void AddServerOptions(CommandLine& line) {
    line.Add({QStringLiteral("ncbi-server"), QStringLiteral("URL"),
              QStringLiteral("scheme and host of the NCBI web server")});
    line.Add({QStringLiteral("igtc-server"), QStringLiteral("URL"),
              QStringLiteral("scheme and host of the IGTC web site")});
    line.Add({QStringLiteral("demo"),
              {},
              QStringLiteral("use the bundled sample pages, on a page server on this machine")});
    line.Add({QStringLiteral("max-page-mb"), QStringLiteral("N"),
              QStringLiteral("the largest page read, in MB (default 16)")});
}

bool ApplyServerOptions(const CommandLine& line, Settings& settings,
                        std::unique_ptr<PageServer>& demoServer) {
    if (line.IsSet(QStringLiteral("ncbi-server")))
        settings.NcbiServerBase =
            Settings::ServerAddress(line.Value(QStringLiteral("ncbi-server")));
    if (line.IsSet(QStringLiteral("igtc-server")))
        settings.IgtcServerBase =
            Settings::ServerAddress(line.Value(QStringLiteral("igtc-server")));
    const std::optional<int> mb = line.Int(QStringLiteral("max-page-mb"), 1, 4096, 0);
    if (!mb) return false;
    if (*mb != 0) settings.MaxPageBytes = qint64{*mb} * 1024 * 1024;
    if (line.IsSet(QStringLiteral("demo"))) {
        QString error;
        demoServer = StartDemoServer(settings, &error);
        if (!demoServer) {
            Err(line.Prefix() + error);
            return false;
        }
    }
    return true;
}

namespace {

// Adds --save FILE and the report options, and parses args.
std::optional<int> ParseWithOutputs(CommandLine& line, const QStringList& args, QString* savePath,
                                    ReportPdfOptions* pdf) {
    line.Add(kSaveOption);
    pdf->AddTo(line);
    if (const std::optional<int> end = line.Parse(args)) return end;
    if (!pdf->Read(line)) return kExitUsage;
    *savePath = line.Value(kSaveOption.name);
    return std::nullopt;
}

}  // namespace

std::optional<int> ParseTermsCommand(CommandLine& line, const QStringList& args,
                                     TermsCommand* command) {
    AddServerOptions(line);
    line.Add(kTermsOption);
    command->pdf.titleRequired = true;
    if (const std::optional<int> end =
            ParseWithOutputs(line, args, &command->savePath, &command->pdf))
        return end;
    if (!ApplyServerOptions(line, command->settings, command->demoServer)) return kExitUsage;
    command->termsFile = line.Value(kTermsOption.name);
    return std::nullopt;
}

std::optional<int> ParseInputCommand(CommandLine& line, const QStringList& args,
                                     InputCommand* command) {
    if (const std::optional<int> end =
            ParseWithOutputs(line, args, &command->savePath, &command->pdf))
        return end;
    if (line.IsSet(kSaveOption.name) && command->savePath.isEmpty())
        return line.UsageError(QStringLiteral("--save needs a file name"));
    const QStringList inputs = line.Positional();
    if (inputs.size() > 1)
        return line.UsageError(QStringLiteral("only one INPUT file may be given"));
    if (!inputs.isEmpty() && inputs.first() != QLatin1String("-")) command->input = inputs.first();
    return std::nullopt;
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
