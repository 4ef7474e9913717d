// Saving on a full disk: every save (the command line's, the windows', the
// PDF output's) keeps the old file and tells the system's reason when a write
// fails. A full disk is stood in for by a file size limit (writes past it fail
// with "File too large") and by /dev/full; a named pipe or a device is
// written into, not replaced.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <optional>

#include "igtc/gui/frmigtc.h"
#include "printing/gui/qtprinter.h"
#include "profile/gui/frmhits.h"
#include "search/gui/frmquill.h"
#include "support/testsupport.h"
#include "support/widgets.h"
#include "text/quotedfile.h"
#include "unique/gui/frmunique.h"
#include "widgets/appcontext.h"
#include "widgets/platform.h"
#include "widgets/termlisteditor.h"

using namespace quill;
using namespace quill::ui;

namespace {

// While it lives, no file of this process, or of a process it starts, can
// grow past the given size, as on a disk that has filled up.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
        signal_ = signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, signal_);
    }

  private:
    rlimit old_;
    sighandler_t signal_;
};

const QByteArray kOld = "\"old results\"\r\n";
const char* const kFull = "File too large";

mode_t Mode(const QString& path) {
    struct stat st {};
    return stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode : 0;
}

}  // namespace

class SaveFileTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir_;  // a new one for every test

    QString oldFile(const QString& name) {
        const QString path = dir_->filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(kOld) != kOld.size()) qFatal("no old file");
        return path;
    }
    // Every file of the folder, temporary ones too.
    QStringList files() const {
        return QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

  private slots:
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }

    void failedWriteKeepsTheOldFile_data() {
        QTest::addColumn<qint64>("limit");  // the file size limit; -1: the target is /dev/full
        QTest::addColumn<int>("size");      // bytes written
        QTest::addColumn<QString>("reason");
        QTest::newRow("small file") << qint64(0) << 100 << kFull;
        QTest::newRow("large file, full part way") << qint64(20000) << 100000 << kFull;
        QTest::newRow("device without space") << qint64(-1) << 100 << "No space left on device";
    }
    void failedWriteKeepsTheOldFile() {
        QFETCH(qint64, limit);
        QFETCH(int, size);
        QFETCH(QString, reason);
        if (limit < 0 && !S_ISCHR(Mode("/dev/full"))) QSKIP("no /dev/full");
        const QString path = limit < 0 ? QString("/dev/full") : oldFile("results.txt");
        const QStringList before = files();
        WriteResult r;
        {
            std::optional<FileSizeLimit> full;
            if (limit >= 0) full.emplace(rlim_t(limit));
            r = WriteFileAtomically(path, QByteArray(size, 'x'));
        }
        QVERIFY(!r.ok);
        QCOMPARE(r.error, path + ": " + reason);
        QCOMPARE(files(), before);
        if (limit >= 0) QCOMPARE(test::ReadBytes(path), kOld);
        QVERIFY(S_ISCHR(Mode("/dev/full")));
    }

    // A named pipe is written into, for the program that reads it.
    void namedPipeIsWrittenInto() {
        const QString pipe = dir_->filePath("pipe");
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const int reader = open(QFile::encodeName(pipe).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        const WriteResult r = WriteQuotedItems(pipe, {"a", "b"});
        char got[64];
        const ssize_t n = read(reader, got, sizeof got);
        close(reader);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(QByteArray(got, std::max<ssize_t>(n, 0)), "\"a\"\r\n\"b\"\r\n");
        QVERIFY(S_ISFIFO(Mode(pipe)));
    }

    // A replaced file keeps its permissions; a link stays and names the new file.
    void replacedFileKeepsModeAndLink() {
        const QString target = oldFile("target.txt");
        QCOMPARE(chmod(QFile::encodeName(target).constData(), 0640), 0);
        const QString link = dir_->filePath("link.txt");
        QVERIFY(QFile::link(target, link));
        const WriteResult r = WriteQuotedItems(link, {"new"});
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(test::ReadBytes(target), "\"new\"\r\n");
        QCOMPARE(Mode(target) & 07777, mode_t(0640));
    }

    // Every save of the command line: exit status 1, the reason on standard
    // error, the old file as it was.
    void commandLineSaves_data() {
        QTest::addColumn<QStringList>("args");  // FILE stands for the file saved
        QTest::addColumn<QByteArray>("input");
        const QByteArray blast =
            "Query= ABC1\r\n         (1234 letters)\r\n\r\n"
            "Sequences producing significant alignments:      (bits) Value"
            "\r\n\r\nIGTC|CMHD-CT1 trap (Pax6)  250  1e-50\r\n\r\n";
        QTest::newRow("search --save")
            << QStringList{"search", "--demo", "--source", "unigene", "--pick",
                           "first",  "--save", "FILE",     "Gata4"}
            << QByteArray();
        QTest::newRow("search --fasta")
            << QStringList{"search", "--demo",  "--source", "unigene", "--pick",
                           "first",  "--fasta", "FILE",     "Gata4"}
            << QByteArray();
        QTest::newRow("accession --save")
            << QStringList{"accession", "--demo", "--source", "unigene",
                           "--save",    "FILE",   "NM_008084"}
            << QByteArray();
        QTest::newRow("screen --save")
            << QStringList{"screen", "--demo", "--save", "FILE", "Gata4"} << QByteArray();
        QTest::newRow("igtc --save")
            << QStringList{"igtc", "--min-score", "100", "--save", "FILE"} << blast;
        QTest::newRow("unique --save")
            << QStringList{"unique", "--save", "FILE"} << QByteArray("ABC1 | 1\n");
        QTest::newRow("unique --report-pdf")
            << QStringList{"unique", "--report-pdf", "FILE", "--title", "Hits"}
            << QByteArray("ABC1 | 1\n");
    }
    void commandLineSaves() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        const QString path = oldFile("saved.txt");
        args.replace(args.indexOf("FILE"), path);
        test::CliRun run;
        {
            FileSizeLimit full(0);
            run = test::Cli(args, input);
        }
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(path + ": " + kFull), qPrintable(run.err));
        QCOMPARE(test::ReadBytes(path), kOld);
        QCOMPARE(files(), QStringList{"saved.txt"});
    }

    // Every window's Save: a message under the button's name that gives the
    // reason, and the old file as it was.
    void windowSaves_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("title");
        QTest::newRow("frmQuill") << "frmQuill"
                                  << "Save";
        QTest::newRow("frmIGTC") << "frmIGTC"
                                 << "Save Hits";
        QTest::newRow("frmHits") << "frmHits"
                                 << "Save";
        QTest::newRow("frmUnique") << "frmUnique"
                                   << "Save";
    }
    void windowSaves() {
        QFETCH(QString, window);
        QFETCH(QString, title);
        AppContext ctx;
        PlatformDouble platform;
        std::unique_ptr<QWidget> w;
        if (window == "frmQuill") w = std::make_unique<FrmQuill>(ctx);
        if (window == "frmIGTC") w = std::make_unique<FrmIGTC>(ctx);
        if (window == "frmHits") w = std::make_unique<FrmHits>(ctx);
        if (window == "frmUnique") w = std::make_unique<FrmUnique>(ctx);
        // As after a run: the button and its frame enabled, something to save.
        for (QWidget* c = test::Find(w.get(), "cmdSave"); c != w.get(); c = c->parentWidget())
            c->setEnabled(true);
        if (auto* unique = qobject_cast<FrmUnique*>(w.get())) {
            unique->Editor()->SetTerms({"ABC1 | 1"});
            test::Click(unique, "cmdFind");
        }
        const QString path = oldFile("saved.txt");
        platform.queueSaveFile(path);
        {
            FileSizeLimit full(0);
            test::Click(w.get(), "cmdSave");
        }
        QCOMPARE(test::ReadBytes(path), kOld);
        QCOMPARE(files(), QStringList{"saved.txt"});
        QCOMPARE(platform.messageTexts().size(), 1);
        const Shown& message = platform.shown.last();
        QCOMPARE(message.title, title);
        QCOMPARE(message.icon, Icon::Exclamation);
        QVERIFY2(message.text.contains(path + ": " + kFull), qPrintable(message.text));
    }

    // The print-to-PDF folder: the printout is not printed, the question that
    // offers another file gives the reason, and no file is left.
    void printToPdfFolder() {
        QtPrinter::SetNoPrinterForTesting(true);
        PlatformDouble platform;  // answers No
        Settings settings;
        settings.PrintToPdfDir = dir_->filePath("prints");
        QtPrinter printer(nullptr, settings);
        printer.PrintCentred("Hits");
        bool printed = true;
        {
            FileSizeLimit full(0);
            printed = printer.EndDoc();
        }
        QVERIFY(!printed);
        QVERIFY2(platform.shown.value(0).text.contains(kFull), qPrintable(printer.Error()));
        QCOMPARE(QDir(settings.PrintToPdfDir).entryList(QDir::Files | QDir::Hidden).size(), 0);
        QtPrinter::SetNoPrinterForTesting(false);
    }
};

QTEST_MAIN(SaveFileTest)
#include "test_savefile.moc"
