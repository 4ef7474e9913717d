#pragma once
// Implementation settings: server addresses, the sequence source and
// page-wait timing. Set from the command line (--source, --ncbi-server,
// --eutils-server, --demo, ...); the search window's options set the source,
// e-mail and API key too and keep the last two in the user's settings file.

#include <QString>
#include <QtGlobal>

namespace quill {

struct Settings {
    // Scheme and host (and port) of the NCBI web server, no trailing slash.
    QString NcbiServerBase = QStringLiteral("https://www.ncbi.nlm.nih.gov");
    // Scheme and host of the IGTC web site, no trailing slash.
    QString IgtcServerBase = QStringLiteral("https://www.genetrap.org");
    // Page-load watchdog interval.
    int WatchdogMs = 7000;
    // A page that has not come after this long is reported on the status line
    // (with the seconds waited) until it comes.
    int SlowPageMs = 3000;
    // Least spacing between two requests to a host other than loopback.
    int PolitenessMs = 340;
    // The largest page read: a longer body is abandoned as soon as it passes
    // this and the page counts as a server error. A cluster page listing
    // 50,000 ESTs is about 15 MB.
    qint64 MaxPageBytes = qint64{16} * 1024 * 1024;
    // A busy or failing server (429, 408, 5xx) is asked again this many
    // times, after RetryDelayMs, twice that, and so on (or the Retry-After it
    // sends, when longer); then the page counts as a server error.
    int ServerRetries = 3;
    int RetryDelayMs = 2000;
    // When non-empty, every print goes to a numbered PDF file in this folder.
    QString PrintToPdfDir;

    // Where the sequence search and the accession search look terms up:
    // NCBI's E-utilities at EutilsBase (eutils/eutils.h), or the archive
    // pages at NcbiServerBase (UniGene, which NCBI retired in 2019).
    enum class SequenceSource { UniGene, Eutils };
    SequenceSource Source = SequenceSource::Eutils;
    // Scheme and host (and port) of the E-utilities, no trailing slash.
    QString EutilsBase = QStringLiteral("https://eutils.ncbi.nlm.nih.gov");
    // Sent as email= and api_key= with every E-utilities request to a server
    // other than loopback (a replay server gets neither). The key allows 10
    // requests a second instead of 3; it never appears in a message, a
    // saved file or a recording.
    QString EutilsEmail;
    QString EutilsApiKey;
    // When non-empty, every E-utilities reply is written into this folder in
    // the page server's index format, so that a page server on the folder
    // answers the same requests again.
    QString EutilsRecordDir;
    // NCBI's gene2unigene table (GeneID TAB cluster, one header line): with
    // it a UniGene cluster id is looked up as the genes it names.
    QString UniGeneMapFile;
    // A reply not come after this long is asked for again (a failed try).
    int EutilsWatchdogMs = 30000;
    // Tries in all for a busy or failing server, a dropped connection or a
    // reply that does not come; between them RetryDelayMs, twice that, ...
    // or the server's Retry-After.
    int EutilsTries = 3;
    int EutilsRetryDelayMs = 1000;
    // The E-utilities' pacing (3 requests a second, 10 with a key) holds for
    // a loopback server too; normally a local server is not paced.
    bool EutilsPaceLoopback = false;
    // A run gathers its whole list in few requests (grouped searches and
    // summaries, batched links and records) before it takes the terms one
    // by one; off: every term by its own requests.
    bool EutilsBatch = true;

    // The API key in the NCBI_API_KEY environment variable, as other NCBI
    // tools read it; "" when none.
    static QString ApiKeyFromEnvironment() {
        return qEnvironmentVariable("NCBI_API_KEY").trimmed();
    }

    // A server address as given on the command line, without trailing slashes.
    static QString ServerAddress(QString address) {
        while (address.endsWith(QLatin1Char('/'))) address.chop(1);
        return address;
    }

    QString IgtcBlastPage() const {
        return IgtcServerBase + QStringLiteral("/dataaccess/blast.html");
    }
};

}  // namespace quill
