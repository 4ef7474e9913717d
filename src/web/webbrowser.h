#pragma once
// The browser component: loads one page at a time with Qt Network and gives
// its markup in the serialized form of markup.h.
//
// A response with a status below 400 completes the page. One with an error
// status fails it (state Failed, LastFailure() says why; a 408, 429 or 5xx
// is marked as worth asking again), and so do a body that grows past the
// page size cap (its download is abandoned at once) and a page of more
// markup than kMaxMarkupItems (markup.h). A transport failure
// (refused, reset, name not found, TLS failure) neither completes nor fails
// the page: the problem is passed to the problem handler, and whoever waits
// loads it again later. Requests to a host other than loopback are spaced by
// the politeness interval; a Retry-After sent with an error status holds
// back the next request to that host.
//
// NavigateRaw loads a reply that is read as the server sent it (E-utilities
// XML, GenBank text): Body() gives it, no markup is made and no tag count
// applies; a transport failure (refused, dropped connection) fails such a
// load as worth asking again, and a refused reply keeps its body in the
// failure. With a body, NavigateRaw sends a POST of that form
// (application/x-www-form-urlencoded) to the address instead of a GET.

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace quill {

class WebBrowser : public QObject {
    Q_OBJECT
  public:
    enum State { Uninitialized = 0, Loading = 1, Complete = 4, Failed = 5 };

    // Why the last navigation failed (state Failed).
    struct Failure {
        int status = 0;           // the HTTP status; 0 for a page over the cap
        QString message;          // "404 Not Found", "page larger than 16 MB"
        bool retryable = false;   // 408, 429 or 5xx: asking again may help
        qint64 retryAfterMs = 0;  // the wait a retryable refusal's Retry-After asks for
        QByteArray body = {};     // a refused raw reply's body
    };

    explicit WebBrowser(QObject* parent = nullptr);
    ~WebBrowser() override;

    // Starts loading the address; a load under way is abandoned. Blanks and
    // other characters not allowed in an address are encoded here.
    void Navigate(const QString& address);
    // Starts loading an address whose reply is read raw (see above).
    void NavigateRaw(const QString& address, const QByteArray& postBody = {});
    // Abandons the load under way; the markup of the last completed page stays.
    void Stop();
    // 4 when the last navigation has completed.
    int ReadyState() const { return state_; }
    // Serialized markup of the last completed page ("" before the first).
    QString Markup() const;
    // Makes that markup now, asking stop() between its rounds of parsing;
    // false when stop() answered true (the page stays to be read).
    bool ReadMarkup(const std::function<bool()>& stop) const;
    // The body of the last completed page as sent (of a page loaded with
    // Navigate only until its markup is read), and its Content-Type.
    const QByteArray& Body() const { return body_; }
    const QByteArray& ContentType() const { return contentType_; }
    // Status code of the last completed page.
    int HttpStatus() const { return status_; }
    const Failure& LastFailure() const { return failure_; }

    // Least spacing between two requests to a host other than loopback.
    void SetPolitenessMs(int ms) { politenessMs_ = ms; }
    // The politeness spacing holds for loopback hosts too (off by default).
    void SetPaceLoopback(bool on) { paceLoopback_ = on; }
    // The longest body read; a longer one fails the page.
    void SetMaxPageBytes(qint64 bytes) { maxPageBytes_ = bytes; }
    // Receives a short text whenever a load fails without completing.
    void SetProblemHandler(std::function<void(const QString&)> handler) {
        onProblem_ = std::move(handler);
    }

    // The encoded request URL that Navigate builds from an address.
    static QUrl ToRequestUrl(const QString& address);
    static bool IsLoopbackHost(const QString& host);
    // The wait a Retry-After header value asks for (seconds or an HTTP date),
    // at most five minutes; 0 when it cannot be read.
    static qint64 RetryAfterMs(const QByteArray& value);
    // A byte count for messages: "16 MB" for whole megabytes, else "1500 bytes".
    static QString SizeText(qint64 bytes);

  signals:
    // The page completed or a load failed; wakes whoever waits.
    void StateChanged();

  private:
    void Start(const QString& address, bool raw, const QByteArray& postBody = {});
    void Send();
    void OnFinished();
    void OnReadyRead();
    void Fail(const Failure& failure);
    void Report(const QString& text);
    qint64 DelayBeforeSendMs() const;

    QNetworkAccessManager* manager_;
    QNetworkReply* reply_ = nullptr;
    QNetworkReply* retired_ = nullptr;
    QTimer sendTimer_;
    QUrl url_;
    int state_ = Uninitialized;
    int status_ = 0;
    int politenessMs_ = 340;
    bool paceLoopback_ = false;
    bool raw_ = false;     // the load under way was started by NavigateRaw
    QByteArray postBody_;  // its form, sent by POST; empty: a GET
    qint64 maxPageBytes_ = qint64{16} * 1024 * 1024;
    Failure failure_;
    QByteArray incoming_;      // the body of the load under way, as it arrives
    mutable QByteArray body_;  // the body of the last completed page, until read
    QByteArray contentType_;
    mutable QString markup_;
    mutable bool markupReady_ = true;
    std::function<void(const QString&)> onProblem_;
    // Per host: when the last request went out, and when a 429 allows the next.
    QHash<QString, qint64> lastSendMs_;
    QHash<QString, qint64> notBeforeMs_;
    QElapsedTimer clock_;
};

}  // namespace quill
