#pragma once
// The command line of quillfish-cli and of each of its commands, read the
// same way for all (QCommandLineParser underneath):
// - -h/--help prints the usage line, the description and the options to
//   standard output; --version prints "quillfish-cli <version>"; both end the
//   run with status 0;
// - an option is written --name or -name, its value as the next argument or
//   after "="; "--" ends the options; a lone "-" is an argument;
// - an unknown option, a value option without its value, a value option given
//   twice, a value not in the option's list, or a required option missing is a
//   usage error: one line on stderr, the hint to --help and exit status 2:
//     quillfish-cli search: --save needs a value
//     Try 'quillfish-cli search --help'.
//
// In a command:
//   CommandLine line(QStringLiteral("get"), QStringLiteral("ADDRESS"), kGetDescription);
//   line.Add({QStringLiteral("timeout"), QStringLiteral("SECONDS"), QStringLiteral("...")});
//   AddServerOptions(line);  // a group of options other commands take too
//   if (const std::optional<int> end = line.Parse(args)) return *end;
//   ... line.Value(QStringLiteral("timeout")), line.Positional() ...
//   if (bad) return line.UsageError(QStringLiteral("..."));

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace quill::cli {

// Exit status of a usage error.
inline constexpr int kExitUsage = 2;

struct Option {
    QString name;              // without dashes
    QString valueName;         // empty: a switch, which takes no value
    QString description;       // one line; the help wraps it
    QStringList choices = {};  // not empty: the only values the option takes,
                               // named "first|second" in the help
    bool required = false;
};

class CommandLine {
  public:
    // command: the command's name, empty for the program itself; arguments:
    // the usage line's arguments after [OPTIONS] ("TERM...", "[INPUT]");
    // description: the help's text between the usage line and the options,
    // lines ended by "\n".
    CommandLine(QString command, QString arguments, QString description);

    void Add(const Option& option);
    // The arguments up to the first one that is not an option are read, the
    // rest is taken as it is (Positional): the program's own command line,
    // whose first argument names the command.
    void StopAtFirstArgument();

    // Reads args (those after the command's name). nullopt when the run goes
    // on; else the exit status, after the help, the version or a usage error
    // was printed.
    std::optional<int> Parse(const QStringList& args);

    bool IsSet(const QString& name) const;
    // The option's value; empty when it was not given.
    QString Value(const QString& name) const;
    QStringList Positional() const;
    // The option's value as a whole number from low to high, or fallback when
    // not given; nullopt after a usage error when it is not such a number.
    std::optional<int> Int(const QString& name, int low, int high, int fallback) const;

    // "quillfish-cli search: " ("quillfish-cli: " for the program).
    QString Prefix() const;
    // Prints the usage error text with the hint to --help; returns kExitUsage.
    int UsageError(const QString& text) const;
    QString HelpText() const;

  private:
    QString Program() const;  // "quillfish-cli search"
    QString ParseError(const QStringList& args) const;

    QString command_, arguments_, description_;
    std::vector<Option> options_;
    QCommandLineParser parser_;
};

// "--name" ("-n" for a name of one letter).
QString Dashed(const QString& name);

}  // namespace quill::cli
