#pragma once

#include "instancechannel.h"

#include <QLockFile>

// The desktop's one bar without a session bus: a lock file in the user's runtime folder (a
// memory file system, emptied at logout). A later start can tell that a bar runs, but cannot
// reach it.
class LockFileInstance final : public InstanceChannel
{
public:
    explicit LockFileInstance(const QString &directory);

    QString path() const { return m_path; }

    Claim claim() override;
    QString error() const override { return m_error; }
    void serve(BarCommands *) override {}
    CommandReply activate() override;
    CommandReply command(const QString &verb, const QStringList &args) override;

private:
    QString m_path;
    QLockFile m_lock;
    QString m_error;
};
