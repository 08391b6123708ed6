#include "commandline.h"

#include "optionsfile.h"
#include "optionvalues.h"
#include "soundfilecheck.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>

namespace CommandLine {

namespace {

using OptionValues::Kind;

constexpr qsizetype HelpIndent = 24;
// Terminal columns; a CJK character takes two of them.
constexpr qsizetype HelpWidth = 79;

// East Asian wide characters (Hangul Jamo, CJK and its punctuation, Hangul syllables, CJK
// compatibility ideographs and forms, fullwidth forms, the supplementary ideographs) fill two
// terminal columns.
bool wide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF)
           || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF)
           || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
           || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

qsizetype columns(const QString &text)
{
    qsizetype n = 0;
    for (const char32_t c : text.toUcs4())
        n += wide(c) ? 2 : 1;
    return n;
}

// `text` word-wrapped to HelpWidth columns: its first words after `line`, every further line
// indented by `indent` spaces.
QString wrapped(QString line, const QString &text, qsizetype indent)
{
    QString out;
    bool empty = true; // no word on this line yet
    for (const QString &word : text.split(QLatin1Char(' '))) {
        if (!empty && columns(line) + 1 + columns(word) > HelpWidth) {
            out += line + QLatin1Char('\n');
            line = QString(indent, QLatin1Char(' '));
            empty = true;
        }
        if (!empty)
            line += QLatin1Char(' ');
        line += word;
        empty = false;
    }
    return out + line + QLatin1Char('\n');
}

// One option of --help: its names, then its description word-wrapped in a column of its own.
QString helpRow(const QString &names, const QString &description)
{
    QString text;
    QString line = QLatin1String("  ") + names;
    if (line.size() + 2 > HelpIndent) {
        text = line + QLatin1Char('\n');
        line.clear();
    }
    return text + wrapped(line.leftJustified(HelpIndent), description, HelpIndent);
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
    outcome.error = MessagePrefix + line;
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
    return QStringLiteral("length '%1': %2").arg(OptionValues::quoted(text), reason);
}

} // namespace

QString helpText()
{
    const auto paragraph = [](const QString &text) { return wrapped({}, text, 0); };
    return QStringLiteral("Usage: talk-countdown [OPTIONS] [LENGTH]\n\n")
           + paragraph(QStringLiteral(
               "演讲倒计时: a countdown bar for speakers. It sits in the top-right corner of the "
               "screen above every window, a full-screen slide show included, and never takes "
               "the keyboard focus. Right-click the bar for Start (启动), Pause (暂停), Settings "
               "(设置) and Exit (退出)."))
           + QLatin1Char('\n')
           + paragraph(QStringLiteral(
               "LENGTH is the talk's length in minutes (20) or as m:ss (20:00, 1:30), up to "
               "99:59. The bar starts ready with it, stopped, as after 确定 on the settings "
               "panel."))
           + QStringLiteral("\nSettings:\n") + helpRows(Kind::Setting, Kind::Flag)
           + QStringLiteral("\nCommands for the bar that already runs:\n")
           + helpRows(Kind::Command, Kind::Command) + QLatin1Char('\n')
           + helpRow(QStringLiteral("-h, --help"), QStringLiteral("show this help and exit"))
           + helpRow(QStringLiteral("-v, --version"), QStringLiteral("show the version and exit"))
           + QLatin1Char('\n')
           + paragraph(QStringLiteral(
               "The options file $XDG_CONFIG_HOME/talk-countdown/talk-countdown.conf (or "
               "~/.config/talk-countdown/talk-countdown.conf) takes the settings as keys, and "
               "LENGTH as \"length\": for example reminder=30, borderless=true, length=20:00. "
               "The command line wins over it; the program never writes it. A value in it that "
               "cannot be used is reported and left out; a screen not plugged in is waited for. "
               "Without arguments and without that "
               "file every run starts from the defaults; nothing is saved. Bad input on the "
               "command line ends the program with status 2, no display with status 1."));
}

QString versionText()
{
    return QStringLiteral("talk-countdown " TC_VERSION "\n");
}

Outcome parse(const QStringList &arguments, const QString &baseDir)
{
    const OptionValues::Option &length = *OptionValues::find(OptionValues::LengthKey);
    if (const auto negative = negativeLength(arguments)) {
        TalkOptions refused;
        return refuse(lengthError(*negative, *length.parse(refused, *negative, baseDir)));
    }

    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, {});
    parser.addOption(help);
    parser.addOption(version);
    for (const OptionValues::Option &option : OptionValues::options()) {
        if (option.kind != Kind::Length)
            parser.addOption(QCommandLineOption(option.name, option.help, option.valueName));
    }
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        return refuse(unknown.isEmpty() ? parser.errorText()
                                        : QStringLiteral("unknown option '%1' (try --help)")
                                              .arg(OptionValues::quoted(dashed(unknown.first()))));
    }
    Outcome outcome;
    if (parser.isSet(help) || parser.isSet(version)) {
        outcome.output = parser.isSet(help) ? helpText() : versionText();
        return outcome;
    }

    TalkOptions &given = outcome.commandLine;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return refuse(QStringLiteral("one LENGTH expected, not '%1'")
                          .arg(OptionValues::quoted(positional.join("' '"))));
    if (!positional.isEmpty()) {
        if (const auto reason = length.parse(given, positional.first(), baseDir))
            return refuse(lengthError(positional.first(), *reason));
    }
    for (const OptionValues::Option &option : OptionValues::options()) {
        if (option.kind == Kind::Length || !parser.isSet(option.name))
            continue;
        const QString text =
            option.kind == Kind::Setting ? parser.value(option.name) : QStringLiteral("true");
        if (const auto reason = option.parse(given, text, baseDir))
            return refuse(QStringLiteral("--%1 '%2': %3")
                              .arg(option.name, OptionValues::quoted(text), *reason));
    }
    if (const auto problem = OptionValues::reminderProblem(given))
        return refuse(*problem);
    outcome.proceed = true;
    return outcome;
}

Outcome check(const QStringList &arguments,
              const std::function<QByteArray(const char *)> &environment)
{
    Outcome outcome = parse(arguments, QDir::currentPath());
    if (!outcome.proceed)
        return outcome;
    const TalkOptions &given = outcome.commandLine;
    outcome.proceed = false; // until the display and the options file are through

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

    OptionsFile &file = outcome.file;
    file = OptionsFile(OptionsFile::defaultPath(environment));
    TalkOptions fromFile = file.read();
    if (fromFile.soundFile && !given.soundFile) {
        if (const auto problem = SoundFileCheck::problem(*fromFile.soundFile)) {
            file.ignore(QStringLiteral("sound"), *problem);
            fromFile.soundFile.reset();
        }
    }
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
