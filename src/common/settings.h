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
