#include "web/webpageloader.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "web/webbrowser.h"

namespace quill {

namespace {

// The wait wakes at least this often to look at the cancel flag.
constexpr int kCancelCheckMs = 50;

}  // namespace

struct WebPageLoader::Impl {
    Module1& module;
    const Settings& settings;
    WebBrowser browser;
    QTimer watchdog;  // the page-load watchdog: each tick raises PageTimedOut
    QTimer wake;      // keeps the wait turning while nothing else happens
    WaitWatcher watcher;
    std::function<void(const QString&)> onProblem;
    bool troubled = false;  // this wait reported a problem or a slow page
    int shownSeconds = -1;
    Failure failure;  // of the last wait that ended with ServerError

    // Reports a slow page once per whole second waited.
    void Waited(qint64 ms) {
        if (!watcher.waiting || ms < settings.SlowPageMs) return;
        const int seconds = static_cast<int>(ms / 1000);
        if (seconds == shownSeconds) return;
        shownSeconds = seconds;
        troubled = true;
        watcher.waiting(seconds);
    }

    void Problem(const QString& text) {
        troubled = true;
        if (onProblem) onProblem(text);
    }

    // Ends the wait's timers and the load under way.
    void Finish(bool stopLoad) {
        wake.stop();
        watchdog.stop();
        if (stopLoad) browser.Stop();
    }

    // Lets ms go by while events are processed; false when the run is
    // canceled meanwhile.
    bool Pause(qint64 ms, const QElapsedTimer& waited) {
        QElapsedTimer paused;
        paused.start();
        while (paused.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            Waited(waited.elapsed());
            if (module.CancelSearch) return false;
        }
        return true;
    }

    // Sets up one wait: the browser's spacing between requests, whether
    // loopback is paced too, the page size cap and the watchdog.
    void Begin(int spacingMs, bool paceLoopback, int watchdogMs) {
        browser.SetPolitenessMs(spacingMs);
        browser.SetPaceLoopback(paceLoopback);
        browser.SetMaxPageBytes(settings.MaxPageBytes);
        watchdog.setInterval(qMax(1, watchdogMs));
        wake.start();
        troubled = false;
        shownSeconds = -1;
    }

    // Starts the watchdog and turns the event loop until the load under way
    // is complete, failed or timed out; false (the wait finished) when the
    // run is canceled meanwhile.
    bool AwaitLoad(const QElapsedTimer& waited) {
        module.PageTimedOut = false;
        watchdog.start();
        while (browser.ReadyState() != WebBrowser::Complete &&
               browser.ReadyState() != WebBrowser::Failed && !module.PageTimedOut) {
            // Blocks until an event arrives (at the latest the wake timer).
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            Waited(waited.elapsed());
            if (module.CancelSearch) {
                Finish(true);
                return false;
            }
        }
        return true;
    }

    // Says that the address is asked again after pauseMs and waits that
    // long; false (the wait finished) when the run is canceled meanwhile.
    bool PauseBeforeRetry(const QString& shown, const QString& why, qint64 pauseMs,
                          const QElapsedTimer& waited) {
        Problem(QStringLiteral("Could not load %1: %2. Trying again in %3 s.")
                    .arg(shown, why)
                    .arg((pauseMs + 999) / 1000));
        watchdog.stop();
        if (Pause(pauseMs, waited)) return true;
        Finish(true);
        return false;
    }

