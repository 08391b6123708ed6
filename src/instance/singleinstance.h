#pragma once

#include "barcommands.h"

#include <QDBusConnection>
#include <QString>

#include <memory>
#include <optional>

class DBusInstance;
class InstanceChannel;

// One bar per desktop, decided before any window exists. The bar holds two claims: its name on
// the session bus, which later starts reach it through, and a lock file in the runtime folder,
// which outlives the bus and is there without one. A later start needs both to become the bar;
// otherwise it asks the running bar to come into view (or says that it cannot be reached), says
// so in one line and ends.
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
                            int timeoutMs = ReplyTimeoutMs);
    ~SingleInstance();

    // `forward`: what the running bar is asked to do, as BarCommands::ArgumentsVerb carries it
    // (the working folder, then the arguments); without it the running bar only comes into
    // view.
    Outcome start(const QStringList &forward = {});

    // A later start's quick way: when a bar holds the name on this bus, asks it as start()
    // would and returns the outcome; nothing when no bar is found there (or it went away before
    // answering). Claims nothing, so `bus` may be a connection of its own, made before any
    // window code.
    std::optional<Outcome> askRunningBar(const QStringList &forward = {});

    // Once started as the desktop's bar: later starts' requests go to `commands`.
    void serve(BarCommands &commands);

private:
    std::optional<Outcome> ask(DBusInstance &channel, const QStringList &forward, bool lastTry);
    Outcome startWithLockFile(const QString &why, bool forwarding);
    Outcome holdLockFileToo(bool forwarding);

    QDBusConnection m_bus;
    QString m_runtimeDir;
    int m_timeoutMs;
    std::unique_ptr<InstanceChannel> m_channel; // the bus name held, while this start runs
    std::unique_ptr<InstanceChannel> m_lock;    // the lock file held, while this start runs
};
