#include "common/webbrowser.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>

#include "common/markup.h"

namespace quill {

namespace {

// Longest wait a Retry-After may ask for.
constexpr qint64 kMaxRetryAfterMs = 300'000;

bool IsTransportError(QNetworkReply::NetworkError e) {
    const int code = static_cast<int>(e);
    return (code >= 1 && code < 200) || (code >= 300 && code < 400);
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
    Stop();
    url_ = ToRequestUrl(address);
    state_ = Loading;
    Send();
}

void WebBrowser::Stop() {
    sendTimer_.stop();
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
    if (!IsLoopbackHost(host) && politenessMs_ > 0 && lastSendMs_.contains(host))
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
    request.setHeader(
        QNetworkRequest::UserAgentHeader,
        QStringLiteral("Quillfish/%1.%2").arg(QUILL_VERSION_MAJOR).arg(QUILL_VERSION_MINOR));
    lastSendMs_.insert(url_.host().toLower(), clock_.elapsed());
    reply_ = manager_->get(request);
    connect(reply_, &QNetworkReply::finished, this, &WebBrowser::OnFinished);
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

    if (status == 0 || IsTransportError(error)) {
        Report(
            QStringLiteral("Cannot load %1: %2. Trying again.").arg(where, reply->errorString()));
        emit StateChanged();
        return;
    }
    if (status == 429) {
        const qint64 waitMs = RetryAfterMs(reply->rawHeader("Retry-After"));
        if (waitMs > 0) notBeforeMs_.insert(url_.host().toLower(), clock_.elapsed() + waitMs);
        Report(QStringLiteral("The server at %1 asks to slow down (429). Trying again.")
                   .arg(reply->url().host()));
        emit StateChanged();
        return;
    }
    if (status >= 500) {
        const QString reason =
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        Report(QStringLiteral("The server answered %1 %2 for %3. Trying again.")
                   .arg(QString::number(status), reason, where));
        emit StateChanged();
        return;
    }
    body_ = reply->readAll();
    contentType_ = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    finalUrl_ = reply->url();
    status_ = status;
    markupReady_ = false;
    markup_.clear();
    state_ = Complete;
    emit StateChanged();
}

QString WebBrowser::Markup() const {
    if (!markupReady_) {
        markup_ = SerializeMarkup(PageToUtf8(body_, contentType_));
        markupReady_ = true;
    }
    return markup_;
}

}  // namespace quill
