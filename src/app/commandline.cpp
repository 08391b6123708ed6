#include "commandline.h"

#include <QCoreApplication>

namespace CommandLine {

QString helpText()
{
    return QStringLiteral(
        "Usage: talk-countdown [--help] [--version]\n"
        "\n"
        "演讲倒计时: a countdown bar for speakers. It sits in the top-right corner of the\n"
        "screen above every window, a full-screen slide show included, and never takes the\n"
        "keyboard focus. Right-click the bar for Start (启动), Pause (暂停), Settings (设置)\n"
        "and Exit (退出). Every run starts from the defaults; nothing is saved.\n"
        "\n"
        "  -h, --help     show this help and exit\n"
        "  -v, --version  show the version and exit\n");
}

QString versionText()
{
    return QStringLiteral("talk-countdown " TC_VERSION "\n");
}

Outcome check(const QStringList &arguments,
              const std::function<QByteArray(const char *)> &environment)
{
    Outcome outcome;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            outcome.output = helpText();
            return outcome;
        }
        if (arg == QLatin1String("--version") || arg == QLatin1String("-v")) {
            outcome.output = versionText();
            return outcome;
        }
        outcome.exitCode = 2;
        outcome.error = QStringLiteral("talk-countdown: unknown option '%1' (try --help)").arg(arg);
        return outcome;
    }

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
    outcome.proceed = true;
    return outcome;
}

} // namespace CommandLine
