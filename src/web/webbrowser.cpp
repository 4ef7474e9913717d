#include "web/webbrowser.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>

#include "web/markup.h"

namespace quill {

namespace {

// Longest wait a Retry-After may ask for.
constexpr qint64 kMaxRetryAfterMs = 300'000;

// What the network layer reads ahead of the page as it is taken.
constexpr qint64 kReadBufferBytes = 1 << 20;

bool IsTransportError(QNetworkReply::NetworkError e) {
    const int code = static_cast<int>(e);
    return (code >= 1 && code < 200) || (code >= 300 && code < 400);
}

// A reply whose body is shorter than its Content-Length announced: the
// connection closed before the whole page came, which Qt does not always
// report as an error. A compressed body's length is not comparable.
bool CutShort(QNetworkReply* reply, qint64 received) {
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    const QByteArray encoding = reply->rawHeader("Content-Encoding").trimmed().toLower();
    return announced.isValid() && (encoding.isEmpty() || encoding == "identity") &&
           received < announced.toLongLong();
}

}  // namespace

// Retry-After is either a number of seconds or an HTTP date.
qint64 WebBrowser::RetryAfterMs(const QByteArray& value) {
    const QByteArray v = value.trimmed();
    if (v.isEmpty()) return 0;
    if (std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        // Bounded before converting, so that a huge number cannot overflow;
        // one too long for 64 bits asks for the longest wait too.
        bool ok = false;
        const qint64 seconds = v.toLongLong(&ok);
        return ok ? qMin(seconds, kMaxRetryAfterMs / 1000) * 1000 : kMaxRetryAfterMs;
    }
    // Servers write the date as "Wed, 21 Oct 2015 07:28:00 GMT", which Qt's
    // RFC 2822 reading refuses for its "GMT"; that form is read here.
    QString text = QString::fromLatin1(v);
    if (text.endsWith(QLatin1String(" GMT"))) {
        text.chop(4);
        text += QLatin1String(" +0000");
    }
    const QDateTime when = QDateTime::fromString(text, Qt::RFC2822Date);
    if (!when.isValid()) return 0;
    return qBound<qint64>(0, QDateTime::currentDateTimeUtc().msecsTo(when), kMaxRetryAfterMs);
}

QString WebBrowser::SizeText(qint64 bytes) {
    constexpr qint64 kMB = 1024 * 1024;
    if (bytes >= kMB && bytes % kMB == 0)
        return QString::number(bytes / kMB) + QStringLiteral(" MB");
    return QString::number(bytes) + QStringLiteral(" bytes");
}

WebBrowser::WebBrowser(QObject* parent)
    : QObject(parent), manager_(new QNetworkAccessManager(this)) {
    sendTimer_.setSingleShot(true);
    connect(&sendTimer_, &QTimer::timeout, this, &WebBrowser::Send);
    clock_.start();
}

WebBrowser::~WebBrowser() {
    Stop();
}

QUrl WebBrowser::ToRequestUrl(const QString& address) {
    // Tolerant parsing encodes blanks and stray percent signs; characters
    // that are already encoded stay as they are.
    return QUrl(address.trimmed(), QUrl::TolerantMode);
}

bool WebBrowser::IsLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

void WebBrowser::Navigate(const QString& address) {
    Start(address, false);
}

void WebBrowser::NavigateRaw(const QString& address, const QByteArray& postBody) {
    Start(address, true, postBody);
}

void WebBrowser::Start(const QString& address, bool raw, const QByteArray& postBody) {
    Stop();
    url_ = ToRequestUrl(address);
    raw_ = raw;
    postBody_ = postBody;
    state_ = Loading;
    Send();
}

void WebBrowser::Stop() {
    sendTimer_.stop();
    incoming_ = QByteArray();
    if (!reply_) return;
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    // The reply may be the sender of the signal being handled right now, so
    // it is deleted at the next stop instead.
    delete retired_;
    retired_ = reply;
}

qint64 WebBrowser::DelayBeforeSendMs() const {
    const QString host = url_.host().toLower();
    const qint64 now = clock_.elapsed();
    qint64 due = notBeforeMs_.value(host, 0);
    if ((paceLoopback_ || !IsLoopbackHost(host)) && politenessMs_ > 0 && lastSendMs_.contains(host))
        due = qMax(due, lastSendMs_.value(host) + politenessMs_);
    return qMax<qint64>(0, due - now);
}

void WebBrowser::Send() {
    const qint64 delay = DelayBeforeSendMs();
    if (delay > 0) {
        sendTimer_.start(static_cast<int>(delay));
        return;
    }
    QNetworkRequest request(url_);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    // HTTP/1.1 for raw replies: NCBI's E-utilities are known to break
    // HTTP/2 framing.
    if (raw_) request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setHeader(
        QNetworkRequest::UserAgentHeader,
        QStringLiteral("Quillfish/%1.%2").arg(QUILL_VERSION_MAJOR).arg(QUILL_VERSION_MINOR));
    lastSendMs_.insert(url_.host().toLower(), clock_.elapsed());
    if (postBody_.isEmpty()) {
        reply_ = manager_->get(request);
    } else {
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
        reply_ = manager_->post(request, postBody_);
    }
    // Network reading keeps pace with OnReadyRead instead of buffering ahead
    // of it, so that the cap bounds the memory a body takes.
    reply_->setReadBufferSize(kReadBufferBytes);
    connect(reply_, &QNetworkReply::readyRead, this, &WebBrowser::OnReadyRead);
    connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
        // An announced length over the cap fails the page before its body.
        const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
        if (!length.isValid()) return;
        if (length.toLongLong() > maxPageBytes_)
            Fail({0, QStringLiteral("page larger than ") + SizeText(maxPageBytes_), false});
        else
            incoming_.reserve(length.toLongLong());
    });
    connect(reply_, &QNetworkReply::finished, this, &WebBrowser::OnFinished);
}

