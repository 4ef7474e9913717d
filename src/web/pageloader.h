#pragma once
// src/web: loading the pages the engines read. This header is the page wait
// every engine calls (tests hand them a fake); webpageloader.h is the real
// one, with its watchdog and retries, over a WebBrowser (webbrowser.h: Qt
// Network, one page at a time, politeness, size caps) whose pages markup.h
// serializes, through gumbo, into the form the engines read. settings.h
// holds the server addresses and the wait timing, module1.h the state a run
// shares with whoever started it (the cancel flag among it).
//
// The page wait that every engine calls. The real one loads pages over the
// network (WebPageLoader); tests use a fake that answers from a page map.

#include <QByteArray>
#include <QString>

namespace quill {

class PageLoader {
  public:
    // ServerError: the server refused the page (an HTTP error status, also
    // after the retries of a busy or failing server) or sent one larger than
    // the page size cap. There is no page to read; LastFailure() says why.
    enum Result { Canceled = 1, Loaded = 2, ServerError = 3 };

    // Why a wait ended with ServerError.
    struct Failure {
        QString message;  // "404 Not Found", "page larger than 16 MB"
        QString address;  // the address that was asked for
    };

    // How FetchRaw asks for a reply.
    struct RawFetch {
        QString shownAddress;    // the address as messages show it ("": the address)
        int watchdogMs = 30000;  // a reply not complete by then counts as a failed try
        // Tries in all: a busy or failing server (408, 429, 5xx), a transport
        // failure (refused, dropped connection) and the watchdog are asked
        // again, after retryDelayMs, then twice that, and so on, or after the
        // wait a Retry-After asks for; anything else refused is final.
        int tries = 3;
        int retryDelayMs = 1000;
        int spacingMs = 0;          // least spacing between two requests to the host
        bool paceLoopback = false;  // the spacing holds for a loopback host too
        // Non-empty: sent by POST as a form (application/x-www-form-urlencoded)
        // to the address, which then holds no query.
        QByteArray postBody;
    };
    // A reply as the server sent it.
    struct RawReply {
        int status = 0;   // HTTP status, also of a refused reply; 0 when none came
        QByteArray body;  // also a refused reply's body
        QByteArray contentType;
        Failure failure;  // after ServerError
    };

    virtual ~PageLoader() = default;
    // Loads the address and waits until the page is complete, the server has
    // refused it, or the run's cancel flag is raised: 1 canceled, 2 loaded,
    // 3 server error.
    virtual int NavigateAndWait(const QString& address) = 0;
    // The markup of the page the browser now holds (after a canceled wait or
    // a server error, whatever it held before).
    virtual QString Markup() const = 0;
    // The failure of the last wait that ended with ServerError.
    virtual Failure LastFailure() const { return {}; }
    // Loads the address and waits for its reply, read raw (no markup): 1
    // canceled, 2 loaded (status below 400), 3 server error (reply->failure).
    // A loader that cannot give raw replies ends every such wait with a
    // server error saying so; one that wraps another forwards this.
    virtual int FetchRaw(const QString& address, const RawFetch& how, RawReply* reply) {
        reply->failure = {QStringLiteral("this page loader gives no raw replies"),
                          how.shownAddress.isEmpty() ? address : how.shownAddress};
        return ServerError;
    }
};

// How a term that could not be looked up is listed: the term (or cluster),
// what the server did, and the address asked for.
inline QString FailureEntry(const QString& what, const PageLoader::Failure& failure) {
    return what + QStringLiteral(" (") + failure.message + QStringLiteral("): ") + failure.address;
}

}  // namespace quill
