#pragma once

#include <QString>
#include <QtGlobal>

// The offscreen platform cannot raise windows and says so on every raise, and the program
// raises its windows every second; without this the figures drown in warnings. Everything
// else still goes to the usual handler.
namespace QuietOffscreen {

inline QtMessageHandler &previous()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

inline void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message == QLatin1String("This plugin does not support raise()")
        || message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (previous())
        previous()(type, context, message);
}

inline void install()
{
    previous() = qInstallMessageHandler(handler);
}

// For a bench that runs its windows offscreen unless told otherwise; before QApplication.
inline void useOffscreen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    install();
}

} // namespace QuietOffscreen
