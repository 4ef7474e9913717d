// The command line that every command of quillfish-cli reads the same way:
// --help, --version and the usage errors, run through the program itself.

#include <QtTest>

#include "support/testsupport.h"

using namespace quill::test;

namespace {

struct Command {
    const char* name;      // "" for the program itself
    QStringList repeated;  // a value option given twice
    QStringList missing;   // a value option without its value
    QStringList options;   // options its help must list, among them the shared ones
};

const Command kCommands[] = {
    {"search",
     {"--save", "a", "--save", "b", "Pax6"},
     {"Pax6", "--save"},
     {"--demo", "--ncbi-server", "--max-page-mb", "--species", "--terms", "--save", "--fasta",
      "--report-pdf", "--title", "--source", "--eutils-server", "--email", "--api-key-file",
      "--unigene-map", "--record", "--replay"}},
    {"accession",
     {"--pick", "first", "--pick", "cancel", "NM_008084"},
     {"NM_008084", "--terms"},
     {"--demo", "--ncbi-server", "--max-page-mb", "--pick", "--terms", "--save", "--fasta",
      "--report-pdf", "--title", "--source", "--eutils-server", "--email", "--api-key-file",
      "--record", "--replay"}},
    {"get",
     {"--timeout", "1", "--timeout", "2", "/x"},
     {"/x", "--timeout"},
     {"--demo", "--ncbi-server", "--max-page-mb", "--timeout"}},
    {"igtc",
     {"--min-score", "1", "--min-score", "2"},
     {"--min-score"},
     {"--min-score", "--save", "--report-pdf", "--title"}},
    {"screen",
     {"--tpm", "1", "--tpm", "2", "Pax6"},
     {"Pax6", "--abundance"},
     {"--demo", "--ncbi-server", "--max-page-mb", "--mouse-tissues", "--no-tpm", "--terms",
      "--save", "--report-pdf", "--title"}},
    {"serve", {"--port", "1", "--port", "2"}, {"--port"}, {"--pages", "--host", "--port"}},
    {"unique", {"--save", "a", "--save", "b"}, {"--save"}, {"--save", "--report-pdf", "--title"}},
    {"", {}, {}, {}},
};

QString Program(const QString& command) {
    return command.isEmpty() ? QStringLiteral("quillfish-cli")
                             : QStringLiteral("quillfish-cli ") + command;
}

// A usage error as every command tells it: the reason, then the hint.
QString UsageError(const QString& command, const QString& reason) {
    return Program(command) + ": " + reason + "\nTry '" + Program(command) + " --help'.\n";
}

QStringList WithCommand(const QString& command, const QStringList& args) {
    return command.isEmpty() ? args : QStringList{command} + args;
}

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

  private slots:
    void sharedBehaviour_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("form");
        for (const Command& c : kCommands) {
            for (const char* form : {"help", "version", "unknown", "repeated", "missing"}) {
                // The program itself has no value options.
                if (!*c.name && (qstrcmp(form, "repeated") == 0 || qstrcmp(form, "missing") == 0))
                    continue;
                QTest::addRow("%s %s", *c.name ? c.name : "(program)", form)
                    << QString::fromLatin1(c.name) << QString::fromLatin1(form);
            }
        }
    }
    void sharedBehaviour() {
        QFETCH(QString, command);
        QFETCH(QString, form);
        const Command& c = *std::find_if(std::begin(kCommands), std::end(kCommands),
                                         [&](const Command& k) { return command == k.name; });
        if (form == "help") {
            const CliRun r = Cli(WithCommand(command, {"--help"}));
            QCOMPARE(r.status, 0);
            QCOMPARE(r.err, QString());
            QVERIFY2(r.out.startsWith("Usage: " + Program(command) + " [OPTIONS]"),
                     qPrintable(r.out));
            const QString options = r.out.mid(r.out.indexOf("\n\nOptions:\n"));
            QVERIFY2(options.size() > 11, qPrintable(r.out));
            for (const QString& option : c.options + QStringList{"-h, --help", "--version"})
                QVERIFY2(options.contains("\n  " + option + ' '), qPrintable(option));
            QCOMPARE(Cli(WithCommand(command, {"-h"})).out, r.out);
        } else if (form == "version") {
            const CliRun r = Cli(WithCommand(command, {"--version"}));
            QCOMPARE(r.status, 0);
            QCOMPARE(r.out, QStringLiteral("quillfish-cli %1.%2.%3\n")
                                .arg(QUILL_VERSION_MAJOR)
                                .arg(QUILL_VERSION_MINOR)
                                .arg(QUILL_VERSION_PATCH));
        } else {
            const QStringList args = form == "unknown"    ? QStringList{"--no-such-option"}
                                     : form == "repeated" ? c.repeated
                                                          : c.missing;
            const QString option = form == "unknown"    ? "--no-such-option"
                                   : form == "repeated" ? c.repeated.first()
                                                        : c.missing.last();
            const QString reason = form == "unknown"    ? "unknown option '" + option + "'"
                                   : form == "repeated" ? option + " given twice"
                                                        : option + " needs a value";
            const CliRun r = Cli(WithCommand(command, args));
            QCOMPARE(r.status, 2);
            QCOMPARE(r.out, QString());
            QCOMPARE(r.err, UsageError(command, reason));
        }
    }

    // A value the option does not take is a usage error naming the option.
    void badValues_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("reason");
        QTest::newRow("choice") << QStringList{"accession", "--pick", "last", "X"}
                                << "--pick takes first|cancel, not 'last'";
        QTest::newRow("shared number") << QStringList{"screen", "--max-page-mb", "16MB", "X"}
                                       << "--max-page-mb needs a number from 1 to 4096, not '16MB'";
        QTest::newRow("seconds") << QStringList{"get", "--timeout", "0", "/x"}
                                 << "--timeout needs a number of seconds, not '0'";
        QTest::newRow("switch") << QStringList{"search", "--demo=yes", "X"}
                                << "--demo takes no value";
        QTest::newRow("required") << QStringList{"igtc", "-"} << "--min-score is required";
        QTest::newRow("unknown command")
            << QStringList{"find", "--demo"} << "unknown command 'find'";
    }
    void badValues() {
        QFETCH(QStringList, args);
        QFETCH(QString, reason);
        const CliRun r = Cli(args);
        QCOMPARE(r.status, 2);
        const QString command = reason.startsWith("unknown command") ? QString() : args.first();
        QCOMPARE(r.err, UsageError(command, reason));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_commandline.moc"
