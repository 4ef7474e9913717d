#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
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
                        std::unique_ptr<PageServer>& demoServer, bool startDemo) {
    if (line.IsSet(QStringLiteral("ncbi-server")))
        settings.NcbiServerBase =
            Settings::ServerAddress(line.Value(QStringLiteral("ncbi-server")));
    if (line.IsSet(QStringLiteral("igtc-server")))
        settings.IgtcServerBase =
            Settings::ServerAddress(line.Value(QStringLiteral("igtc-server")));
    const std::optional<int> mb = line.Int(QStringLiteral("max-page-mb"), 1, 4096, 0);
    if (!mb) return false;
    if (*mb != 0) settings.MaxPageBytes = qint64{*mb} * 1024 * 1024;
    if (startDemo && line.IsSet(QStringLiteral("demo"))) {
        QString error;
        demoServer = StartDemoServer(settings, &error);
        if (!demoServer) {
            Err(line.Prefix() + error);
            return false;
        }
    }
    return true;
}

void AddSourceOptions(CommandLine& line) {
    line.Add({QStringLiteral("source"),
              {},
              QStringLiteral("where terms are looked up: eutils, today's NCBI through its "
                             "E-utilities (default), or unigene, the archive pages of "
                             "--ncbi-server (with --demo: the bundled set of either)"),
              {QStringLiteral("eutils"), QStringLiteral("unigene")}});
    line.Add({QStringLiteral("eutils-server"), QStringLiteral("URL"),
              QStringLiteral("scheme and host of the E-utilities (default "
                             "https://eutils.ncbi.nlm.nih.gov)")});
    line.Add({QStringLiteral("email"), QStringLiteral("ADDR"),
              QStringLiteral("your e-mail address, sent to NCBI with every request as its usage "
                             "policy asks")});
    line.Add({QStringLiteral("api-key-file"), QStringLiteral("FILE"),
              QStringLiteral("your NCBI API key, the first line of FILE (10 requests a second "
                             "instead of 3); without it the NCBI_API_KEY environment variable")});
    line.Add({QStringLiteral("unigene-map"), QStringLiteral("FILE"),
              QStringLiteral("NCBI's gene2unigene table: a UniGene cluster id (Mm.N, Hs.N) is "
                             "looked up as the genes it names")});
    line.Add({QStringLiteral("batch"),
              {},
              QStringLiteral("on: look the whole list up at NCBI in few requests before the "
                             "terms are taken one by one (default); off: every term by its "
                             "own requests"),
              {QStringLiteral("on"), QStringLiteral("off")}});
    line.Add({QStringLiteral("record"), QStringLiteral("DIR"),
              QStringLiteral("write every E-utilities reply into DIR, a folder --replay serves")});
    line.Add({QStringLiteral("replay"), QStringLiteral("DIR"),
              QStringLiteral("answer from the replies recorded in DIR, on a page server on this "
                             "machine (means --source eutils)")});
}

namespace {

// The API key of --api-key-file (the first line, trimmed), else of the
// NCBI_API_KEY environment variable. nullopt after a message on stderr.
std::optional<QString> ApiKey(const CommandLine& line) {
    const QString path = line.Value(QStringLiteral("api-key-file"));
    if (path.isEmpty()) return Settings::ApiKeyFromEnvironment();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        Err(line.Prefix() + QStringLiteral("cannot read the API key file %1: %2")
                                .arg(QDir::toNativeSeparators(path), file.errorString()));
        return std::nullopt;
    }
    const QString key = QString::fromUtf8(file.readLine()).trimmed();
    if (key.isEmpty()) {
        Err(line.Prefix() + QStringLiteral("the API key file %1 has no key on its first line")
                                .arg(QDir::toNativeSeparators(path)));
        return std::nullopt;
    }
    return key;
}

}  // namespace

