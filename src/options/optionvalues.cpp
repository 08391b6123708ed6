#include "optionvalues.h"

#include <QDir>
#include <QRegularExpression>

namespace OptionValues {

namespace {

std::optional<int> parseSmallNumber(const QString &text, int max)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,2}$"));
    if (!digits.match(text).hasMatch() || text.toInt() > max)
        return std::nullopt;
    return text.toInt();
}

std::optional<TalkOptions::Stages> parseStages(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() > 2)
        return std::nullopt;
    const std::optional<int> first = parseLength(parts.at(0).trimmed());
    if (!first)
        return std::nullopt;
    TalkOptions::Stages stages{*first, std::nullopt};
    if (parts.size() == 2) {
        stages.second = parseLength(parts.at(1).trimmed());
        if (!stages.second || *stages.second >= stages.first)
            return std::nullopt;
    }
    return stages;
}

std::optional<TalkOptions::AtZero> parseAtZero(const QString &text)
{
    if (text == QLatin1String("reset"))
        return TalkOptions::AtZero::Reset;
    if (text == QLatin1String("hold"))
        return TalkOptions::AtZero::Hold;
    if (text == QLatin1String("overtime"))
        return TalkOptions::AtZero::Overtime;
    return std::nullopt;
}

// Stores `value` in `field`, or answers `reason` when there is none.
template<typename T>
std::optional<QString> store(std::optional<T> &field, const std::optional<T> &value,
                             const QString &reason)
{
    if (!value)
        return reason;
    field = value;
    return std::nullopt;
}

std::optional<QString> nonEmpty(const QString &text)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? std::nullopt : std::optional<QString>(trimmed);
}

const QString TrueOrFalse = QStringLiteral("true or false expected");

} // namespace

const QList<Option> &options()
{
    static const QList<Option> all{
        {QStringLiteral("reminder"), Kind::Setting, QStringLiteral("S"),
         QStringLiteral("show the reminder notice S seconds before the end (0-59; 0: none)")},
        {QStringLiteral("no-reminder"),
         Kind::Flag,
         {},
         QStringLiteral("no reminder: the notice comes only at the end")},
        {QStringLiteral("sound"), Kind::Setting, QStringLiteral("FILE"),
         QStringLiteral("the WAV file of the alert")},
        {QStringLiteral("borderless"),
         Kind::Flag,
         {},
         QStringLiteral("the bar without its frame and title bar")},
        {QStringLiteral("start"), Kind::Flag, {}, QStringLiteral("start counting at once")},
        {QStringLiteral("screen"), Kind::Setting, QStringLiteral("NAME|N"),
         QStringLiteral("the screen for the bar: an xrandr output name or a number (default: "
                        "the primary)")},
        {QStringLiteral("lang"), Kind::Setting, QStringLiteral("en|zh"),
         QStringLiteral("the language of the texts (default: zh)")},
        {QStringLiteral("at-zero"), Kind::Setting, QStringLiteral("reset|hold|overtime"),
         QStringLiteral(
             "at 00:00 reload the length (default), hold 00:00, or count the time over")},
        {QStringLiteral("stages"), Kind::Setting, QStringLiteral("A[,B]"),
         QStringLiteral("the digits turn amber with A left, red with B left (m:ss)")},
        {QStringLiteral("adjust"),
         Kind::Flag,
         {},
         QStringLiteral("add 加一分钟 and 减一分钟 (a minute more or less) to the menu")},
        {QStringLiteral("follow-show"),
         Kind::Flag,
         {},
         QStringLiteral("start with the slide show and pause after it ends (X11)")},
        {QStringLiteral("no-follow-show"),
         Kind::Flag,
         {},
         QStringLiteral("stop following the slide show")},
        {QStringLiteral("toggle"),
         Kind::Command,
         {},
         QStringLiteral("start a ready bar (启动), else pause or continue (暂停/继续)")},
        {QStringLiteral("settings"),
         Kind::Command,
         {},
         QStringLiteral("open the settings panel (设置)")},
        {QStringLiteral("exit"), Kind::Command, {}, QStringLiteral("end the bar (退出)")},
        {QStringLiteral("add-minute"), Kind::Command, {}, QStringLiteral("one minute more left")},
        {QStringLiteral("remove-minute"),
         Kind::Command,
         {},
         QStringLiteral("one minute less left")},
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
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,2})(?::([0-9]{2}))?$"));
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
    if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("on")
        || t == QLatin1String("1"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("off")
        || t == QLatin1String("0"))
        return false;
    return std::nullopt;
}

