#pragma once
// The page loader used by every run: a WebBrowser (Qt Network + markup
// serialization) with the page wait and its watchdog.

#include <QObject>
#include <functional>
#include <memory>

#include "web/module1.h"
#include "web/pageloader.h"
#include "web/settings.h"

namespace quill {

class WebBrowser;

class WebPageLoader : public PageLoader {
  public:
    // The wait watches module.CancelSearch and module.PageTimedOut; the
    // watchdog (settings.WatchdogMs) raises PageTimedOut and the page is
    // loaded again. A server that refuses the page ends the wait with
    // ServerError, at once for most error statuses, after settings.
    // ServerRetries pauses for a busy or failing one (408, 429, 5xx); so does
    // a page larger than settings.MaxPageBytes. A transport failure does not
    // end the wait: the watchdog loads the page again. onProblem receives a
    // short text for each failed load.
    WebPageLoader(Module1& module, const Settings& settings,
                  std::function<void(const QString&)> onProblem = {});
    ~WebPageLoader() override;

    // Whoever shows the run's status can follow a page wait: waiting(seconds)
    // about once a second while a page has not come after settings.SlowPageMs
    // (seconds since the wait began, reloads included), and settled() when a
    // page comes after such a report or after a load problem.
    struct WaitWatcher {
        std::function<void(int seconds)> waiting;
        std::function<void()> settled;
    };
    void SetWaitWatcher(WaitWatcher watcher);

    int NavigateAndWait(const QString& address) override;
    // The same wait for a raw reply, with the request's own watchdog, tries
    // and spacing (a transport failure here counts as a failed try).
    int FetchRaw(const QString& address, const RawFetch& how, RawReply* reply) override;
    QString Markup() const override;
    Failure LastFailure() const override;

    WebBrowser& Browser();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The line that tells a page has not come: "Waiting for the NCBI server … 12 s".
QString WaitingText(const QString& server, int seconds);

// Builds an address from a fixed part and an untrusted term: the term is
// percent-encoded so that no character of it can change the address's
// structure (blanks as %20).
QString AddressWithTerm(const QString& fixed, const QString& term);

}  // namespace quill
