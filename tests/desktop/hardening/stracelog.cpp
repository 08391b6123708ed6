#include "stracelog.h"

#include <QDir>
#include <QHash>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace StraceLog {

namespace {

struct Pending
{
    QString call;
    QString arguments;
};

// Where the paths of a call are: for each, the index of the path argument and of the
// directory descriptor it is relative to (-1: the current directory).
struct PathArgument
{
    int path;
    int dirfd;
};

struct CallShape
{
    QList<PathArgument> written;
    int flags = -1; // the argument with the open flags; -1 when the call always writes
};

const QHash<QString, CallShape> &shapes()
{
    static const QHash<QString, CallShape> table{
        {u"open"_s, {{{0, -1}}, 1}},
        {u"openat"_s, {{{1, 0}}, 2}},
        {u"openat2"_s, {{{1, 0}}, 2}},
        {u"creat"_s, {{{0, -1}}, -1}},
        {u"rename"_s, {{{0, -1}, {1, -1}}, -1}},
        {u"renameat"_s, {{{1, 0}, {3, 2}}, -1}},
        {u"renameat2"_s, {{{1, 0}, {3, 2}}, -1}},
        {u"unlink"_s, {{{0, -1}}, -1}},
        {u"unlinkat"_s, {{{1, 0}}, -1}},
        {u"rmdir"_s, {{{0, -1}}, -1}},
        {u"mkdir"_s, {{{0, -1}}, -1}},
        {u"mkdirat"_s, {{{1, 0}}, -1}},
        {u"link"_s, {{{1, -1}}, -1}},
        {u"linkat"_s, {{{3, 2}}, -1}},
        {u"symlink"_s, {{{1, -1}}, -1}},
        {u"symlinkat"_s, {{{2, 1}}, -1}},
        {u"truncate"_s, {{{0, -1}}, -1}},
    };
    return table;
}

bool opensForWriting(const QString &flags)
{
    static const QRegularExpression writing(u"\\b(O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_TMPFILE)\\b"_s);
    return writing.match(flags).hasMatch();
}

// The directory a descriptor argument stands for: "AT_FDCWD</home/x>" or "5</tmp/y>".
QString directoryOf(const QString &argument, const QString &cwd)
{
    const qsizetype open = argument.indexOf(u'<');
    if (open >= 0 && argument.endsWith(u'>'))
        return argument.mid(open + 1, argument.size() - open - 2);
    if (argument.startsWith(u"AT_FDCWD"_s))
        return cwd;
    return u"<fd %1>"_s.arg(argument);
}

QString absolute(const QString &path, const QString &base)
{
    return QDir::cleanPath(path.startsWith(u'/') ? path : base + u'/' + path);
}

} // namespace

QStringList splitArguments(const QString &arguments)
{
    QStringList parts;
    QString current;
    bool inString = false;
    int depth = 0;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QChar c = arguments[i];
        if (inString) {
            current += c;
            if (c == u'\\' && i + 1 < arguments.size())
                current += arguments[++i];
            else if (c == u'"')
                inString = false;
            continue;
        }
        if (c == u'"') {
            inString = true;
        } else if (c == u'<' || c == u'{' || c == u'[') {
            ++depth;
        } else if ((c == u'>' || c == u'}' || c == u']') && depth > 0) {
            --depth;
        } else if (c == u',' && depth == 0) {
            parts << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty())
        parts << current.trimmed();
    return parts;
}

QString unquote(const QString &argument)
{
    if (argument.size() < 2 || !argument.startsWith(u'"') || !argument.endsWith(u'"'))
        return {};
    QByteArray bytes;
    const QString body = argument.mid(1, argument.size() - 2);
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body[i];
        if (c != u'\\' || i + 1 == body.size()) {
            bytes += QString(c).toUtf8();
            continue;
        }
        const QChar e = body[++i];
        switch (e.unicode()) {
        case 'n':
            bytes += '\n';
            break;
        case 't':
            bytes += '\t';
            break;
        case 'r':
            bytes += '\r';
            break;
        case 'v':
            bytes += '\v';
            break;
        case 'f':
            bytes += '\f';
            break;
        case 'x':
            bytes += char(body.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
            break;
        default:
            if (e >= u'0' && e <= u'7') {
                qsizetype end = i;
                while (end < body.size() && end < i + 3 && body[end] >= u'0' && body[end] <= u'7')
                    ++end;
                bytes += char(body.mid(i, end - i).toInt(nullptr, 8));
                i = end - 1;
            } else {
                bytes += QString(e).toUtf8();
            }
        }
    }
    return QString::fromUtf8(bytes);
}

QList<Change> writes(const QString &log, const QString &cwd)
{
    static const QRegularExpression complete(u"^(\\d+)\\s+([a-z0-9_]+)\\((.*)\\)\\s+=\\s+(.*)$"_s);
    static const QRegularExpression unfinished(
        u"^(\\d+)\\s+([a-z0-9_]+)\\((.*?)\\s*<unfinished \\.\\.\\.>$"_s);
    static const QRegularExpression resumed(
        u"^(\\d+)\\s+<\\.\\.\\. ([a-z0-9_]+) resumed>(.*)\\)\\s+=\\s+(.*)$"_s);

    QHash<qint64, Pending> pending;
    QList<Change> changes;
    for (const QString &line : log.split(u'\n', Qt::SkipEmptyParts)) {
        qint64 pid = 0;
        QString call, arguments, result;
        if (const auto m = unfinished.match(line); m.hasMatch()) {
            pending.insert(m.captured(1).toLongLong(), {m.captured(2), m.captured(3)});
            continue;
        }
        if (const auto m = resumed.match(line); m.hasMatch()) {
            pid = m.captured(1).toLongLong();
            const Pending start = pending.take(pid);
            if (start.call != m.captured(2))
                continue; // the first part was not in the log; nothing to put together
            call = start.call;
            arguments = start.arguments + m.captured(3);
            result = m.captured(4);
        } else if (const auto m = complete.match(line); m.hasMatch()) {
            pid = m.captured(1).toLongLong();
            call = m.captured(2);
            arguments = m.captured(3);
            result = m.captured(4);
        } else {
            continue;
        }

        const auto shape = shapes().constFind(call);
        if (shape == shapes().cend())
            continue;
        const QStringList args = splitArguments(arguments);
        if (shape->flags >= 0
            && (args.size() <= shape->flags || !opensForWriting(args[shape->flags])))
            continue;

        Change change;
        change.pid = pid;
        change.call = call;
        change.result = result.trimmed();
        change.succeeded = !change.result.startsWith(u'-') && !change.result.startsWith(u'?');
        change.line = line;
        for (const PathArgument &p : shape->written) {
            const QString path = p.path < args.size() ? unquote(args[p.path]) : QString();
            const QString base =
                p.dirfd >= 0 && p.dirfd < args.size() ? directoryOf(args[p.dirfd], cwd) : cwd;
            // A path strace had to shorten stays visible as such in the report.
            change.paths << (path.isEmpty() ? u"<unreadable: %1>"_s.arg(args.value(p.path))
                                            : absolute(path, base));
        }
        changes << change;
    }
    return changes;
}

} // namespace StraceLog
