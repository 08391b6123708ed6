#include "startup.h"

#include "application.h"
#include "audiolog.h"
#include "commandline.h"
#include "laterstart.h"
#include "optionvalues.h"
#include "qttranslation.h"
#include "qtwindowops.h"
#include "quitonsignal.h"
#include "showwatcher.h"
#include "singleinstance.h"
#include "startoptions.h"
#include "x11.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>

namespace Startup {

namespace {

using LaterStart::printLine;

// A screen that is not there: typed on the command line, it is refused (status 2); named in
// the options file, the bar waits for it on the primary screen. One line for stderr, or none.
std::pair<QString, int> screenProblem(const CommandLine::Outcome &outcome)
{
    const std::optional<QString> &screen = outcome.options.screen;
    if (!screen || QtWindowOps::findScreen(*screen))
        return {};
    if (outcome.commandLine.screen)
        return {QStringLiteral("talk-countdown: no screen '%1'; the screens are: %2")
                    .arg(OptionValues::quoted(*screen), QtWindowOps::screenList()),
                2};
    return {outcome.file.note(QStringLiteral("screen"),
                              QStringLiteral("is not plugged in: the bar waits for it on the "
                                             "primary screen (the screens are: %1)")
                                  .arg(QtWindowOps::screenList())),
            0};
}

// Qt's xcb platform aborts (with a core and advice to reinstall) when it cannot reach the X
// server; the speaker gets one line and status 1 instead.
bool displayReachable()
{
    if (qgetenv("QT_QPA_PLATFORM") != "xcb" || X11::displayReachable())
        return true;
    printLine(stderr, QStringLiteral("talk-countdown: cannot open the display '%1'; start it from "
                                     "a desktop session.")
                          .arg(OptionValues::quoted(qEnvironmentVariable("DISPLAY"))));
    return false;
}

} // namespace

int run(int argc, char *argv[], const LaterStart::Checked &checked)
{
    const CommandLine::Outcome &outcome = checked.outcome;
    for (const QString &warning : outcome.warnings)
        printLine(stderr, warning);
    const QString lang = outcome.options.lang.value_or(QString());
    // Wayland lets no client keep itself above others; XWayland does.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    if (!displayReachable())
        return 1;

    AudioLog::install();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("talk-countdown"));
    // No display name: Qt would append it to every window title, and the titles are exact.
    QApplication::setApplicationVersion(QStringLiteral(TC_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(TC_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false); // the bar's Exit ends the program

    SingleInstance instance(QDBusConnection::sessionBus(), qEnvironmentVariable("XDG_RUNTIME_DIR"));
    const SingleInstance::Outcome one = instance.start(checked.forward);
    std::fputs(one.output.toLocal8Bit().constData(), stdout);
    printLine(stderr, one.error);
    if (!one.proceed)
        return one.exitCode;
    // Commands for a running bar would otherwise start a new one, which nobody asked for.
    if (const QString command = OptionValues::commandFor(outcome.commandLine); !command.isEmpty()) {
        printLine(stderr,
                  QStringLiteral("talk-countdown: no bar is running for --%1").arg(command));
        return 1;
    }
    if (const auto [problem, exitCode] = screenProblem(outcome); !problem.isEmpty()) {
        printLine(stderr, problem);
        if (exitCode != 0)
            return exitCode;
    }

    if (outcome.options.followShow.value_or(false)) {
        if (!ShowWatcher::canWatch()) {
            printLine(stderr, QLatin1String("talk-countdown: ") + StartOptions::FollowShowRefusal);
            return 2;
        }
        // Native Wayland windows are out of sight of any X client.
        if (X11::isXWayland())
            printLine(stderr, QStringLiteral("talk-countdown: --follow-show on Wayland sees only "
                                             "slide shows that run through XWayland"));
    }

    QtTranslation::install(app, lang);
    QuitOnSignal quitOnSignal;
    Application talkCountdown(outcome.options);
    instance.serve(talkCountdown.commands());
    return app.exec();
}

} // namespace Startup
