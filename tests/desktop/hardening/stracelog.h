#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Reads the log of `strace -f -y -s 4096 -o <file>` for the calls that change the file system:
// opens (open, openat, openat2, creat), renames, unlinks, mkdirs, links and truncates. With -y
// strace prints each directory descriptor with its path, AT_FDCWD included, so relative paths
// can be made absolute without following the process around.
namespace StraceLog {

struct Change
{
    qint64 pid = 0;
    QString call;      // "openat", "renameat2", ...
    QStringList paths; // absolute and cleaned; a rename names both ends
    bool succeeded = false;
    QString result; // as strace printed it: "3</tmp/x>", "-1 ENOENT (No such file...)"
    QString line;   // the whole call, for a report
};

// Every call in the log that writes: an open with O_WRONLY, O_RDWR, O_CREAT or O_TRUNC (creat
// always), and every rename, unlink, mkdir, link, symlink and truncate. A call that strace
// printed in two parts (<unfinished ...> and <... resumed>) is put back together first.
// `cwd` is used for paths given relative to the current directory by calls that have no
// directory descriptor (open, creat, rename, mkdir, ...).
QList<Change> writes(const QString &log, const QString &cwd);

// The path of an argument as strace quoted it, without quotes and escapes; empty when the
// argument is no complete string (strace cuts long strings and then appends "...").
QString unquote(const QString &argument);

// The top-level arguments of a call, split at commas outside strings, <...>, {...} and [...].
QStringList splitArguments(const QString &arguments);

} // namespace StraceLog
