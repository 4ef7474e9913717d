#pragma once
// Implementation settings: server addresses and page-wait timing. Set from the
// command line (--ncbi-server, --igtc-server, --demo); no settings file.

#include <QString>

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
