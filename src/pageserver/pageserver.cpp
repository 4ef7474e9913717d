#include "pageserver/pageserver.h"
#include "web/settings.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace quill {

namespace {

const char* const kPlaceholder = "{{SERVER}}";
const char* const kNotFoundPage =
    "<html><head><title>404</title></head><body><h1>404</h1>"
    "<p>There is no page at this address on the sample page server.</p></body></html>\n";

struct Fault {
    enum Kind { None, Delay, Hang, Endless, Status, Drop, Redirect };
    Kind kind = None;
    int delayMs = 0;
    int status = 0;
    int retryAfter = -1;   // seconds, sent with the status
    int times = -1;        // applies to the first n requests only; -1: always
    std::string location;  // path on this server that a redirect leads to
};

struct Entry {
    QString file;
    std::string body;
    std::string contentType;
    Fault fault;
    std::atomic<int> served{0};
};

bool ParseFault(const QString& text, Fault* fault, QString* error) {
    for (const QString& rawPart : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString part = rawPart.trimmed();
        const QString name = part.section(QLatin1Char('='), 0, 0).trimmed().toLower();
        const QString value = part.section(QLatin1Char('='), 1).trimmed();
        bool ok = true;
        if (name == QLatin1String("delay")) {
            fault->kind = Fault::Delay;
            fault->delayMs = value.toInt(&ok);
        } else if (name == QLatin1String("hang")) {
            fault->kind = Fault::Hang;
        } else if (name == QLatin1String("endless")) {
            fault->kind = Fault::Endless;
        } else if (name == QLatin1String("redirect")) {
            fault->kind = Fault::Redirect;
            fault->location = value.toStdString();
            ok = value.startsWith(QLatin1Char('/'));
        } else if (name == QLatin1String("drop")) {
            fault->kind = Fault::Drop;
        } else if (name == QLatin1String("status")) {
            fault->kind = Fault::Status;
            fault->status = value.toInt(&ok);
            ok = ok && fault->status >= 100 && fault->status <= 599;
        } else if (name == QLatin1String("retry-after")) {
            fault->retryAfter = value.toInt(&ok);
        } else if (name == QLatin1String("times")) {
            fault->times = value.toInt(&ok);
        } else {
            ok = false;
        }
        if (!ok || (name == QLatin1String("delay") && fault->delayMs < 0)) {
            *error = QStringLiteral("unknown fault '%1'").arg(part);
            return false;
        }
    }
    return true;
}

std::string ContentTypeFor(const QString& file) {
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QLatin1String("txt")) return "text/plain";
    if (suffix == QLatin1String("css")) return "text/css";
    if (suffix == QLatin1String("xml")) return "text/xml";
    return "text/html";
}

