#include "talkdriver.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int StopGraceMs = 3000;

} // namespace

int lineCount(const QString &text)
{
    return int(text.split(u'\n', Qt::SkipEmptyParts).size());
}

QString keepScreen(const QImage &image)
{
    // The same executable runs under several window managers and screen sizes.
    QString name = u"%1-%2-%3"_s.arg(QCoreApplication::applicationName(),
                                     qEnvironmentVariable("TC_SCREEN_SIZE"),
                                     QString::fromLatin1(QTest::currentTestFunction()));
    if (const char *row = QTest::currentDataTag())
        name += u'-' + QString::fromLocal8Bit(row);
    name.replace(QRegularExpression(u"[^A-Za-z0-9_-]+"_s), u"_"_s);
    const QString path = QDir::current().absoluteFilePath(name + u".png"_s);
    return image.save(path) ? path : u"(could not save %1)"_s.arg(path);
}

TalkDriver::TalkDriver(DesktopSession &session)
    : m_session(session)
{}

TalkDriver::~TalkDriver()
{
    stop();
}

bool TalkDriver::start(const QProcessEnvironment &env, const QStringList &wrapper,
                       const QString &workingDirectory)
{
    stop();
    m_stdout.clear();
    m_stderr.clear();
    m_bar = 0;
    const QString program = qEnvironmentVariable("TC_PROGRAM");
    if (program.isEmpty()) {
        qWarning("TC_PROGRAM is not set; desktop tests run through ctest (with-desktop.sh)");
        return false;
    }
    QStringList command = wrapper;
    command << program;
    m_process = new QProcess;
    m_process->setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        m_process->setWorkingDirectory(workingDirectory);
    m_process->start(command.first(), command.mid(1));
    if (!m_process->waitForStarted()) {
        qWarning() << "cannot start" << command << m_process->errorString();
        return false;
    }
    m_bar = BarProbe::findBar(m_session, 15000);
    return m_bar != 0;
}

bool TalkDriver::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

qint64 TalkDriver::pid() const
{
    return m_process ? m_process->processId() : 0;
}

bool TalkDriver::crashed() const
{
    return m_process && m_process->state() == QProcess::NotRunning
           && m_process->exitStatus() == QProcess::CrashExit;
}

QString TalkDriver::standardError()
{
    if (m_process)
        m_stderr += m_process->readAllStandardError();
    return QString::fromLocal8Bit(m_stderr);
}

QString TalkDriver::standardOutput()
{
    if (m_process)
        m_stdout += m_process->readAllStandardOutput();
    return QString::fromLocal8Bit(m_stdout);
}

bool TalkDriver::exitThroughMenu(int timeoutMs)
{
    if (!isRunning() || !choose(MenuEntry::Exit))
        return false;
    // waitForFinished() says false for a process that has ended already.
    if (m_process->state() != QProcess::NotRunning && !m_process->waitForFinished(timeoutMs)) {
        qWarning("the program did not end after Exit");
        return false;
    }
    if (m_process->exitStatus() != QProcess::NormalExit || m_process->exitCode() != 0) {
        qWarning() << "the program ended with" << m_process->exitStatus() << "code"
                   << m_process->exitCode();
        return false;
    }
    return true;
}

void TalkDriver::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(StopGraceMs)) {
            m_process->kill();
            m_process->waitForFinished();
        }
    }
    standardError();
    standardOutput();
    if (QTest::currentTestFailed() && !m_stderr.isEmpty())
        qInfo().noquote() << "talk-countdown stderr:\n" << QString::fromLocal8Bit(m_stderr);
    delete m_process;
    m_process = nullptr;
}

QList<TalkDriver::WindowId> TalkDriver::windows()
{
    return BarProbe::programWindows(m_session);
}

QRect TalkDriver::barGeometry()
{
    return m_session.windowInfo(m_bar).geometry;
}

bool TalkDriver::bordered()
{
    return barGeometry().width() == BarProbe::BorderedWidth;
}

QPoint TalkDriver::clientOrigin()
{
    const QRect g = barGeometry();
    return BarProbe::clientOrigin(g, g.width() == BarProbe::BorderedWidth);
}

