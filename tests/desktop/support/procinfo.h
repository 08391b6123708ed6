#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// Other processes as /proc shows them, for tests that stop a sound server or window manager.
namespace ProcInfo {

inline QString read(qint64 pid, const char *entry)
{
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(entry)));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

// The fields of /proc/<pid>/stat after "pid (comm) ": state, ppid, ...; empty when it is gone.
inline QStringList statFields(qint64 pid)
{
    const QString stat = read(pid, "stat");
    const qsizetype close = stat.lastIndexOf(u')');
    return close < 0 ? QStringList() : stat.mid(close + 2).split(u' ');
}

inline qint64 parentOf(qint64 pid)
{
    const QStringList fields = statFields(pid);
    return fields.size() > 1 ? fields[1].toLongLong() : 0;
}

// Gone, or a zombie waiting for its parent to collect it.
inline bool gone(qint64 pid)
{
    const QStringList fields = statFields(pid);
    return fields.isEmpty() || fields.first() == QLatin1String("Z");
}

} // namespace ProcInfo
