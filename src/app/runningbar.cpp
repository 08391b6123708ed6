#include "runningbar.h"

#include "form2.h"
#include "remoteoptions.h"
#include "startoptions.h"
#include "windowops.h"

#include <QTimer>

RunningBar::RunningBar(Form2 &bar, WindowOps &windows)
    : m_bar(bar)
    , m_windows(windows)
{}

void RunningBar::activate()
{
    // Where it is, shown and on top; never activated, so the slide show keeps the keyboard.
    m_windows.showTopmost(&m_bar, m_bar.geometry());
}

CommandReply RunningBar::command(const QString &verb, const QStringList &args)
{
    if (verb != RemoteOptions::Verb)
        return {false, QStringLiteral("unknown command '%1'").arg(verb)};
    QString why;
    const std::optional<TalkOptions> options = RemoteOptions::decode(args, &why);
    if (!options)
        return {false, why};
    if (options->lang)
        return {false, QStringLiteral("--lang takes effect when the bar starts")};
    if (options->screen && !m_windows.chooseScreen(*options->screen))
        return {false, QStringLiteral("no screen '%1' on the bar's desktop").arg(*options->screen)};
    StartOptions::apply(m_bar, *options);
    QStringList done;
    if (options->toggle.value_or(false)) {
        m_bar.pauseOrContinue();
        done << (m_bar.runState().offersContinue() ? QStringLiteral("paused")
                                                   : QStringLiteral("continued"));
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
        QTimer::singleShot(0, &m_bar, &Form2::exitBar);
        done << QStringLiteral("exiting");
    }
    return {true, done.isEmpty() ? QStringLiteral("options applied") : done.join(u", ")};
}
