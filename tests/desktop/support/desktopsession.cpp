#include "desktopsession.h"

#include <QDebug>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int stopGraceMs = 3000;

// Runs xdotool; true when it succeeded.
bool xdotool(const QStringList &args, QString *out = nullptr)
{
    return DesktopSession::run(u"xdotool"_s, args, out);
}

DesktopSession::WindowId parseId(const QString &text)
{
    bool ok = false;
    const DesktopSession::WindowId id = text.trimmed().toULongLong(&ok, 0);
    return ok ? id : 0;
}

QString hexId(DesktopSession::WindowId id)
{
    return u"0x%1"_s.arg(id, 0, 16);
}

int field(const QString &xwininfo, const QString &label)
{
    const QRegularExpression re(u"^\\s*%1:\\s*(-?\\d+)"_s.arg(label),
                                QRegularExpression::MultilineOption);
    return re.match(xwininfo).captured(1).toInt();
}

} // namespace

DesktopSession::DesktopSession()
{
    m_clock.start();
}

DesktopSession::~DesktopSession()
{
    stopProgram();
    stopFakeShow();
}

bool DesktopSession::run(const QString &program, const QStringList &args, QString *out,
                         int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(timeoutMs)) {
        qWarning() << "cannot start" << program << p.errorString();
        return false;
    }
    if (!p.waitForFinished(timeoutMs)) {
        qWarning() << program << args << "did not finish within" << timeoutMs << "ms";
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (out)
        *out = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QProcess *DesktopSession::launch(const char *variable, const QStringList &args,
                                 const QProcessEnvironment &env, QProcess::ProcessChannelMode mode,
                                 const QStringList &wrapper, const QString &workingDirectory)
{
    const QString path = qEnvironmentVariable(variable);
    if (path.isEmpty()) {
        qWarning("%s is not set; desktop tests run through ctest (with-desktop.sh)", variable);
        return nullptr;
    }
    const QStringList command = wrapper + QStringList{path} + args;
    auto *process = new QProcess;
    process->setProcessChannelMode(mode);
    process->setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        process->setWorkingDirectory(workingDirectory);
    process->start(command.first(), command.mid(1));
    if (!process->waitForStarted()) {
        qWarning() << "cannot start" << command << process->errorString();
        delete process;
        return nullptr;
    }
    return process;
}

void DesktopSession::stop(QProcess *&process, const std::function<void()> &beforeDelete)
{
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(stopGraceMs)) {
            process->kill();
            process->waitForFinished();
        }
    }
    if (beforeDelete)
        beforeDelete();
    delete process;
    process = nullptr;
}

bool DesktopSession::startProgram(const QStringList &args, const QProcessEnvironment &env,
                                  const QStringList &wrapper, const QString &workingDirectory)
{
    stopProgram();
    m_stdout.clear();
    m_stderr.clear();
    m_program =
        launch("TC_PROGRAM", args, env, QProcess::SeparateChannels, wrapper, workingDirectory);
    return m_program;
}

bool DesktopSession::programRunning() const
{
    return m_program && m_program->state() == QProcess::Running;
}

bool DesktopSession::programCrashed() const
{
    return m_program && m_program->state() == QProcess::NotRunning
           && m_program->exitStatus() == QProcess::CrashExit;
}

bool DesktopSession::waitForProgramExit(int timeoutMs)
{
    return !m_program || m_program->state() == QProcess::NotRunning
           || m_program->waitForFinished(timeoutMs);
}

QString DesktopSession::standardOutput()
{
    if (m_program)
        m_stdout += m_program->readAllStandardOutput();
    return QString::fromLocal8Bit(m_stdout);
}

QString DesktopSession::standardError()
{
    if (m_program)
        m_stderr += m_program->readAllStandardError();
    return QString::fromLocal8Bit(m_stderr);
}

QString DesktopSession::programDir()
{
    return QFileInfo(qEnvironmentVariable("TC_PROGRAM")).absolutePath();
}

void DesktopSession::stopProgram()
{
    // What the program said is the first thing to look at when a test has failed.
    stop(m_program, [this] {
        if (!QTest::currentTestFailed())
            return;
        if (!standardOutput().isEmpty())
            qInfo().noquote() << "talk-countdown stdout:\n" << standardOutput();
        if (!standardError().isEmpty())
            qInfo().noquote() << "talk-countdown stderr:\n" << standardError();
    });
}

bool DesktopSession::startFakeShow(int timeoutMs, const QStringList &args)
{
    stopFakeShow();
    m_showPartial.clear();
    m_showLines.clear();
    m_showConsumed = 0;
    m_show = launch("TC_FAKESHOW", args, QProcessEnvironment::systemEnvironment(),
                    QProcess::ForwardedErrorChannel);
    return m_show && waitForLine(u"ready"_s, timeoutMs);
}

bool DesktopSession::tellFakeShow(const QString &command, const QString &answer, int timeoutMs)
{
    return m_show && m_show->write((command + u'\n').toUtf8()) > 0 && m_show->waitForBytesWritten()
           && waitForLine(answer, timeoutMs);
}

void DesktopSession::stopFakeShow()
{
    stop(m_show);
}

void DesktopSession::readShowLines()
{
    if (!m_show)
        return;
    m_showPartial += m_show->readAllStandardOutput();
    qsizetype end;
    while ((end = m_showPartial.indexOf('\n')) >= 0) {
        m_showLines << QString::fromUtf8(m_showPartial.left(end));
        m_showPartial.remove(0, end + 1);
    }
}

