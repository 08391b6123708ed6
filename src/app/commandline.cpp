#include "commandline.h"

#include "optionsfile.h"
#include "optionvalues.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>

namespace CommandLine {

namespace {

using OptionValues::Kind;

constexpr qsizetype HelpIndent = 24;
constexpr qsizetype HelpWidth = 79;

// One option of --help: its names, then its description word-wrapped in a column of its own.
QString helpRow(const QString &names, const QString &description)
{
    QString text;
    QString line = QLatin1String("  ") + names;
    if (line.size() + 2 > HelpIndent) {
        text = line + QLatin1Char('\n');
        line.clear();
    }
    line = line.leftJustified(HelpIndent);
    bool first = true;
    for (const QString &word : description.split(QLatin1Char(' '))) {
        if (!first && line.size() + 1 + word.size() > HelpWidth) {
            text += line + QLatin1Char('\n');
            line = QString(HelpIndent, QLatin1Char(' '));
        } else if (!first) {
            line += QLatin1Char(' ');
        }
        line += word;
        first = false;
    }
    return text + line + QLatin1Char('\n');
}

QString helpRows(Kind first, Kind second)
{
    QString rows;
    for (const OptionValues::Option &option : OptionValues::options()) {
        if (option.kind != first && option.kind != second)
            continue;
        QString names = QLatin1String("--") + option.name;
        if (!option.valueName.isEmpty())
            names += QLatin1Char(' ') + option.valueName;
        rows += helpRow(names, option.help);
    }
    return rows;
}

Outcome refuse(const QString &line)
{
    Outcome outcome;
    outcome.exitCode = 2;
    outcome.error = QLatin1String("talk-countdown: ") + line;
    return outcome;
}

// "--name" as the speaker typed it, for messages; the parser drops the dashes.
QString dashed(const QString &name)
{
    return (name.size() == 1 ? QLatin1String("-") : QLatin1String("--")) + name;
}

// A negative LENGTH such as "-5" would read as an unknown option "5"; call it a bad length.
std::optional<QString> negativeLength(const QStringList &arguments)
{
    static const QRegularExpression negative(QStringLiteral("^-[0-9]"));
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--"))
            return std::nullopt;
        const OptionValues::Option *before = arguments.at(i - 1).startsWith(QLatin1String("--"))
                                                 ? OptionValues::find(arguments.at(i - 1).mid(2))
                                                 : nullptr;
        const bool isValue = before && before->kind == Kind::Setting;
        if (!isValue && negative.match(arguments.at(i)).hasMatch())
            return arguments.at(i);
    }
    return std::nullopt;
}

QString lengthError(const QString &text, const QString &reason)
{
    return QStringLiteral("length '%1': %2").arg(text, reason);
}

} // namespace

QString helpText()
{
    return QStringLiteral(
               "Usage: talk-countdown [OPTIONS] [LENGTH]\n"
               "\n"
               "演讲倒计时: a countdown bar for speakers. It sits in the top-right corner of\n"
               "the screen above every window, a full-screen slide show included, and never\n"
               "takes the keyboard focus. Right-click the bar for Start (启动), Pause (暂停),\n"
               "Settings (设置) and Exit (退出).\n"
               "\n"
               "LENGTH is the talk's length in minutes (20) or as m:ss (20:00, 1:30), up to\n"
               "99:59. The bar starts ready with it, stopped, as after 确定 on the settings "
               "panel.\n"
               "\n"
               "Settings:\n")
           + helpRows(Kind::Setting, Kind::Flag)
           + QStringLiteral("\nCommands for the bar that already runs:\n")
           + helpRows(Kind::Command, Kind::Command)
           + QStringLiteral(
               "\n"
               "  -h, --help            show this help and exit\n"
               "  -v, --version         show the version and exit\n"
               "\n"
               "The options file $XDG_CONFIG_HOME/talk-countdown/talk-countdown.conf (or\n"
               "~/.config/talk-countdown/talk-countdown.conf) takes the settings as keys, and\n"
               "LENGTH as \"length\": for example reminder=30, borderless=true, length=20:00.\n"
               "The command line wins over it; the program never writes it. Without arguments\n"
               "and without that file every run starts from the defaults; nothing is saved.\n"
               "Bad input ends the program with status 2.\n");
}

QString versionText()
{
    return QStringLiteral("talk-countdown " TC_VERSION "\n");
}

Outcome check(const QStringList &arguments,
              const std::function<QByteArray(const char *)> &environment)
{
    if (const auto negative = negativeLength(arguments)) {
        TalkOptions refused;
        return refuse(lengthError(
            *negative, *OptionValues::set(refused, OptionValues::LengthKey, *negative, {})));
    }

    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, {});
    parser.addOption(help);
    parser.addOption(version);
    for (const OptionValues::Option &option : OptionValues::options())
        parser.addOption(QCommandLineOption(option.name, option.help, option.valueName));
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        return refuse(
            unknown.isEmpty()
                ? parser.errorText()
                : QStringLiteral("unknown option '%1' (try --help)").arg(dashed(unknown.first())));
    }
    Outcome outcome;
    if (parser.isSet(help) || parser.isSet(version)) {
        outcome.output = parser.isSet(help) ? helpText() : versionText();
        return outcome;
    }

    TalkOptions &given = outcome.commandLine;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return refuse(QStringLiteral("one LENGTH expected, not '%1'").arg(positional.join("' '")));
    if (!positional.isEmpty()) {
        if (const auto reason = OptionValues::set(given, OptionValues::LengthKey,
                                                  positional.first(), QDir::currentPath()))
            return refuse(lengthError(positional.first(), *reason));
    }
    for (const OptionValues::Option &option : OptionValues::options()) {
        if (!parser.isSet(option.name))
            continue;
        const QString text =
            option.kind == Kind::Setting ? parser.value(option.name) : QStringLiteral("true");
        if (const auto reason = OptionValues::set(given, option.name, text, QDir::currentPath()))
            return refuse(QStringLiteral("--%1 '%2': %3").arg(option.name, text, *reason));
    }
    if (const auto problem = OptionValues::reminderProblem(given))
        return refuse(*problem);

    const QByteArray platform = environment("QT_QPA_PLATFORM");
    const bool x11 = !environment("DISPLAY").isEmpty();
    const bool wayland = !environment("WAYLAND_DISPLAY").isEmpty();
    if (platform.isEmpty() && !x11) {
        outcome.exitCode = 1;
        outcome.error =
            wayland ? QStringLiteral("talk-countdown: this Wayland session has no XWayland display "
                                     "(DISPLAY is not set); the bar needs one to stay on top.")
                    : QStringLiteral("talk-countdown: no display found (DISPLAY is not set); "
                                     "start it from a desktop session.");
        return outcome;
    }

    OptionsFile file(OptionsFile::defaultPath(environment));
    TalkOptions fromFile = file.read();
    if (const auto problem = OptionValues::reminderProblem(fromFile.overriddenBy(given))) {
        // The reminder the speaker typed is refused; one from the file is only left out.
        if (given.reminderSeconds && given.lengthSeconds)
            return refuse(*problem);
        if (given.reminderSeconds)
            return refuse(*problem + QStringLiteral(" (set in %1)").arg(file.path()));
        file.ignore(QStringLiteral("reminder"), *problem);
        fromFile.reminderSeconds.reset();
    }
    outcome.warnings = file.warnings();
    outcome.options = fromFile.overriddenBy(given);
    outcome.proceed = true;
    return outcome;
}

} // namespace CommandLine
