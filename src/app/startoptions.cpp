#include "startoptions.h"

#include "applydecision.h"
#include "bar.h"
#include "settingspanel.h"
#include "talkbehaviour.h"
#include "talkoptions.h"

namespace StartOptions {

namespace {

// The settings OK is to store: the options over the bar's applied ones.
struct Settings
{
    int lengthSeconds = 0;
    int reminderSeconds = 0; // 0: the panel's "0" entry, no reminder
    bool noReminder = false;
};

std::optional<Settings> settingsFor(const Bar &bar, const TalkOptions &o)
{
    if (!o.lengthSeconds && !o.reminderSeconds && !o.noReminder)
        return std::nullopt;
    const Bar::Settings applied = bar.settings();
    Settings s;
    s.lengthSeconds = o.lengthSeconds.value_or(applied.lengthSeconds);
    // A talk shorter than the reminder it would keep has none unless one is asked for; the
    // closing message still comes at the end.
    const int kept = s.lengthSeconds < applied.reminderSeconds ? 0 : applied.reminderSeconds;
    s.reminderSeconds = o.reminderSeconds.value_or(kept);
    s.noReminder =
        s.reminderSeconds == 0 || o.noReminder.value_or(!o.reminderSeconds && applied.noReminder);
    return s;
}

ApplyDecision decisionFor(const Settings &s)
{
    return ApplyDecision::decide(s.lengthSeconds / 60, s.lengthSeconds % 60, s.reminderSeconds);
}

QString mmss(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// What happens at 00:00, the stages and the minute items: the bar's, with what is named.
QStringList applyBehaviour(Bar &bar, const TalkOptions &o)
{
    TalkBehaviour b = bar.behaviour();
    QStringList changed;
    if (o.atZero && *o.atZero != b.atZero) {
        b.atZero = *o.atZero;
        static const char *const names[] = {"reset", "hold", "overtime"};
        changed << QStringLiteral("at zero: %1").arg(QLatin1String(names[int(*o.atZero)]));
    }
    if (o.stages && *o.stages != b.stages) {
        b.stages = *o.stages;
        const std::optional<int> red = o.stages->redAt();
        changed << QStringLiteral("stages %1%2")
                       .arg(mmss(o.stages->amberAt()), red ? u',' + mmss(*red) : QString());
    }
    if (o.adjust.value_or(false) && !b.adjust) {
        b.adjust = true;
        changed << QStringLiteral("minute items");
    }
    if (!changed.isEmpty())
        bar.setBehaviour(b);
    return changed;
}

} // namespace

std::optional<QString> refusal(const Bar &bar, const TalkOptions &options)
{
    if (options.followShow.value_or(false) && !bar.canFollowShow())
        return FollowShowRefusal;
    const std::optional<Settings> s = settingsFor(bar, options);
    if (!s)
        return std::nullopt;
    const ApplyDecision d = decisionFor(*s);
    if (d.accepted)
        return std::nullopt;
    return d.message;
}

QStringList apply(Bar &bar, const TalkOptions &options)
{
    const std::optional<Settings> s = settingsFor(bar, options);
    if (s && !decisionFor(*s).accepted)
        return {};
    // Before the settings, so the length first shows in its stage's colour.
    QStringList changed = applyBehaviour(bar, options);

    SettingsPanel *panel = bar.panel();
    SettingsPanel::Values values = panel->values();
    if (options.soundFile && values.soundPath != *options.soundFile) {
        values.soundPath = *options.soundFile;
        panel->setValues(values);
        changed << QStringLiteral("sound %1").arg(*options.soundFile);
    }
    const bool borderless = options.borderless.value_or(bar.settings().borderless);
    if (options.borderless && borderless != bar.settings().borderless)
        changed << (borderless ? QStringLiteral("borderless") : QStringLiteral("framed"));
    if (s) {
        if (s->lengthSeconds / 60 > 59)
            panel->offerMinutesUpTo(99);
        values.minutes = s->lengthSeconds / 60;
        values.seconds = s->lengthSeconds % 60;
        values.reminder = s->reminderSeconds;
        values.noReminder = s->noReminder;
        values.borderless = borderless;
        panel->setValues(values);
        bar.applySettings();
        changed << QStringLiteral("length %1").arg(mmss(s->lengthSeconds))
                << (s->noReminder ? QStringLiteral("no reminder")
                                  : QStringLiteral("reminder %1 s").arg(s->reminderSeconds));
    } else if (options.borderless) {
        bar.setBorderless(borderless);
    }
    if (options.followShow && *options.followShow != bar.followsShow() && bar.canFollowShow()) {
        bar.setFollowShow(*options.followShow);
        changed << (bar.followsShow() ? QStringLiteral("following the show")
                                      : QStringLiteral("not following the show"));
    }
    if (options.start.value_or(false)) {
        bar.start();
        changed << QStringLiteral("started");
    }
    return changed;
}

} // namespace StartOptions
