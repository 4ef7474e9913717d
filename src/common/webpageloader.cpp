#include "common/webpageloader.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "common/webbrowser.h"

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
    bool troubled = false;  // this wait reported a problem or a slow page
    int shownSeconds = -1;

    // Reports a slow page once per whole second waited.
    void Waited(qint64 ms) {
        if (!watcher.waiting || ms < settings.SlowPageMs) return;
        const int seconds = static_cast<int>(ms / 1000);
        if (seconds == shownSeconds) return;
        shownSeconds = seconds;
        troubled = true;
        watcher.waiting(seconds);
    }

    Impl(Module1& m, const Settings& s) : module(m), settings(s) {}
};

WebPageLoader::WebPageLoader(Module1& module, const Settings& settings,
                             std::function<void(const QString&)> onProblem)
    : impl_(std::make_unique<Impl>(module, settings)) {
    impl_->browser.SetPolitenessMs(settings.PolitenessMs);
    Impl* d = impl_.get();
    impl_->browser.SetProblemHandler([d, onProblem = std::move(onProblem)](const QString& text) {
        d->troubled = true;
        if (onProblem) onProblem(text);
    });
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
    d.browser.SetPolitenessMs(d.settings.PolitenessMs);
    d.watchdog.setInterval(qMax(1, d.settings.WatchdogMs));
    d.wake.start();
    d.troubled = false;
    d.shownSeconds = -1;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        // Step 1: clear the flag, start the watchdog, load.
        d.module.PageTimedOut = false;
        d.watchdog.start();
        d.browser.Navigate(address);
        // Step 2: turn the event loop until the page is complete or timed out.
        while (d.browser.ReadyState() != WebBrowser::Complete && !d.module.PageTimedOut) {
            // Blocks until an event arrives (at the latest the wake timer).
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            d.Waited(waited.elapsed());
            if (d.module.CancelSearch) {
                d.wake.stop();
                d.watchdog.stop();
                d.browser.Stop();
                return Canceled;
            }
        }
        // Step 3: a timed-out page is loaded again.
        if (d.module.PageTimedOut && d.browser.ReadyState() != WebBrowser::Complete) continue;
        // Step 4.
        d.module.PageTimedOut = false;
        d.watchdog.stop();
        d.wake.stop();
        if (d.troubled && d.watcher.settled) d.watcher.settled();
        d.troubled = false;
        return Loaded;
    }
}

QString WebPageLoader::Markup() const {
    return impl_->browser.Markup();
}

WebBrowser& WebPageLoader::Browser() {
    return impl_->browser;
}

QString AddressWithTerm(const QString& fixed, const QString& term) {
    // Unreserved characters stay; everything else, blanks included, is
    // percent-encoded as UTF-8.
    return fixed + QString::fromLatin1(term.toUtf8().toPercentEncoding());
}

}  // namespace quill
