#include "optionvalues.h"

#include <QDir>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace OptionValues {

namespace {

// Reads an option's text into a value: nothing when the text is refused. `baseDir` makes a
// relative path absolute.
template<typename T>
using Reader = std::optional<T> (*)(const QString &text, const QString &baseDir);

std::optional<int> readLength(const QString &text, const QString &)
{
    return parseLength(text);
}

std::optional<int> readReminder(const QString &text, const QString &)
{
    static const QRegularExpression digits(u"^[0-9]{1,2}$"_s);
    if (!digits.match(text).hasMatch() || text.toInt() > TalkOptions::MaxReminder)
        return std::nullopt;
    return text.toInt();
}

std::optional<QString> readNonEmpty(const QString &text, const QString &)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed);
}

std::optional<QString> readPath(const QString &text, const QString &baseDir)
{
    const std::optional<QString> path = readNonEmpty(text, baseDir);
    if (!path)
        return std::nullopt;
    return QDir::cleanPath(QDir(baseDir).absoluteFilePath(*path));
}

std::optional<QString> readLanguage(const QString &text, const QString &)
{
    if (text != "en"_L1 && text != "zh"_L1)
        return std::nullopt;
    return text;
}

std::optional<TalkOptions::AtZero> readAtZero(const QString &text, const QString &)
{
    if (text == "reset"_L1)
        return TalkOptions::AtZero::Reset;
    if (text == "hold"_L1)
        return TalkOptions::AtZero::Hold;
    if (text == "overtime"_L1)
        return TalkOptions::AtZero::Overtime;
    return std::nullopt;
}

// "A" or "A,B" as m:ss, amber at A, red at B; B below A.
std::optional<TalkOptions::Stages> readStages(const QString &text, const QString &)
{
    const QStringList parts = text.split(u',');
    if (parts.size() > 2)
        return std::nullopt;
    const std::optional<int> amber = parseLength(parts.at(0).trimmed());
    if (!amber)
        return std::nullopt;
    std::optional<int> red;
    if (parts.size() == 2) {
        red = parseLength(parts.at(1).trimmed());
        if (!red || *red >= *amber)
            return std::nullopt;
    }
    return TalkOptions::Stages(*amber, red);
}

std::optional<bool> readBool(const QString &text, const QString &)
{
    return parseBool(text);
}

// The same switch, the other way round: --no-follow-show.
std::optional<bool> readNegated(const QString &text, const QString &)
{
    const std::optional<bool> on = parseBool(text);
    return on ? std::optional<bool>(!*on) : std::nullopt;
}

// A row whose text `read` turns into its `field`, or is refused for `refusal`.
template<typename T>
Option row(QString name, Kind kind, QString valueName, QString help,
           std::optional<T> TalkOptions::*field, Reader<T> read, QString refusal)
{
    Parse parse = [field, read, refusal](TalkOptions &options, const QString &text,
                                         const QString &baseDir) -> std::optional<QString> {
        std::optional<T> value = read(text, baseDir);
        if (!value)
            return refusal;
        options.*field = std::move(value);
        return std::nullopt;
    };
    return {std::move(name), kind, std::move(valueName), std::move(help), field, std::move(parse)};
}

Option setting(QString name, QString valueName, QString help, auto field, auto read,
               QString refusal)
{
    return row(std::move(name), Kind::Setting, std::move(valueName), std::move(help), field, read,
               std::move(refusal));
}

// A flag or a command: given on the command line, true/false in the options file.
Option onOff(QString name, Kind kind, QString help, std::optional<bool> TalkOptions::*field,
             Reader<bool> read = readBool)
{
    return row(std::move(name), kind, {}, std::move(help), field, read,
               u"true or false expected"_s);
}

} // namespace

