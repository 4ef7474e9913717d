#include "cli/commandline.h"

#include "cli/commands.h"
#include "text/version.h"

namespace quill::cli {

namespace {

const Option kHelp{QStringLiteral("help"), {}, QStringLiteral("show this help and end")};
const Option kVersion{QStringLiteral("version"), {}, QStringLiteral("show the version and end")};

// Help lines are at most this wide.
constexpr qsizetype kHelpWidth = 79;
// Option names wider than this have their description on the next line.
constexpr qsizetype kNamesWidth = 22;

QString NamesOf(const Option& option) {
    QString names = option.name == kHelp.name ? QStringLiteral("-h, --help") : Dashed(option.name);
    if (!option.valueName.isEmpty()) names += QLatin1Char(' ') + option.valueName;
    return names;
}

QString DescriptionOf(const Option& option) {
    return option.required ? option.description + QStringLiteral(" (required)")
                           : option.description;
}

// The option's help: its names, then its description in words filling the
// lines from column indent on.
QString OptionHelp(const Option& option, qsizetype indent) {
    QString text = QStringLiteral("  ") + NamesOf(option);
    QString line;
    if (text.size() + 2 > indent) {
        text += QLatin1Char('\n');
        line = QString(indent, QLatin1Char(' '));
    } else {
        line = text.leftJustified(indent);
        text.clear();
    }
    bool first = true;
    for (const QString& word : DescriptionOf(option).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!first && line.size() + 1 + word.size() > kHelpWidth) {
            text += line + QLatin1Char('\n');
            line = QString(indent, QLatin1Char(' '));
            first = true;
        }
        line += (first ? QString() : QStringLiteral(" ")) + word;
        first = false;
    }
    return text + line + QLatin1Char('\n');
}

}  // namespace

QString Dashed(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

CommandLine::CommandLine(QString command, QString arguments, QString description)
    : command_(std::move(command)),
      arguments_(std::move(arguments)),
      description_(std::move(description)) {
    // -demo is --demo; the only option of one letter is -h.
    parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
}

void CommandLine::Add(const Option& option) {
    options_.push_back(option);
    if (option.valueName.isEmpty() && !option.choices.isEmpty())
        options_.back().valueName = option.choices.join(QLatin1Char('|'));
}

void CommandLine::StopAtFirstArgument() {
    parser_.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
}

std::optional<int> CommandLine::Parse(const QStringList& args) {
    for (const Option& o : options_)
        parser_.addOption(QCommandLineOption(o.name, o.description, o.valueName));
    parser_.addOption(QCommandLineOption({QStringLiteral("h"), kHelp.name}, kHelp.description));
    parser_.addOption(QCommandLineOption(kVersion.name, kVersion.description));
    // The parser skips the first argument, the program's name.
    const bool parsed = parser_.parse(QStringList{QStringLiteral("quillfish-cli")} + args);
    // Help and version go before any mistake on the same line.
    if (parser_.isSet(kHelp.name)) {
        Out(HelpText());
        return 0;
    }
    if (parser_.isSet(kVersion.name)) {
        Out(QStringLiteral("quillfish-cli ") + QuillVersion() + QLatin1Char('\n'));
        return 0;
    }
    if (!parsed) return UsageError(ParseError(args));
    for (const Option& o : options_) {
        if (o.valueName.isEmpty()) continue;
        const QStringList values = parser_.values(o.name);
        if (values.size() > 1) return UsageError(Dashed(o.name) + QStringLiteral(" given twice"));
        if (values.isEmpty() && o.required)
            return UsageError(Dashed(o.name) + QStringLiteral(" is required"));
        if (!values.isEmpty() && !o.choices.isEmpty() && !o.choices.contains(values.first()))
            return UsageError(
                QStringLiteral("%1 takes %2, not '%3'")
                    .arg(Dashed(o.name), o.choices.join(QLatin1Char('|')), values.first()));
    }
    return std::nullopt;
}

QString CommandLine::ParseError(const QStringList& args) const {
    const QStringList unknown = parser_.unknownOptionNames();
    if (!unknown.isEmpty())
        return QStringLiteral("unknown option '%1'").arg(Dashed(unknown.first()));
    // A value option fails for want of its value only as the last argument
    // (any next argument is its value).
    const QString last = args.isEmpty() ? QString() : args.last();
    for (const Option& o : options_) {
        if (!o.valueName.isEmpty() &&
            (last == Dashed(o.name) || last == QStringLiteral("-") + o.name))
            return Dashed(o.name) + QStringLiteral(" needs a value");
    }
    // Else a switch was given a value (--demo=yes).
    for (const Option& o : options_) {
        if (!o.valueName.isEmpty()) continue;
        for (const QString& arg : args) {
            if (arg == QLatin1String("--")) break;
            if (arg.startsWith(Dashed(o.name) + QLatin1Char('=')) ||
                arg.startsWith(QStringLiteral("-") + o.name + QLatin1Char('=')))
                return Dashed(o.name) + QStringLiteral(" takes no value");
        }
    }
    return parser_.errorText();
}

bool CommandLine::IsSet(const QString& name) const {
    return parser_.isSet(name);
}

QString CommandLine::Value(const QString& name) const {
    return parser_.value(name);
}

QStringList CommandLine::Positional() const {
    return parser_.positionalArguments();
}

std::optional<int> CommandLine::Int(const QString& name, int low, int high, int fallback) const {
    if (!IsSet(name)) return fallback;
    const QString text = Value(name);
    bool ok = false;
    const int value = text.toInt(&ok);
    if (ok && value >= low && value <= high) return value;
    UsageError(QStringLiteral("%1 needs a number from %2 to %3, not '%4'")
                   .arg(Dashed(name))
                   .arg(low)
                   .arg(high)
                   .arg(text));
    return std::nullopt;
}

QString CommandLine::Program() const {
    return command_.isEmpty() ? QStringLiteral("quillfish-cli")
                              : QStringLiteral("quillfish-cli ") + command_;
}

QString CommandLine::Prefix() const {
    return Program() + QStringLiteral(": ");
}

int CommandLine::UsageError(const QString& text) const {
    Err(Prefix() + text + QStringLiteral("\nTry '%1 --help'.").arg(Program()));
    return kExitUsage;
}

QString CommandLine::HelpText() const {
    QString text = QStringLiteral("Usage: ") + Program() + QStringLiteral(" [OPTIONS]");
    if (!arguments_.isEmpty()) text += QLatin1Char(' ') + arguments_;
    text += QStringLiteral("\n\n") + description_ + QStringLiteral("\nOptions:\n");
    std::vector<Option> all = options_;
    all.push_back(kHelp);
    all.push_back(kVersion);
    qsizetype indent = 0;
    for (const Option& o : all) {
        const qsizetype width = NamesOf(o).size();
        if (width <= kNamesWidth) indent = std::max(indent, width);
    }
    indent += 4;  // two blanks before the names and two after
    for (const Option& o : all) text += OptionHelp(o, indent);
    return text;
}

}  // namespace quill::cli
