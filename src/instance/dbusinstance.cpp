#include "dbusinstance.h"

#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusReply>

const QString DBusInstance::ServiceName = QStringLiteral(TC_APP_ID);
// The name as a path: /io/github/talk_countdown/TalkCountdown.
const QString DBusInstance::ObjectPath = u'/' + QString(ServiceName).replace(u'.', u'/');
const QString DBusInstance::InterfaceName = ServiceName;
const QString DBusInstance::RefusedError = ServiceName + QStringLiteral(".Error.Refused");
const QString DBusInstance::InvalidError = ServiceName + QStringLiteral(".Error.Invalid");

namespace {

// The object on the bus: its slots are the methods of the interface it is registered with.
class BusObject final : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    BarCommands *commands = nullptr;

public slots:
    void Activate()
    {
        if (commands)
            commands->activate();
        else
            refuse(QStringLiteral("the bar is not ready yet"));
    }

    QString Command(const QString &verb, const QStringList &args)
    {
        if (!commands) {
            refuse(QStringLiteral("the bar is not ready yet"));
            return {};
        }
        const CommandReply reply = commands->command(verb, args);
        if (!reply.ok)
            refuse(reply.message, reply.invalid);
        return reply.message;
    }

private:
    void refuse(const QString &why, bool invalid = false)
    {
        sendErrorReply(invalid ? DBusInstance::InvalidError : DBusInstance::RefusedError, why);
    }
};

} // namespace

DBusInstance::DBusInstance(const QDBusConnection &bus, int timeoutMs)
    : m_bus(bus)
    , m_timeoutMs(timeoutMs)
{}

DBusInstance::~DBusInstance()
{
    if (m_claimed) {
        m_bus.unregisterService(ServiceName);
        m_bus.unregisterObject(ObjectPath);
    }
}

InstanceChannel::Claim DBusInstance::claim()
{
    if (!m_bus.isConnected()) {
        m_error = m_bus.lastError().message();
        return Claim::Failed;
    }
    // The object goes up first, so a later start that finds the name finds its methods too.
    auto object = std::make_unique<BusObject>();
    if (!m_bus.registerObject(ObjectPath, InterfaceName, object.get(),
                              QDBusConnection::ExportAllSlots)) {
        m_error = QStringLiteral("the path %1 is in use on this connection").arg(ObjectPath);
        return Claim::Failed;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_bus.interface()->registerService(ServiceName, QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        m_object = std::move(object);
        m_claimed = true;
        return Claim::Claimed;
    }
    m_bus.unregisterObject(ObjectPath);
    if (!reply.isValid()) {
        m_error = reply.error().message();
        return Claim::Failed;
    }
    return Claim::Taken;
}

void DBusInstance::serve(BarCommands *commands)
{
    if (m_object)
        static_cast<BusObject *>(m_object.get())->commands = commands;
}

bool DBusInstance::nameOwned() const
{
    return m_bus.isConnected() && m_bus.interface()->isServiceRegistered(ServiceName).value();
}

CommandReply DBusInstance::activate()
{
    return call(QStringLiteral("Activate"), {});
}

CommandReply DBusInstance::command(const QString &verb, const QStringList &args)
{
    return call(QStringLiteral("Command"), {verb, args});
}

CommandReply DBusInstance::call(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(ServiceName, ObjectPath, InterfaceName, method);
    message.setArguments(arguments);
    // With an event loop while waiting, so a bar served from this very thread can answer.
    const QDBusMessage reply = m_bus.call(message, QDBus::BlockWithGui, m_timeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return {false, reply.errorMessage(), reply.errorName() == InvalidError};
    return {true, reply.arguments().value(0).toString()};
}

#include "dbusinstance.moc"
