#include "remoteoptions.h"

#include "optionvalues.h"

namespace RemoteOptions {

namespace {

QString atZeroText(TalkOptions::AtZero a)
{
    switch (a) {
    case TalkOptions::AtZero::Hold:
        return QStringLiteral("hold");
    case TalkOptions::AtZero::Overtime:
        return QStringLiteral("overtime");
    case TalkOptions::AtZero::Reset:
        break;
    }
    return QStringLiteral("reset");
}

QString stagesText(const TalkOptions::Stages &s)
{
    QString text = OptionValues::formatLength(s.amberAt());
    if (s.redAt())
        text += QLatin1Char(',') + OptionValues::formatLength(*s.redAt());
    return text;
}

} // namespace

QStringList encode(const TalkOptions &o)
{
    QStringList lines;
    const auto add = [&lines](const QString &name, const QString &value) {
        lines << name + QLatin1Char('=') + value;
    };
    const auto flag = [&add](const char *name, const std::optional<bool> &value) {
        if (value)
            add(QLatin1String(name), *value ? QStringLiteral("true") : QStringLiteral("false"));
    };
    if (o.lengthSeconds)
        add(OptionValues::LengthKey, OptionValues::formatLength(*o.lengthSeconds));
    if (o.reminderSeconds)
        add(QStringLiteral("reminder"), QString::number(*o.reminderSeconds));
    if (o.soundFile)
        add(QStringLiteral("sound"), *o.soundFile);
    if (o.screen)
        add(QStringLiteral("screen"), *o.screen);
    if (o.lang)
        add(QStringLiteral("lang"), *o.lang);
    if (o.atZero)
        add(QStringLiteral("at-zero"), atZeroText(*o.atZero));
    if (o.stages)
        add(QStringLiteral("stages"), stagesText(*o.stages));
    flag("no-reminder", o.noReminder);
    flag("borderless", o.borderless);
    flag("start", o.start);
    flag("adjust", o.adjust);
    flag("follow-show", o.followShow);
    flag("toggle", o.toggle);
    flag("settings", o.settings);
    flag("exit", o.exit);
    flag("add-minute", o.addMinute);
    flag("remove-minute", o.removeMinute);
    return lines;
}

std::optional<TalkOptions> decode(const QStringList &lines, QString *why)
{
    TalkOptions options;
    for (const QString &line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString name = line.left(eq);
        // Paths arrive whole: a relative one would mean the running bar's folder, not the
        // later start's, so none is taken.
        const OptionValues::Option *option = OptionValues::find(name);
        std::optional<QString> problem =
            eq < 0    ? QStringLiteral("name=value expected")
            : !option ? QStringLiteral("not an option of talk-countdown")
                      : option->parse(options, line.mid(eq + 1), QStringLiteral("/"));
        if (!problem && name == QLatin1String("sound") && !line.mid(eq + 1).startsWith(u'/'))
            problem = QStringLiteral("an absolute path expected");
        if (problem) {
            if (why)
                *why = QStringLiteral("'%1': %2").arg(line, *problem);
            return std::nullopt;
        }
    }
    if (const std::optional<QString> problem = OptionValues::reminderProblem(options)) {
        if (why)
            *why = *problem;
        return std::nullopt;
    }
    return options;
}

QString commandFor(const TalkOptions &o)
{
    const std::pair<const char *, const std::optional<bool> &> commands[] = {
        {"toggle", o.toggle},        {"settings", o.settings},          {"exit", o.exit},
        {"add-minute", o.addMinute}, {"remove-minute", o.removeMinute},
    };
    for (const auto &[name, value] : commands) {
        if (value.value_or(false))
            return QLatin1String(name);
    }
    return {};
}

} // namespace RemoteOptions
