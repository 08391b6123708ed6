#include "runningbar.h"

#include "bar.h"
#include "commandline.h"
#include "optionvalues.h"
#include "qtwindowops.h"
#include "soundfilecheck.h"
#include "startoptions.h"
#include "windowops.h"

#include <QDir>
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

namespace {

// The program's name, which the parser skips as main's argv[0].
const QString ProgramName = QStringLiteral("talk-countdown");

// A later start's arguments read as its own command line reads them, its folder the base of a
// relative --sound; the options file plays no part. Why they are refused, or empty (then
// `options` holds what they give).
QString argumentsProblem(const QStringList &args, std::optional<TalkOptions> &options)
{
    const QString folder = args.value(0);
    if (!QDir::isAbsolutePath(folder))
        return QStringLiteral("'%1': the later start's folder expected, as an absolute path")
            .arg(OptionValues::quoted(folder));
    const CommandLine::Outcome parsed =
        CommandLine::parse(QStringList{ProgramName} + args.mid(1), folder);
    if (!parsed.output.isEmpty())
        return QStringLiteral("--help and --version are for the later start to answer");
    if (!parsed.proceed)
        return parsed.error.mid(CommandLine::MessagePrefix.size());
    if (const std::optional<QString> &sound = parsed.commandLine.soundFile) {
        if (const std::optional<QString> problem = SoundFileCheck::problem(*sound))
            return QStringLiteral("--sound '%1': %2").arg(OptionValues::quoted(*sound), *problem);
    }
    options = parsed.commandLine;
    return {};
}

} // namespace

// Everything is checked before anything changes, and nothing here opens a window of its own:
// a refused request changes nothing and is answered at once, while the show keeps the
// keyboard.
CommandReply RunningBar::command(const QString &verb, const QStringList &args)
{
    if (verb != BarCommands::ArgumentsVerb)
        return {false, QStringLiteral("unknown command '%1'").arg(verb), true};
    std::optional<TalkOptions> options;
    if (const QString why = argumentsProblem(args, options); !why.isEmpty())
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