bool DesktopSession::waitForLine(const QString &line, int timeoutMs)
{
    const bool found = QTest::qWaitFor(
        [&] {
            readShowLines();
            const qsizetype at = m_showLines.indexOf(line, m_showConsumed);
            if (at < 0)
                return false;
            m_showConsumed = at + 1;
            return true;
        },
        timeoutMs);
    if (!found)
        qWarning().noquote() << "fake show did not print" << line
                             << "; it printed:" << m_showLines.mid(m_showConsumed);
    return found;
}

DesktopSession::WindowId DesktopSession::fakeShowWindow(int timeoutMs)
{
    const QList<WindowId> ids = findWindows(u"^tc-fakeshow$"_s, Match::Class, timeoutMs);
    return ids.size() == 1 ? ids.first() : 0;
}

QList<DesktopSession::WindowId> DesktopSession::findWindows(const QString &pattern, Match by,
                                                            int timeoutMs)
{
    const QStringList args{u"search"_s, u"--onlyvisible"_s,
                           by == Match::Class ? u"--class"_s : u"--name"_s, pattern};
    QList<WindowId> ids;
    // An empty list is the answer when nothing shows up in time.
    (void)QTest::qWaitFor(
        [&] {
            QString out;
            // xdotool exits with 1 while nothing matches.
            xdotool(args, &out);
            for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts))
                ids << parseId(line);
            return !ids.isEmpty();
        },
        timeoutMs);
    return ids;
}

DesktopSession::WindowInfo DesktopSession::windowInfo(WindowId id)
{
    WindowInfo info;
    QString out;
    if (!run(u"xwininfo"_s, {u"-id"_s, hexId(id)}, &out))
        return info;
    info.geometry =
        QRect(field(out, u"Absolute upper-left X"_s), field(out, u"Absolute upper-left Y"_s),
              field(out, u"Width"_s), field(out, u"Height"_s));
    info.viewable = out.contains(u"Map State: IsViewable"_s);
    info.overrideRedirect = out.contains(u"Override Redirect State: yes"_s);

    // The frame size comes from the window manager: left, right, top, bottom.
    info.frameGeometry = info.geometry;
    const QStringList extents = property(id, u"_NET_FRAME_EXTENTS"_s).split(u',');
    if (!info.overrideRedirect && extents.size() == 4)
        info.frameGeometry.adjust(-extents[0].trimmed().toInt(), -extents[2].trimmed().toInt(),
                                  extents[1].trimmed().toInt(), extents[3].trimmed().toInt());
    return info;
}

QString DesktopSession::property(WindowId id, const QString &atom)
{
    QString out;
    if (!run(u"xprop"_s, {u"-id"_s, hexId(id), atom}, &out))
        return {};
    // "NAME(TYPE) = value" when set, "NAME:  not found." when not.
    const qsizetype eq = out.indexOf(u" = "_s);
    if (eq >= 0)
        return out.mid(eq + 3).trimmed();
    const qsizetype hash = out.indexOf(u"window id # "_s);
    return hash >= 0 ? out.mid(hash + 12).trimmed() : QString();
}

DesktopSession::WindowId DesktopSession::focusedWindow()
{
    QString out;
    return xdotool({u"getwindowfocus"_s}, &out) ? parseId(out) : 0;
}

DesktopSession::WindowId DesktopSession::activeWindow()
{
    QString out;
    return xdotool({u"getactivewindow"_s}, &out) ? parseId(out) : 0;
}

DesktopSession::WindowId DesktopSession::uppermostAt(const QPoint &at)
{
    QString out;
    if (!run(u"xwininfo"_s, {u"-root"_s, u"-children"_s}, &out))
        return 0;
    // xwininfo lists the root's children top first.
    static const QRegularExpression child(u"^\\s+(0x[0-9a-f]+)\\s"_s,
                                          QRegularExpression::MultilineOption);
    for (auto it = child.globalMatch(out); it.hasNext();) {
        const WindowId id = parseId(it.next().captured(1));
        const WindowInfo info = windowInfo(id);
        if (info.viewable && info.geometry.contains(at))
            return id;
    }
    return 0;
}

DesktopSession::WindowId DesktopSession::topLevelOf(WindowId id)
{
    static const QRegularExpression ids(
        u"Root window id: (0x[0-9a-f]+).*\\n\\s*Parent window id: (0x[0-9a-f]+)"_s);
    for (int depth = 0; depth < 8; ++depth) {
        QString out;
        if (!run(u"xwininfo"_s, {u"-tree"_s, u"-id"_s, hexId(id)}, &out))
            return 0;
        const QRegularExpressionMatch m = ids.match(out);
        if (!m.hasMatch())
            return 0;
        const WindowId parent = parseId(m.captured(2));
        if (parent == parseId(m.captured(1)))
            return id;
        id = parent;
    }
    return 0;
}

QSize DesktopSession::screenSize() const
{
    return QGuiApplication::primaryScreen()->size();
}

QImage DesktopSession::grabScreen() const
{
    // The test itself is an X client of the same display, so it can read the root window.
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

bool DesktopSession::click(const QPoint &at, int button)
{
    return xdotool({u"mousemove"_s, QString::number(at.x()), QString::number(at.y()), u"click"_s,
                    QString::number(button)});
}

bool DesktopSession::mouseMove(const QPoint &to)
{
    return xdotool({u"mousemove"_s, QString::number(to.x()), QString::number(to.y())});
}

bool DesktopSession::key(const QString &keys)
{
    return xdotool(QStringList{u"key"_s, u"--delay"_s, u"30"_s}
                   + keys.split(u' ', Qt::SkipEmptyParts));
}

bool DesktopSession::type(const QString &text)
{
    return xdotool({u"type"_s, u"--delay"_s, u"30"_s, u"--"_s, text});
}
