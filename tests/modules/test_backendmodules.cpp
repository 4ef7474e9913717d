// The back ends with large libraries (PDF output, spreadsheet readers, page
// server) are modules that the command line loads only when a run needs
// them: a run that does not need them does not load their libraries, and a
// module that is missing or broken gives a clear message, not a crash.

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "support/testsupport.h"

using namespace quill::test;

namespace {

// A quillfish-cli run with extra environment variables.
CliRun CliWith(const QStringList& env, const QStringList& args) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : env) e.insert(pair.section('=', 0, 0), pair.section('=', 1));
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(QUILL_CLI_PATH), args);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

const QString kBlast =
    QStringLiteral(QUILL_REALDATA_DIR "/biopython__Tests__Blast__text_2226_blastn_004.txt");
const QString kSheet = QStringLiteral(QUILL_TEST_DATA "/sheets/terms.xlsx");

// In a build without back-end modules (QUILL_BACKEND_MODULES off) only the
// PDF output is a module; the other back ends are part of the program.
bool IsModule(const QString& name) {
    return QUILL_BACKEND_MODULES || name == QLatin1String("pdf");
}

}  // namespace

class BackendModulesTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;

  private slots:
    // The shared libraries loaded by a run, as the dynamic loader lists
    // them: those of the back ends only when the run uses that back end.
    void runsLoadOnlyTheLibrariesTheyUse_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("loaded");
        QTest::addColumn<QStringList>("notLoaded");
        const QStringList sheets =
            IsModule("sheets") ? QStringList{"libfreexl", "liborcus", "libzip"} : QStringList{};
        const QStringList server =
            IsModule("pageserver") ? QStringList{"libcpp-httplib"} : QStringList{};
        const QStringList all = QStringList{"libQt6Gui"} + sheets + server;
        QTest::newRow("version") << QStringList{"--version"} << QStringList{} << all;
        QTest::newRow("igtc") << QStringList{"igtc", "--min-score", "100", kBlast} << QStringList{}
                              << all;
        QTest::newRow("igtc with a PDF")
            << QStringList{"igtc",         "--min-score",         "100",
                           "--report-pdf", tmp.filePath("r.pdf"), kBlast}
            << QStringList{"libQt6Gui"} << sheets + server;
        QFile hits(tmp.filePath("hits.txt"));
        QVERIFY(hits.open(QIODevice::WriteOnly) && hits.write("Gene1 | 1\nGene2 | 2\n") > 0);
        hits.close();
        QTest::newRow("unique on a text file")
            << QStringList{"unique", hits.fileName()} << QStringList{} << all;
        QTest::newRow("unique on a workbook")
            << QStringList{"unique", kSheet} << QStringList{"libfreexl", "liborcus", "libzip"}
            << QStringList{"libQt6Gui"} + server;
    }
    void runsLoadOnlyTheLibrariesTheyUse() {
        QFETCH(QStringList, args);
        QFETCH(QStringList, loaded);
        QFETCH(QStringList, notLoaded);
        const CliRun r = CliWith({"LD_DEBUG=files"}, args);
        QVERIFY2(r.status == 0, qPrintable(r.err.right(2000)));
        static const QRegularExpression file("file=([^ \\[]+)");
        QStringList files;
        for (auto m = file.globalMatch(r.err); m.hasNext();) files << m.next().captured(1);
        QVERIFY2(files.join(' ').contains("libQt6Core"), "no loader listing");
        for (const QString& lib : loaded)
            QVERIFY2(files.join(' ').contains(lib), qPrintable(lib + " not loaded"));
        for (const QString& lib : notLoaded)
            QVERIFY2(!files.join(' ').contains(lib), qPrintable(lib + " loaded"));
    }

    // A missing module, or a file that is no module, stops the run that
    // needs it with a message naming the module; nothing is written.
    void unusableModuleGivesAMessage_data() {
        QTest::addColumn<QString>("module");
        QTest::addColumn<bool>("junk");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QString pdf = tmp.filePath("none.pdf");
        for (const bool junk : {false, true}) {
            const QString problem = junk ? QStringLiteral(".so could not be loaded: ")
                                         : QStringLiteral(".so is missing");
            const char* kind = junk ? "broken " : "missing ";
            QTest::newRow(QByteArray(kind).append("pdf").constData())
                << QStringLiteral("pdf") << junk
                << QStringList{"igtc", "--min-score", "100", "--report-pdf", pdf, kBlast}
                << QStringLiteral(
                       "quillfish-cli: cannot write PDF reports: the PDF output "
                       "module %1/pdf") +
                       problem;
            QTest::newRow(QByteArray(kind).append("sheets").constData())
                << QStringLiteral("sheets") << junk << QStringList{"unique", kSheet}
                << QStringLiteral(
                       "quillfish-cli unique: Cannot read the spreadsheet "
                       "\"terms.xlsx\": the spreadsheet reader module %1/sheets") +
                       problem;
            QTest::newRow(QByteArray(kind).append("pageserver").constData())
                << QStringLiteral("pageserver") << junk << QStringList{"serve", "--port", "0"}
                << QStringLiteral("quillfish-cli serve: the page server module %1/pageserver") +
                       problem;
        }
    }
    void unusableModuleGivesAMessage() {
        QFETCH(QString, module);
        QFETCH(bool, junk);
        if (!IsModule(module)) QSKIP("part of the program in this build");
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QTemporaryDir modules;
        if (junk) {
            for (const char* name : {"pdf.so", "sheets.so", "pageserver.so"}) {
                QFile f(modules.filePath(name));
                QVERIFY(f.open(QIODevice::WriteOnly) && f.write("not a module") > 0);
            }
        }
        const CliRun r = CliWith({"QUILLFISH_MODULE_DIR=" + modules.path()}, args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(message.arg(modules.path())), qPrintable(r.err));
        QVERIFY(!QFile::exists(tmp.filePath("none.pdf")));
    }
};

QTEST_GUILESS_MAIN(BackendModulesTest)
#include "test_backendmodules.moc"