const QList<Option> &options()
{
    static const QList<Option> all{
        row(LengthKey, Kind::Length, {}, {}, &TalkOptions::lengthSeconds, readLength,
            u"minutes (0-99) or m:ss up to 99:59 expected"_s),
        setting(u"reminder"_s, u"S"_s,
                u"show the reminder notice S seconds before the end (0-59; 0: none)"_s,
                &TalkOptions::reminderSeconds, readReminder,
                u"seconds from 0 to 59 expected (0: no reminder)"_s),
        onOff(u"no-reminder"_s, Kind::Flag, u"no reminder: the notice comes only at the end"_s,
              &TalkOptions::noReminder),
        setting(u"sound"_s, u"FILE"_s, u"the WAV file of the alert"_s, &TalkOptions::soundFile,
                readPath, u"a file expected"_s),
        onOff(u"borderless"_s, Kind::Flag, u"the bar without its frame and title bar"_s,
              &TalkOptions::borderless),
        onOff(u"start"_s, Kind::Flag, u"start counting at once"_s, &TalkOptions::start),
        setting(u"screen"_s, u"NAME|N"_s,
                u"the screen for the bar: an xrandr output name or a number (default: the "
                u"primary)"_s,
                &TalkOptions::screen, readNonEmpty,
                u"an output name or a screen number expected"_s),
        setting(u"lang"_s, u"en|zh"_s, u"the language of the texts (default: zh)"_s,
                &TalkOptions::lang, readLanguage, u"en or zh expected"_s),
        setting(u"at-zero"_s, u"reset|hold|overtime"_s,
                u"at 00:00 reload the length (default), hold 00:00, or count the time over"_s,
                &TalkOptions::atZero, readAtZero, u"reset, hold or overtime expected"_s),
        setting(u"stages"_s, u"A[,B]"_s,
                u"the digits turn amber with A left, red with B left (m:ss)"_s,
                &TalkOptions::stages, readStages,
                u"one or two times left as m:ss expected, up to 99:59, the first above the "
                u"second"_s),
        onOff(u"adjust"_s, Kind::Flag,
              u"add 加一分钟 and 减一分钟 (a minute more or less) to the menu"_s,
              &TalkOptions::adjust),
        onOff(u"follow-show"_s, Kind::Flag,
              u"start with the slide show and pause after it ends (X11)"_s,
              &TalkOptions::followShow),
        onOff(u"no-follow-show"_s, Kind::Flag, u"stop following the slide show"_s,
              &TalkOptions::followShow, readNegated),
        onOff(u"toggle"_s, Kind::Command,
              u"start a ready bar (启动), else pause or continue (暂停/继续)"_s,
              &TalkOptions::toggle),
        onOff(u"settings"_s, Kind::Command, u"open the settings panel (设置)"_s,
              &TalkOptions::settings),
        onOff(u"exit"_s, Kind::Command, u"end the bar (退出)"_s, &TalkOptions::exit),
        onOff(u"add-minute"_s, Kind::Command, u"one minute more left"_s, &TalkOptions::addMinute),
        onOff(u"remove-minute"_s, Kind::Command, u"one minute less left"_s,
              &TalkOptions::removeMinute),
    };
    return all;
}

const Option *find(const QString &name)
{
    for (const Option &option : options()) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

std::optional<int> parseLength(const QString &text)
{
    static const QRegularExpression form(u"^([0-9]{1,2})(?::([0-9]{2}))?$"_s);
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int seconds = match.captured(2).toInt(); // 0 when absent
    if (seconds > 59)
        return std::nullopt;
    return match.captured(1).toInt() * 60 + seconds;
}

std::optional<bool> parseBool(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == "true"_L1 || t == "yes"_L1 || t == "on"_L1 || t == "1"_L1)
        return true;
    if (t == "false"_L1 || t == "no"_L1 || t == "off"_L1 || t == "0"_L1)
        return false;
    return std::nullopt;
}

QString formatLength(int seconds)
{
    return u"%1:%2"_s.arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString quoted(const QString &text)
{
    static const QString Cut = u"..."_s;
    QString shown = text.size() > QuotedLength ? text.left(QuotedLength - Cut.size()) : text;
    for (QChar &c : shown) {
        if (!c.isPrint())
            c = u'?';
    }
    return text.size() > QuotedLength ? shown + Cut : shown;
}

QString commandFor(const TalkOptions &options)
{
    for (const Option &option : OptionValues::options()) {
        if (option.kind != Kind::Command)
            continue;
        if ((options.*std::get<std::optional<bool> TalkOptions::*>(option.field)).value_or(false))
            return option.name;
    }
    return {};
}

std::optional<QString> reminderProblem(const TalkOptions &o)
{
    if (!o.lengthSeconds || !o.reminderSeconds || *o.reminderSeconds <= *o.lengthSeconds)
        return std::nullopt;
    return u"a reminder %1 s before the end is more than the talk's length of %2"_s
        .arg(*o.reminderSeconds)
        .arg(formatLength(*o.lengthSeconds));
}

} // namespace OptionValues
