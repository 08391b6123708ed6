#include "application.h"
#include "audiolog.h"
#include "commandline.h"
#include "quitonsignal.h"
#include "singleinstance.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine::Outcome outcome =
        CommandLine::check(arguments, [](const char *name) { return qgetenv(name); });
    if (!outcome.proceed) {
        std::fputs(outcome.output.toLocal8Bit().constData(), stdout);
        if (!outcome.error.isEmpty())
            std::fprintf(stderr, "%s\n", outcome.error.toLocal8Bit().constData());
        return outcome.exitCode;
    }
    // Wayland lets no client keep itself above others; XWayland does.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");

    AudioLog::install();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("talk-countdown"));
    QApplication::setApplicationDisplayName(QStringLiteral("演讲倒计时"));
    QApplication::setApplicationVersion(QStringLiteral(TC_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.talk_countdown.TalkCountdown"));
    QApplication::setQuitOnLastWindowClosed(false); // the bar's Exit ends the program

    SingleInstance instance(QDBusConnection::sessionBus(), qEnvironmentVariable("XDG_RUNTIME_DIR"));
    const SingleInstance::Outcome one = instance.start();
    std::fputs(one.output.toLocal8Bit().constData(), stdout);
    if (!one.error.isEmpty())
        std::fprintf(stderr, "%s\n", one.error.toLocal8Bit().constData());
    if (!one.proceed)
        return one.exitCode;

    QuitOnSignal quitOnSignal;
    Application talkCountdown;
    instance.serve(talkCountdown.commands());
    return app.exec();
}
