#pragma once
// The E-utilities client of a run: fetches a request's reply raw over the
// page loader (its Cancel, its wait), paced to 3 requests a second (10 with
// an API key), with three tries for a busy or failing server, keeps every
// clean reply for the rest of the run (a repeated term asks nothing again),
// and writes each reply into the record folder when one is set.

#include <QHash>
#include <functional>

#include "eutils/eutils.h"
#include "web/pageloader.h"
#include "web/settings.h"

namespace quill {

class EutilsClient {
  public:
    // onProblem receives a short text when a reply cannot be recorded.
    EutilsClient(const Settings& settings, PageLoader& loader,
                 std::function<void(const QString&)> onProblem = {});

    // The reply of a request, parsed by parse (a function of the body that
    // returns a reply with an error field): PageLoader::Loaded, Canceled, or
    // ServerError with LastFailure() set (the server refused, or the reply
    // is a service error).
    template <class Reply, class Parse>
    int Get(const EutilsRequest& request, Parse parse, Reply* reply) {
        QByteArray body;
        const int got = Fetch(request, &body);
        if (got != PageLoader::Loaded) return got;
        *reply = parse(body);
        if (!reply->error.isEmpty()) return Fail(request, reply->error);
        cache_.insert(EutilsIndexKey(request), body);
        return PageLoader::Loaded;
    }

    // Ends a request as a service error with this message.
    int Fail(const EutilsRequest& request, const QString& message);
    const PageLoader::Failure& LastFailure() const { return failure_; }
    // The address as messages and lists show it: without email and key.
    QString Shown(const EutilsRequest& request) const;

    // The least spacing between two requests for the pacing.
    static int SpacingMs(bool withKey) { return withKey ? 110 : 370; }

  private:
    int Fetch(const EutilsRequest& request, QByteArray* body);
    void Record(const EutilsRequest& request, const PageLoader::RawReply& reply);

    const Settings& settings_;
    PageLoader& loader_;
    std::function<void(const QString&)> onProblem_;
    QHash<QString, QByteArray> cache_;  // index key -> clean reply
    PageLoader::Failure failure_;
};

// Writes a reply into a record folder in the page server's index format:
// the body as <util>_<hash>.xml (.txt for GenBank) and a line "key TAB file"
// (with "status=N" for a refused reply) in index.tsv, replacing an earlier
// line of the same key. Returns "" or why it could not.
QString RecordReply(const QString& dir, const EutilsRequest& request,
                    const PageLoader::RawReply& reply);

}  // namespace quill