bool ApplySourceOptions(const CommandLine& line, Settings& settings,
                        std::unique_ptr<PageServer>& server) {
    const auto set = [&line](const char* name) { return line.IsSet(QString::fromLatin1(name)); };
    const auto value = [&line](const char* name) { return line.Value(QString::fromLatin1(name)); };
    // Options that name where the E-utilities' replies come from, or where
    // they go, against the archive pages' server.
    const char* const eutilsOnly[] = {"eutils-server", "record", "replay"};
    const QString source = value("source");
    for (const char* name : eutilsOnly) {
        QString other;
        if (source == QLatin1String("unigene"))
            other = QStringLiteral("--source unigene");
        else if (set("ncbi-server"))
            other = QStringLiteral("--ncbi-server");
        if (set(name) && !other.isEmpty()) {
            line.UsageError(Dashed(QString::fromLatin1(name)) +
                            QStringLiteral(" does not go with ") + other);
            return false;
        }
    }
    if (source == QLatin1String("eutils") && set("ncbi-server")) {
        line.UsageError(QStringLiteral("--ncbi-server does not go with --source eutils"));
        return false;
    }
    for (const char* name : {"demo", "eutils-server"}) {
        if (set("replay") && set(name)) {
            line.UsageError(QStringLiteral("--replay does not go with ") +
                            Dashed(QString::fromLatin1(name)));
            return false;
        }
    }
    const QString email = value("email");
    if (set("email") && (email.isEmpty() || !email.contains(QLatin1Char('@')) ||
                         email.contains(QRegularExpression(QStringLiteral("\\s"))))) {
        line.UsageError(QStringLiteral("--email takes an e-mail address, not '%1'").arg(email));
        return false;
    }

    const bool eutils =
        source == QLatin1String("eutils") || (source.isEmpty() && !set("ncbi-server"));
    settings.Source = eutils ? Settings::SequenceSource::Eutils : Settings::SequenceSource::UniGene;
    if (set("eutils-server")) settings.EutilsBase = Settings::ServerAddress(value("eutils-server"));
    settings.EutilsEmail = email;
    settings.EutilsBatch = value("batch") != QLatin1String("off");
    const std::optional<QString> key = ApiKey(line);
    if (!key) return false;
    settings.EutilsApiKey = *key;
    if (set("unigene-map")) {
        settings.UniGeneMapFile = value("unigene-map");
        QFile map(settings.UniGeneMapFile);
        if (!map.open(QIODevice::ReadOnly)) {
            Err(line.Prefix() +
                QStringLiteral("cannot read the UniGene map %1: %2")
                    .arg(QDir::toNativeSeparators(settings.UniGeneMapFile), map.errorString()));
            return false;
        }
    }
    if (set("record")) {
        settings.EutilsRecordDir = value("record");
        if (!QDir().mkpath(settings.EutilsRecordDir)) {
            Err(line.Prefix() + QStringLiteral("cannot create the record folder %1")
                                    .arg(QDir::toNativeSeparators(settings.EutilsRecordDir)));
            return false;
        }
    }

    QString error;
    if (set("replay"))
        server = StartReplayServer(value("replay"), settings, &error);
    else if (set("demo"))
        server =
            eutils ? StartEutilsDemoServer(settings, &error) : StartDemoServer(settings, &error);
    if ((set("replay") || set("demo")) && !server) {
        Err(line.Prefix() + error);
        return false;
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
    if (command->sequenceSource) AddSourceOptions(line);
    line.Add(kTermsOption);
    command->pdf.titleRequired = true;
    if (const std::optional<int> end =
            ParseWithOutputs(line, args, &command->savePath, &command->pdf))
        return end;
    if (!ApplyServerOptions(line, command->settings, command->demoServer, !command->sequenceSource))
        return kExitUsage;
    if (command->sequenceSource &&
        !ApplySourceOptions(line, command->settings, command->demoServer))
        return kExitUsage;
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

int CtrlCCancels::FetchRaw(const QString& address, const RawFetch& how, RawReply* reply) {
    if (gInterrupted) module_.CancelSearch = true;
    return inner_.FetchRaw(address, how, reply);
}

}  // namespace quill::cli