// The query as the index writes it: percent-decoded, "+" left alone.
std::string DecodeQuery(const std::string& query) {
    return QByteArray::fromPercentEncoding(QByteArray::fromStdString(query)).toStdString();
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

struct PageServer::Impl {
    QString dir;
    QString error;
    QString host;
    int port = 0;
    QHash<QString, std::shared_ptr<Entry>> index;
    // Requests ending in "*": the text before it and its entry, longest first.
    QList<std::pair<QString, std::shared_ptr<Entry>>> prefixes;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    std::atomic<int> requests{0};
    std::chrono::steady_clock::time_point started;
    QList<qint64> arrivals;  // guarded by mutex
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::condition_variable wake;

    bool LoadIndex();
    void Handle(const httplib::Request& req, httplib::Response& res);
    // Waits ms milliseconds or until the server stops; false when stopping.
    bool Sleep(int ms) {
        std::unique_lock lock(mutex);
        return !wake.wait_for(lock, std::chrono::milliseconds(ms),
                              [this] { return stopping.load(); });
    }
    std::string Base(const httplib::Request& req) const {
        if (host == QLatin1String("0.0.0.0") || host == QLatin1String("::")) {
            const std::string h = req.get_header_value("Host");
            if (!h.empty()) return "http://" + h;
        }
        return BaseUrlText().toStdString();
    }
    QString BaseUrlText() const {
        const QString h =
            host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
        return QStringLiteral("http://%1:%2").arg(h).arg(port);
    }
};

bool PageServer::Impl::LoadIndex() {
    const QString indexPath = QDir(dir).filePath(QStringLiteral("index.tsv"));
    QFile file(indexPath);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1").arg(QDir::toNativeSeparators(indexPath));
        return false;
    }
    int lineNo = 0;
    while (!file.atEnd()) {
        ++lineNo;
        QString line = QString::fromUtf8(file.readLine());
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList cols = line.split(QLatin1Char('\t'));
        auto fail = [&](const QString& why) {
            error = QStringLiteral("%1 line %2: %3").arg(indexPath).arg(lineNo).arg(why);
            return false;
        };
        if (cols.size() < 2 || cols.size() > 3 || cols[0].isEmpty())
            return fail(QStringLiteral("expected request TAB file [TAB fault]"));
        auto entry = std::make_shared<Entry>();
        entry->file = cols[1].trimmed();
        if (cols.size() == 3 && !ParseFault(cols[2], &entry->fault, &error)) return fail(error);
        if (!entry->file.isEmpty() && entry->file != QLatin1String("-")) {
            QFile page(QDir(dir).filePath(entry->file));
            if (!page.open(QIODevice::ReadOnly))
                return fail(QStringLiteral("cannot read page file %1").arg(entry->file));
            entry->body = page.readAll().toStdString();
            entry->contentType = ContentTypeFor(entry->file);
        } else {
            entry->contentType = "text/html";
        }
        if (cols[0].endsWith(QLatin1Char('*')))
            prefixes.append({cols[0].chopped(1), entry});
        else
            index.insert(cols[0], entry);
    }
    std::stable_sort(prefixes.begin(), prefixes.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    return true;
}

void PageServer::Impl::Handle(const httplib::Request& req, httplib::Response& res) {
    ++requests;
    {
        std::lock_guard lock(mutex);
        arrivals << std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - started)
                        .count();
    }
    // A POSTed form is looked up as the same request by GET would be.
    std::string key = req.path;
    const size_t q = req.target.find('?');
    if (req.method == "POST" && !req.body.empty()) {
        key += '?';
        key += DecodeQuery(req.body);
    } else if (q != std::string::npos && q + 1 < req.target.size()) {
        key += '?';
        key += DecodeQuery(req.target.substr(q + 1));
    }
    const QString request = QString::fromStdString(key);
    std::shared_ptr<Entry> match = index.value(request);
    for (qsizetype i = 0; !match && i < prefixes.size(); ++i)
        if (request.startsWith(prefixes[i].first)) match = prefixes[i].second;
    if (!match) {
        res.status = 404;
        res.set_content(kNotFoundPage, "text/html");
        return;
    }
    Entry& entry = *match;
    Fault fault = entry.fault;
    const int nth = entry.served++;
    if (fault.times >= 0 && nth >= fault.times) fault.kind = Fault::None;

    std::string body = entry.body;
    ReplaceAll(body, kPlaceholder, Base(req));
    switch (fault.kind) {
        case Fault::Delay:
            if (!Sleep(fault.delayMs)) return;
            break;
        case Fault::Hang:
            // Headers go out, the page never completes. A blank now and then
            // notices a client that has gone away, so no thread stays stuck.
            res.set_chunked_content_provider("text/html", [this](size_t, httplib::DataSink& sink) {
                while (Sleep(200)) {
                    if (!sink.write(" ", 1)) return false;
                }
                return false;
            });
            return;
        case Fault::Endless: {
            // The page's text again and again, some 64 KB at a time: a body
            // without end.
            auto text = std::make_shared<std::string>(body.empty() ? std::string(" ") : body);
            while (text->size() < 65536) *text += *text;
            const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
            res.set_chunked_content_provider(
                entry.contentType, [this, text, until](size_t, httplib::DataSink& sink) {
                    return !stopping && std::chrono::steady_clock::now() < until &&
                           sink.write(text->data(), text->size());
                });
            return;
        }
        case Fault::Drop:
            // The connection closes before the announced page arrives.
            res.set_content_provider(body.size() + 1, "text/html",
                                     [](size_t, size_t, httplib::DataSink&) { return false; });
            return;
        case Fault::Redirect:
            res.status = 302;
            res.set_header("Location", Base(req) + fault.location);
            break;
        case Fault::Status:
            res.status = fault.status;
            if (fault.retryAfter >= 0)
                res.set_header("Retry-After", std::to_string(fault.retryAfter));
            break;
        case Fault::None:
            break;
    }
    res.set_content(body, entry.contentType.c_str());
}

PageServer::PageServer(const QString& pagesDir) : impl_(std::make_unique<Impl>()) {
    impl_->dir = pagesDir;
}

PageServer::~PageServer() {
    Stop();
}

bool PageServer::Start(const QString& host, int port) {
    Stop();
    Impl& d = *impl_;
    d.error.clear();
    d.index.clear();
    d.prefixes.clear();
    if (!d.LoadIndex()) return false;
    d.stopping = false;
    d.started = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(d.mutex);
        d.arrivals.clear();
    }
    d.server = std::make_unique<httplib::Server>();
    d.server->set_keep_alive_timeout(1);
    // Pages go out at once instead of waiting for the client's delayed ACK.
    d.server->set_tcp_nodelay(true);
    // Pages go out uncompressed: the library's compression costs tens of
    // milliseconds per page, far more than the loopback transfer.
    d.server->set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
        const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
        return httplib::Server::HandlerResponse::Unhandled;
    });
    d.server->Get(
        ".*", [&d](const httplib::Request& req, httplib::Response& res) { d.Handle(req, res); });
    d.server->Post(
        ".*", [&d](const httplib::Request& req, httplib::Response& res) { d.Handle(req, res); });
    const std::string h = host.toStdString();
    if (port == 0) {
        const int bound = d.server->bind_to_any_port(h);
        if (bound <= 0) {
            d.error = QStringLiteral("cannot bind to %1").arg(host);
            d.server.reset();
            return false;
        }
        d.port = bound;
    } else {
        if (!d.server->bind_to_port(h, port)) {
            d.error = QStringLiteral("cannot bind to %1:%2").arg(host).arg(port);
            d.server.reset();
            return false;
        }
        d.port = port;
    }
    d.host = host;
    httplib::Server* server = d.server.get();
    d.thread = std::thread([server] { server->listen_after_bind(); });
    while (!server->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void PageServer::Stop() {
    Impl& d = *impl_;
    if (!d.server) return;
    {
        std::lock_guard lock(d.mutex);
        d.stopping = true;
    }
    d.wake.notify_all();
    d.server->stop();
    if (d.thread.joinable()) d.thread.join();
    d.server.reset();
}

QString PageServer::BaseUrl() const {
    return impl_->server ? impl_->BaseUrlText() : QString();
}

QString PageServer::Error() const {
    return impl_->error;
}

int PageServer::RequestCount() const {
    return impl_->requests;
}

QList<qint64> PageServer::ArrivalMs() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->arrivals;
}

}  // namespace quill