QString TalkDriver::readBar()
{
    return BarProbe::readDigits(m_session.grabScreen(), clientOrigin());
}

TalkDriver::WindowId TalkDriver::openMenu(int timeoutMs)
{
    return BarProbe::rightClickForMenu(m_session, clientOrigin() + MenuSpot, timeoutMs);
}

bool TalkDriver::closeMenu(WindowId menu)
{
    return m_session.key(u"Escape"_s)
           && QTest::qWaitFor([&] { return !windows().contains(menu); }, 3000);
}

bool TalkDriver::choose(MenuEntry entry)
{
    const WindowId menu = openMenu();
    if (!menu) {
        qWarning("no menu opened on the bar");
        return false;
    }
    // The menu skips its separator; Up wraps round to the last entry.
    QString keys;
    switch (entry) {
    case MenuEntry::Start:
        keys = u"Down"_s;
        break;
    case MenuEntry::Pause:
        keys = u"Down Down"_s;
        break;
    case MenuEntry::Settings:
        keys = u"Down Down Down"_s;
        break;
    case MenuEntry::Exit:
        keys = u"Up"_s;
        break;
    }
    if (!m_session.key(keys + u" Return"_s))
        return false;
    return QTest::qWaitFor([&] { return !windows().contains(menu); }, 3000);
}

bool TalkDriver::pickFromList(const QPoint &inClient, int value)
{
    const QList<WindowId> before = windows();
    if (!m_session.click(clientOrigin() + inClient))
        return false;
    const WindowId popup = BarProbe::waitForNewWindow(m_session, before, 5000);
    if (!popup) {
        qWarning() << "no list opened at" << inClient;
        return false;
    }
    return m_session.key(u"Home"_s) && m_session.type(QString::number(value))
           && m_session.key(u"Return"_s)
           && QTest::qWaitFor([&] { return !windows().contains(popup); }, 3000);
}

bool TalkDriver::setTalk(int minutes, int seconds, int reminder, const QString &soundPath)
{
    if (!choose(MenuEntry::Settings))
        return false;
    if (!QTest::qWaitFor([&] { return barGeometry().height() >= BarProbe::ExpandedHeight; },
                         5000)) {
        qWarning() << "the settings did not open; the bar is" << barGeometry();
        return false;
    }
    if (!pickFromList(MinutesList, minutes) || !pickFromList(SecondsList, seconds)
        || !pickFromList(ReminderList, reminder))
        return false;
    if (!soundPath.isEmpty()) {
        if (!m_session.click(clientOrigin() + SoundPathBox.center()) || !m_session.key(u"ctrl+a"_s)
            || !m_session.type(soundPath))
            return false;
    }
    if (!m_session.click(clientOrigin() + OkButton))
        return false;
    if (!QTest::qWaitFor([&] { return barGeometry().height() < BarProbe::ExpandedHeight; }, 5000)) {
        qWarning("the settings did not close on OK");
        return false;
    }
    return true;
}

TalkDriver::Talk TalkDriver::runTalk(int timeoutMs, const std::function<void(double)> &poll)
{
    Talk talk;
    if (!choose(MenuEntry::Start))
        return talk;
    talk.started = true;
    QElapsedTimer clock;
    clock.start();
    WindowId notice = 0;
    while (clock.elapsed() < timeoutMs) {
        const double now = double(clock.nsecsElapsed()) / 1e6;
        if (poll)
            poll(now);
        if (!isRunning())
            break;
        const QList<WindowId> shown = windows();
        if (!notice) {
            for (WindowId id : shown) {
                if (id != m_bar && m_session.windowInfo(id).geometry.size() == NoticeSize) {
                    notice = id;
                    talk.noticeAtMs = now;
                }
            }
        } else if (!shown.contains(notice)) {
            talk.noticeGoneMs = now;
            break;
        }
        QTest::qWait(20);
    }
    // The bar went back to its preset seconds before the notice closed.
    if (isRunning())
        talk.barAfter = readBar();
    return talk;
}
