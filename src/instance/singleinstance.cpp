#include "singleinstance.h"

#include "dbusinstance.h"
#include "lockfileinstance.h"

#include <QDBusError>

namespace {

const QString AlreadyRunning =
    QStringLiteral("talk-countdown: a bar is already running on this desktop");

} // namespace

SingleInstance::SingleInstance(const QDBusConnection &bus, const QString &runtimeDir, int timeoutMs)
    : m_bus(bus)
    , m_runtimeDir(runtimeDir)
    , m_timeoutMs(timeoutMs)
{}

SingleInstance::~SingleInstance() = default;

SingleInstance::Outcome SingleInstance::start(const QStringList &forward)
{
    if (!m_bus.isConnected())
        return startWithLockFile(
            QStringLiteral("no session bus (%1)").arg(m_bus.lastError().message()),
            !forward.isEmpty());
    // Twice at most: the running bar may exit between our finding it and our call.
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto channel = std::make_unique<DBusInstance>(m_bus, m_timeoutMs);
        switch (channel->claim()) {
        case InstanceChannel::Claim::Claimed:
            m_channel = std::move(channel);
            return holdLockFileToo(!forward.isEmpty());
        case InstanceChannel::Claim::Failed:
            return startWithLockFile(
                QStringLiteral("the session bus refused the name (%1)").arg(channel->error()),
                !forward.isEmpty());
        case InstanceChannel::Claim::Taken:
            break;
        }
        if (std::optional<Outcome> asked = ask(*channel, forward, attempt > 0))
            return *asked;
    }
    return {false, 1, {}, AlreadyRunning};
}

std::optional<SingleInstance::Outcome> SingleInstance::askRunningBar(const QStringList &forward)
{
    if (!m_bus.isConnected())
        return std::nullopt;
    DBusInstance channel(m_bus, m_timeoutMs);
    if (!channel.nameOwned())
        return std::nullopt;
    return ask(channel, forward, false);
}

// Nothing when the bar went away before it answered and `lastTry` allows looking again.
std::optional<SingleInstance::Outcome> SingleInstance::ask(DBusInstance &channel,
                                                           const QStringList &forward, bool lastTry)
{
    if (!forward.isEmpty()) {
        const CommandReply reply = channel.command(BarCommands::ArgumentsVerb, forward);
        if (reply.ok)
            return Outcome{
                false, 0, AlreadyRunning + QStringLiteral("; ") + reply.message + u'\n', {}};
        // Bad input, as on the first start's command line: the bar changed nothing.
        if (reply.invalid)
            return Outcome{false, 2, {}, QStringLiteral("talk-countdown: ") + reply.message};
        // Refused or not answered; gone meanwhile, it is looked for once more.
        if (channel.nameOwned() || lastTry)
            return Outcome{
                false, 1, {}, AlreadyRunning + QStringLiteral(", but: %1").arg(reply.message)};
        return std::nullopt;
    }
    const CommandReply reply = channel.activate();
    if (reply.ok)
        return Outcome{
            false, 0, AlreadyRunning + QStringLiteral("; it has been brought to the front.\n"), {}};
    if (channel.nameOwned() || lastTry)
        return Outcome{false,
                       1,
                       {},
                       AlreadyRunning
                           + QStringLiteral(", but it did not answer: %1").arg(reply.message)};
    return std::nullopt;
}

// The bus name alone does not keep to one bar: a bar that started without a usable bus, or whose
// bus has gone since, holds only the lock file and is out of this bus's reach. So this start
// becomes the bar only with the lock file as well, and otherwise lets go of the name.
SingleInstance::Outcome SingleInstance::holdLockFileToo(bool forwarding)
{
    if (m_runtimeDir.isEmpty())
        return {true, 0, {}, {}};
    auto lock = std::make_unique<LockFileInstance>(m_runtimeDir);
    switch (lock->claim()) {
    case InstanceChannel::Claim::Claimed:
        m_lock = std::move(lock);
        return {true, 0, {}, {}};
    case InstanceChannel::Claim::Failed:
        // The name still keeps to one bar among the starts that reach this bus.
        return {true,
                0,
                {},
                QStringLiteral("talk-countdown: %1: a later start without this session bus will "
                               "not find this bar")
                    .arg(lock->error())};
    case InstanceChannel::Claim::Taken:
        break;
    }
    m_channel.reset();
    const QString unreachable =
        QStringLiteral("holds the lock file %1 and is not on this session bus, so it cannot be "
                       "reached")
            .arg(lock->path());
    if (forwarding)
        return {false, 1, {}, AlreadyRunning + QStringLiteral(", but it ") + unreachable};
    return {false, 0, AlreadyRunning + QStringLiteral(".\n"),
            QStringLiteral("talk-countdown: the running bar ") + unreachable};
}

// Said once, on stderr, whichever way it goes: the lock keeps to one bar, but a later start
// cannot bring the running one to the front.
SingleInstance::Outcome SingleInstance::startWithLockFile(const QString &why, bool forwarding)
{
    if (m_runtimeDir.isEmpty()) {
        return {true,
                0,
                {},
                QStringLiteral("talk-countdown: %1, and XDG_RUNTIME_DIR is not set: nothing "
                               "keeps a second bar from starting beside this one")
                    .arg(why)};
    }
    auto lock = std::make_unique<LockFileInstance>(m_runtimeDir);
    const QString fallback =
        QStringLiteral("talk-countdown: %1; keeping to one bar with the lock file %2")
            .arg(why, lock->path());
    switch (lock->claim()) {
    case InstanceChannel::Claim::Claimed:
        m_lock = std::move(lock);
        return {true, 0, {}, fallback};
    case InstanceChannel::Claim::Taken:
        // The lock file tells that a bar runs, not how to reach it.
        if (forwarding)
            return {false,
                    1,
                    {},
                    fallback
                        + QStringLiteral("; a bar is already running, and without the "
                                         "session bus it cannot take options or commands")};
        return {false, 0, AlreadyRunning + QStringLiteral(".\n"),
                fallback + QStringLiteral("; without it the running bar cannot be reached")};
    case InstanceChannel::Claim::Failed:
        break;
    }
    return {true,
            0,
            {},
            QStringLiteral("talk-countdown: %1, and %2: nothing keeps a second bar from starting "
                           "beside this one")
                .arg(why, lock->error())};
}

void SingleInstance::serve(BarCommands &commands)
{
    if (m_channel)
        m_channel->serve(&commands);
}
