#include "lockfileinstance.h"

#include <QDir>

LockFileInstance::LockFileInstance(const QString &directory)
    : m_path(QDir(directory).filePath(QStringLiteral(TC_APP_ID ".lock")))
    , m_lock(m_path)
{
    // A lock is stale only when the bar that took it is gone, however long it has run.
    m_lock.setStaleLockTime(0);
}

InstanceChannel::Claim LockFileInstance::claim()
{
    if (m_lock.tryLock(0))
        return Claim::Claimed;
    switch (m_lock.error()) {
    case QLockFile::LockFailedError:
        return Claim::Taken;
    case QLockFile::PermissionError:
        m_error = QStringLiteral("%1 cannot be created").arg(m_path);
        break;
    default:
        m_error = QStringLiteral("%1 cannot be read or created").arg(m_path);
        break;
    }
    return Claim::Failed;
}

CommandReply LockFileInstance::activate()
{
    return {false, QStringLiteral("without a session bus the running bar cannot be reached")};
}

CommandReply LockFileInstance::command(const QString &, const QStringList &)
{
    return activate();
}
