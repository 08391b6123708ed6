#pragma once

#include "barcommands.h"

#include <QDBusConnection>
#include <QString>

#include <memory>

class InstanceChannel;

// One bar per desktop, decided before any window exists: through the session bus, or, without
// one, a lock file in the runtime folder. A later start asks the running bar to come into view,
// says so in one line and ends.
class SingleInstance
{
public:
    struct Outcome
    {
        bool proceed = false; // this start is the desktop's bar
        int exitCode = 0;
        QString output; // one line for stdout
        QString error;  // one line for stderr: why the bar was not reached, or the fallback used
    };

    // `runtimeDir` is $XDG_RUNTIME_DIR (empty when unset); `timeoutMs` how long to wait for the
    // running bar's answer.
    explicit SingleInstance(const QDBusConnection &bus, const QString &runtimeDir,
                            int timeoutMs = 10000);
    ~SingleInstance();

    // `forward`: the later start's options for the running bar (see RemoteOptions); without
    // any, the running bar only comes into view.
    Outcome start(const QStringList &forward = {});

    // Once started as the desktop's bar: later starts' requests go to `commands`.
    void serve(BarCommands &commands);

private:
    Outcome startWithLockFile(const QString &why, bool forwarding);

    QDBusConnection m_bus;
    QString m_runtimeDir;
    int m_timeoutMs;
    std::unique_ptr<InstanceChannel> m_channel; // the claim held, while this start runs
};
