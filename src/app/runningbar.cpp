#include "runningbar.h"

#include "bar.h"
#include "optionvalues.h"
#include "qtwindowops.h"
#include "remoteoptions.h"
#include "startoptions.h"
#include "windowops.h"

#include <QTimer>

RunningBar::RunningBar(Bar &bar, WindowOps &windows)
    : m_bar(bar)
    , m_windows(windows)
{}

void RunningBar::activate()
{
    // Where it is, shown and on top; never activated, so the slide show keeps the keyboard.
    m_windows.showTopmost(&m_bar, m_bar.geometry());
}

// Everything is checked before anything changes, and nothing here opens a window of its own:
// a refused request changes nothing and is answered at once, while the show keeps the
// keyboard.
CommandReply RunningBar::command(const QString &verb, const QStringList &args)
{
    if (verb != BarCommands::OptionsVerb)
        return {false, QStringLiteral("unknown command '%1'").arg(verb), true};
    QString why;
    std::optional<TalkOptions> options = RemoteOptions::decode(args, &why);
    if (!options)
        return {false, why, true};
    if (const std::optional<QString> refused = StartOptions::refusal(m_bar, *options))
        return {false, *refused, true};
    QStringList done;
    if (options->screen) {
        if (!m_windows.chooseScreen(*options->screen))
            return {false,
                    QStringLiteral("no screen '%1'; the screens are: %2")
                        .arg(OptionValues::quoted(*options->screen), QtWindowOps::screenList()),
                    true};
        done << QStringLiteral("screen %1").arg(*options->screen);
    }
    done << StartOptions::apply(m_bar, *options);
    if (options->toggle.value_or(false)) {
        static const char *const toggled[] = {"started", "paused", "continued"};
        done << QLatin1String(toggled[int(m_bar.toggle())]);
    }
    if (options->addMinute.value_or(false)) {
        m_bar.addMinute();
        done << QStringLiteral("one minute more left");
    }
    if (options->removeMinute.value_or(false)) {
        m_bar.removeMinute();
        done << QStringLiteral("one minute less left");
    }
    if (options->settings.value_or(false)) {
        m_bar.openSettings();
        done << QStringLiteral("settings opened");
    }
    if (options->exit.value_or(false)) {
        // After the answer has gone out.
        QTimer::singleShot(0, &m_bar, &Bar::exitBar);
        done << QStringLiteral("exiting");
    }
    // Languages load when a bar starts; the rest of the request still applies.
    if (options->lang)
        done << QStringLiteral("--lang is kept for the next start");
    return {true, done.isEmpty() ? QStringLiteral("nothing to change") : done.join(u", ")};
}
