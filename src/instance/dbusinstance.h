#pragma once

#include "instancechannel.h"

#include <QDBusConnection>

#include <memory>

class QObject;

// The desktop's one bar on the session bus: the bar owns the well-known name of its app id and
// offers Activate() and Command(verb, args) there; a later start calls them.
class DBusInstance final : public InstanceChannel
{
public:
    static const QString ServiceName;
    static const QString ObjectPath;
    static const QString InterfaceName;
    // The error a refused command comes back with.
    static const QString RefusedError;
    static const QString InvalidError; // the request itself was wrong

    // `timeoutMs`: how long a later start waits for the running bar to answer.
    explicit DBusInstance(const QDBusConnection &bus, int timeoutMs = ReplyTimeoutMs);
    ~DBusInstance() override;

    Claim claim() override;
    QString error() const override { return m_error; }
    void serve(BarCommands *commands) override;
    CommandReply activate() override;
    CommandReply command(const QString &verb, const QStringList &args) override;

    // Whether anyone owns the name now (the bar that had it may have exited meanwhile).
    bool nameOwned() const;

private:
    CommandReply call(const QString &method, const QVariantList &arguments);

    QDBusConnection m_bus;
    int m_timeoutMs;
    std::unique_ptr<QObject> m_object; // what the bus calls, while claimed
    bool m_claimed = false;
    QString m_error;
};
