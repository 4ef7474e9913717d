#include "eutils/eutilsclient.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QUrl>

#include "text/quotedfile.h"
#include "web/webbrowser.h"

namespace quill {

EutilsClient::EutilsClient(const Settings& settings, PageLoader& loader,
                           std::function<void(const QString&)> onProblem)
    : settings_(settings), loader_(loader), onProblem_(std::move(onProblem)) {}

QString EutilsClient::Shown(const EutilsRequest& request) const {
    return EutilsAddress(settings_.EutilsBase, request);
}

int EutilsClient::Fail(const EutilsRequest& request, const QString& message) {
    failure_ = {message, Shown(request)};
    return PageLoader::ServerError;
}

int EutilsClient::Fetch(const EutilsRequest& request, QByteArray* body) {
    const auto cached = cache_.constFind(EutilsIndexKey(request));
    if (cached != cache_.constEnd()) {
        *body = cached.value();
        return PageLoader::Loaded;
    }
    // The user's email and key go to NCBI, not to a replay server on this
    // machine, whose recorded requests have neither.
    const bool local = WebBrowser::IsLoopbackHost(QUrl(settings_.EutilsBase).host());
    const QString& key = settings_.EutilsApiKey;
    const QString address =
        local ? Shown(request)
              : EutilsAddress(settings_.EutilsBase, request, settings_.EutilsEmail, key);
    PageLoader::RawFetch how;
    how.shownAddress = Shown(request);
    // A long request (a gathering's group) goes as a POST of its parameters.
    const qsizetype query = address.indexOf(QLatin1Char('?'));
    const bool post = address.size() - query - 1 > kPostOverChars;
    if (post) how.postBody = address.mid(query + 1).toLatin1();
    how.watchdogMs = settings_.EutilsWatchdogMs;
    how.tries = qMax(1, settings_.EutilsTries);
    how.retryDelayMs = settings_.EutilsRetryDelayMs;
    how.spacingMs = SpacingMs(!key.isEmpty());
    how.paceLoopback = settings_.EutilsPaceLoopback;
    PageLoader::RawReply reply;
    const int got = loader_.FetchRaw(post ? address.left(query) : address, how, &reply);
    if (got == PageLoader::Canceled) return got;
    if (!settings_.EutilsRecordDir.isEmpty() && reply.status != 0) Record(request, reply);
    if (got != PageLoader::Loaded) {
        QString message = reply.failure.message;
        // What the server said, in short: NCBI's 400 tells which id it
        // failed to understand. A key it echoes is not shown.
        const QString said = QString::fromUtf8(reply.body.left(300)).simplified().left(160);
        if (!said.isEmpty() && !IsHtmlPage(reply.body)) message += QStringLiteral(": ") + said;
        if (!key.isEmpty()) message.replace(key, QStringLiteral("(key)"));
        return Fail(request, message);
    }
    *body = reply.body;
    return PageLoader::Loaded;
}

void EutilsClient::Record(const EutilsRequest& request, const PageLoader::RawReply& reply) {
    const QString error = RecordReply(settings_.EutilsRecordDir, request, reply);
    if (!error.isEmpty() && onProblem_)
        onProblem_(QStringLiteral("Cannot record a reply: ") + error);
}

QString RecordReply(const QString& dir, const EutilsRequest& request,
                    const PageLoader::RawReply& reply) {
    if (!QDir().mkpath(dir))
        return QDir::toNativeSeparators(dir) + QStringLiteral(": cannot create");
    const QString key = EutilsIndexKey(request);
    const QString file =
        request.util + QLatin1Char('_') +
        QString::fromLatin1(
            QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(12)) +
        (request.util == QLatin1String("efetch") ? QStringLiteral(".txt") : QStringLiteral(".xml"));
    if (const WriteResult w = WriteFileAtomically(QDir(dir).filePath(file), reply.body); !w.ok)
        return w.error;
    QString line = key + QLatin1Char('\t') + file;
    if (reply.status >= 400) line += QStringLiteral("\tstatus=") + QString::number(reply.status);

    const QString indexPath = QDir(dir).filePath(QStringLiteral("index.tsv"));
    QStringList lines;
    QFile index(indexPath);
    if (index.open(QIODevice::ReadOnly))
        lines = QString::fromUtf8(index.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    else
        lines << QStringLiteral("# E-utilities replies as recorded: request TAB file [TAB fault]");
    index.close();
    const QString prefix = key + QLatin1Char('\t');
    auto same = std::find_if(lines.begin(), lines.end(),
                             [&prefix](const QString& l) { return l.startsWith(prefix); });
    if (same != lines.end())
        *same = line;
    else
        lines << line;
    const WriteResult w =
        WriteFileAtomically(indexPath, (lines.join(QLatin1Char('\n')) + '\n').toUtf8());
    return w.ok ? QString() : w.error;
}

}  // namespace quill