    Impl(Module1& m, const Settings& s) : module(m), settings(s) {}
};

WebPageLoader::WebPageLoader(Module1& module, const Settings& settings,
                             std::function<void(const QString&)> onProblem)
    : impl_(std::make_unique<Impl>(module, settings)) {
    impl_->browser.SetPolitenessMs(settings.PolitenessMs);
    Impl* d = impl_.get();
    d->onProblem = std::move(onProblem);
    impl_->browser.SetProblemHandler([d](const QString& text) { d->Problem(text); });
    impl_->watchdog.setInterval(qMax(1, settings.WatchdogMs));
    Module1* m = &module;
    QObject::connect(&impl_->watchdog, &QTimer::timeout, [m] { m->PageTimedOut = true; });
    impl_->wake.setInterval(kCancelCheckMs);
}

WebPageLoader::~WebPageLoader() = default;

void WebPageLoader::SetWaitWatcher(WaitWatcher watcher) {
    impl_->watcher = std::move(watcher);
}

int WebPageLoader::NavigateAndWait(const QString& address) {
    Impl& d = *impl_;
    d.Begin(d.settings.PolitenessMs, false, d.settings.WatchdogMs);
    int retries = 0;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        // Steps 1 and 2: clear the flag, start the watchdog, load, and turn
        // the event loop until the page is complete, failed or timed out.
        d.browser.Navigate(address);
        if (!d.AwaitLoad(waited)) return Canceled;
        if (d.browser.ReadyState() == WebBrowser::Failed) {
            // A busy or failing server is asked again a few times, each time
            // after a longer pause; anything else it refuses is final.
            const WebBrowser::Failure& failure = d.browser.LastFailure();
            if (failure.retryable && retries < d.settings.ServerRetries) {
                const qint64 pauseMs = qint64{qMax(0, d.settings.RetryDelayMs)}
                                       << qMin(retries, 16);
                ++retries;
                if (!d.PauseBeforeRetry(address, failure.message, pauseMs, waited)) return Canceled;
                continue;
            }
            d.Finish(false);
            d.failure = {failure.message, address};
            d.Problem(QStringLiteral("Could not load %1: %2.").arg(address, failure.message));
            return ServerError;
        }
        // Step 3: a timed-out page is loaded again.
        if (d.module.PageTimedOut && d.browser.ReadyState() != WebBrowser::Complete) continue;
        // Step 4.
        d.module.PageTimedOut = false;
        d.Finish(false);
        // The page is read here, within the wait, so that Cancel acts while
        // a large page is read (between its rounds of parsing).
        const bool read = d.browser.ReadMarkup([&d] {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            return d.module.CancelSearch;
        });
        if (!read) return Canceled;
        if (d.troubled && d.watcher.settled) d.watcher.settled();
        d.troubled = false;
        return Loaded;
    }
}

int WebPageLoader::FetchRaw(const QString& address, const RawFetch& how, RawReply* reply) {
    Impl& d = *impl_;
    const QString shown = how.shownAddress.isEmpty() ? address : how.shownAddress;
    d.Begin(how.spacingMs, how.paceLoopback, how.watchdogMs);
    *reply = RawReply();
    QElapsedTimer waited;
    waited.start();
    for (int attempt = 1;; ++attempt) {
        d.browser.NavigateRaw(address, how.postBody);
        if (!d.AwaitLoad(waited)) return Canceled;
        if (d.browser.ReadyState() == WebBrowser::Complete) {
            d.module.PageTimedOut = false;
            d.Finish(false);
            reply->status = d.browser.HttpStatus();
            reply->body = d.browser.Body();
            reply->contentType = d.browser.ContentType();
            if (d.troubled && d.watcher.settled) d.watcher.settled();
            d.troubled = false;
            return Loaded;
        }
        WebBrowser::Failure failure;
        if (d.browser.ReadyState() == WebBrowser::Failed) {
            failure = d.browser.LastFailure();
        } else {
            d.browser.Stop();
            failure.message =
                QStringLiteral("no reply within %1 s").arg((how.watchdogMs + 999) / 1000);
            failure.retryable = true;
        }
        d.watchdog.stop();
        // Qt's texts may name the address asked for, which may hold a key.
        const QUrl url = WebBrowser::ToRequestUrl(address);
        for (const QString& asked : {address, url.toString(), QString::fromUtf8(url.toEncoded())})
            failure.message.replace(asked, shown);
        if (failure.retryable && attempt < how.tries) {
            const qint64 pauseMs = failure.retryAfterMs > 0
                                       ? failure.retryAfterMs
                                       : qint64{qMax(0, how.retryDelayMs)} << qMin(attempt - 1, 16);
            if (!d.PauseBeforeRetry(shown, failure.message, pauseMs, waited)) return Canceled;
            continue;
        }
        d.Finish(true);
        reply->status = failure.status;
        reply->body = failure.body;
        reply->failure = {failure.message, shown};
        d.Problem(QStringLiteral("Could not load %1: %2.").arg(shown, failure.message));
        return ServerError;
    }
}

PageLoader::Failure WebPageLoader::LastFailure() const {
    return impl_->failure;
}

QString WebPageLoader::Markup() const {
    return impl_->browser.Markup();
}

WebBrowser& WebPageLoader::Browser() {
    return impl_->browser;
}

QString WaitingText(const QString& server, int seconds) {
    return QStringLiteral("Waiting for the ") + server + QStringLiteral(" server \u2026 ") +
           QString::number(seconds) + QStringLiteral(" s");
}

QString AddressWithTerm(const QString& fixed, const QString& term) {
    // Unreserved characters stay; everything else, blanks included, is
    // percent-encoded as UTF-8.
    return fixed + QString::fromLatin1(term.toUtf8().toPercentEncoding());
}

}  // namespace quill