QString formatLength(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString quoted(const QString &text)
{
    static const QString Cut = QStringLiteral("...");
    QString shown = text.size() > QuotedLength ? text.left(QuotedLength - Cut.size()) : text;
    for (QChar &c : shown) {
        if (!c.isPrint())
            c = QLatin1Char('?');
    }
    return text.size() > QuotedLength ? shown + Cut : shown;
}

std::optional<QString> set(TalkOptions &o, const QString &name, const QString &text,
                           const QString &baseDir)
{
    if (name == LengthKey)
        return store(o.lengthSeconds, parseLength(text),
                     QStringLiteral("minutes (0-99) or m:ss up to 99:59 expected"));
    if (name == QLatin1String("reminder"))
        return store(o.reminderSeconds, parseSmallNumber(text, TalkOptions::MaxReminder),
                     QStringLiteral("seconds from 0 to 59 expected (0: no reminder)"));
    if (name == QLatin1String("sound")) {
        const std::optional<QString> path = nonEmpty(text);
        if (path)
            o.soundFile = QDir::cleanPath(QDir(baseDir).absoluteFilePath(*path));
        return path ? std::nullopt : std::optional<QString>(QStringLiteral("a file expected"));
    }
    if (name == QLatin1String("screen"))
        return store(o.screen, nonEmpty(text),
                     QStringLiteral("an output name or a screen number expected"));
    if (name == QLatin1String("lang")) {
        const bool known = text == QLatin1String("en") || text == QLatin1String("zh");
        return store(o.lang, known ? std::optional<QString>(text) : std::nullopt,
                     QStringLiteral("en or zh expected"));
    }
    if (name == QLatin1String("at-zero"))
        return store(o.atZero, parseAtZero(text),
                     QStringLiteral("reset, hold or overtime expected"));
    if (name == QLatin1String("stages"))
        return store(o.stages, parseStages(text),
                     QStringLiteral("one or two times left as m:ss expected, up to 99:59, "
                                    "the first above the second"));

    const std::optional<bool> flag = parseBool(text);
    if (name == QLatin1String("no-follow-show")) // the same switch, the other way round
        return store(o.followShow, flag ? std::optional<bool>(!*flag) : std::nullopt, TrueOrFalse);
    std::optional<bool> *field = nullptr;
    if (name == QLatin1String("no-reminder"))
        field = &o.noReminder;
    else if (name == QLatin1String("borderless"))
        field = &o.borderless;
    else if (name == QLatin1String("start"))
        field = &o.start;
    else if (name == QLatin1String("adjust"))
        field = &o.adjust;
    else if (name == QLatin1String("follow-show"))
        field = &o.followShow;
    else if (name == QLatin1String("toggle"))
        field = &o.toggle;
    else if (name == QLatin1String("settings"))
        field = &o.settings;
    else if (name == QLatin1String("exit"))
        field = &o.exit;
    else if (name == QLatin1String("add-minute"))
        field = &o.addMinute;
    else if (name == QLatin1String("remove-minute"))
        field = &o.removeMinute;
    if (!field)
        return QStringLiteral("not an option of talk-countdown");
    return store(*field, flag, TrueOrFalse);
}

std::optional<QString> reminderProblem(const TalkOptions &o)
{
    if (!o.lengthSeconds || !o.reminderSeconds || *o.reminderSeconds <= *o.lengthSeconds)
        return std::nullopt;
    return QStringLiteral("a reminder %1 s before the end is more than the talk's length of %2")
        .arg(*o.reminderSeconds)
        .arg(formatLength(*o.lengthSeconds));
}

} // namespace OptionValues