// The body is taken as it arrives, so that an endless one is abandoned as
// soon as it passes the cap instead of being buffered.
void WebBrowser::OnReadyRead() {
    if (!reply_) return;
    incoming_ += reply_->readAll();
    if (incoming_.size() > maxPageBytes_)
        Fail({0, QStringLiteral("page larger than ") + SizeText(maxPageBytes_), false});
}

void WebBrowser::Fail(const Failure& failure) {
    Stop();
    failure_ = failure;
    state_ = Failed;
    emit StateChanged();
}

void WebBrowser::Report(const QString& text) {
    if (onProblem_) onProblem_(text);
}

void WebBrowser::OnFinished() {
    QNetworkReply* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply || reply != reply_) return;
    const QVariant statusAttr = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusAttr.isValid() ? statusAttr.toInt() : 0;
    const QNetworkReply::NetworkError error = reply->error();
    const QString where = reply->url().toString();

    const bool cutShort =
        status > 0 && status < 400 && CutShort(reply, incoming_.size() + reply->bytesAvailable());
    if (status == 0 || IsTransportError(error) || cutShort) {
        const QString why = cutShort ? QStringLiteral(
                                           "the connection closed before the whole "
                                           "page came")
                                     : reply->errorString();
        if (raw_) {
            Fail({0, why, true});
            return;
        }
        Report(QStringLiteral("Cannot load %1: %2. Trying again.").arg(where, why));
        emit StateChanged();
        return;
    }
    if (status >= 400) {
        // A busy or failing server may answer later; whatever else it refuses
        // stays refused. Its Retry-After holds back the next request.
        const bool retryable = status == 408 || status == 429 || status >= 500;
        const qint64 waitMs = RetryAfterMs(reply->rawHeader("Retry-After"));
        if (retryable && waitMs > 0)
            notBeforeMs_.insert(url_.host().toLower(), clock_.elapsed() + waitMs);
        const QString reason =
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
        QString message = QString::number(status);
        if (!reason.isEmpty()) message += QLatin1Char(' ') + reason;
        Failure failure{status, message, retryable, retryable ? waitMs : 0, {}};
        if (raw_) failure.body = incoming_ + reply->readAll();
        Fail(failure);
        return;
    }
    incoming_ += reply->readAll();
    if (incoming_.size() > maxPageBytes_) {
        Fail({0, QStringLiteral("page larger than ") + SizeText(maxPageBytes_), false});
        return;
    }
    // A page of more markup than can be read in reasonable time and memory
    // is refused like one of too many bytes.
    if (!raw_ && CountMarkupItems(incoming_) > kMaxMarkupItems) {
        Fail({0, QStringLiteral("page of more than %1 tags and attributes").arg(kMaxMarkupItems),
              false});
        return;
    }
    body_ = std::move(incoming_);
    incoming_ = QByteArray();
    contentType_ = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    status_ = status;
    markupReady_ = false;
    markup_.clear();
    state_ = Complete;
    emit StateChanged();
}

QString WebBrowser::Markup() const {
    ReadMarkup({});
    return markup_;
}

bool WebBrowser::ReadMarkup(const std::function<bool()>& stop) const {
    if (markupReady_) return true;
    std::optional<QString> markup = SerializeMarkup(PageToUtf8(body_, contentType_), stop);
    if (!markup) return false;
    markup_ = std::move(*markup);
    markupReady_ = true;
    body_ = QByteArray();  // read: only the markup is needed from now on
    return true;
}

}  // namespace quill
