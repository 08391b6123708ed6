// The window manager goes away under a running bar - it is restarted, replaced, or crashes -
// while a full-screen slide show holds the focus. Another one takes over: the bar must stay in
// its corner, be seen above the show and still open its menu. The window manager that
// with-desktop.sh started is ended first; the ones started here are ended again by their PIDs.

#include "bardriver.h"
#include "mmss.h"
#include "pixels.h"
#include "procinfo.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using WindowId = DesktopSession::WindowId;

namespace {

// The children of with-desktop.sh, which started the first window manager.
QList<qint64> harnessChildren()
{
    QString out;
    DesktopSession::run(u"pgrep"_s, {u"-P"_s, QString::number(getppid())}, &out);
    QList<qint64> pids;
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts))
        pids << line.trimmed().toLongLong();
    return pids;
}

QString rootProperty(const QString &atom)
{
    QString out;
    DesktopSession::run(u"xprop"_s, {u"-root"_s, atom}, &out);
    return out;
}

QStringList commandFor(const QString &wm)
{
    if (wm == u"openbox"_s)
        return {u"openbox"_s, u"--sm-disable"_s};
    if (wm == u"xfwm4"_s)
        return {u"xfwm4"_s, u"--compositor=off"_s, u"--sm-client-disable"_s};
    return {u"metacity"_s, u"--sm-disable"_s, u"--compositor=none"_s};
}

} // namespace

class TestWmReplaced : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void barSurvivesNewWindowManager_data();
    void barSurvivesNewWindowManager();

private:
    struct Manager
    {
        WindowId check = 0;
        QString name; // lower case: "openbox", "xfwm4", "metacity"
        qint64 pid = 0;
    };
    Manager currentManager();
    bool startManager(const QString &name);
    double showShareOnBar();

    DesktopSession m_session;
    BarDriver m_driver{m_session};
    QTemporaryDir m_home;
    QProcess *m_wm = nullptr; // the one started here, if any
};

void TestWmReplaced::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(m_driver.start(QProcessEnvironment::systemEnvironment()));
    QCOMPARE(m_driver.geometry(), m_driver.expected());
    QVERIFY(m_session.startFakeShow());
    QVERIFY(m_session.fakeShowWindow() != 0);
    // The bar goes back above the show at once.
    QTRY_VERIFY_WITH_TIMEOUT(showShareOnBar() < 0.01, 3000);
}

void TestWmReplaced::cleanupTestCase()
{
    m_session.stopFakeShow();
    m_session.stopProgram();
    if (m_wm) {
        m_wm->terminate();
        if (!m_wm->waitForFinished(3000)) {
            m_wm->kill();
            m_wm->waitForFinished();
        }
        delete m_wm;
        m_wm = nullptr;
    }
}

double TestWmReplaced::showShareOnBar()
{
    return Pixels::colourShare(m_session.grabScreen(), m_driver.geometry(), ShowColour);
}

// The window manager now in charge: its check window and name from the root window, its PID
// from the check window or, for those that do not set it there, the one process of that name
// that with-desktop.sh started.
TestWmReplaced::Manager TestWmReplaced::currentManager()
{
    Manager m;
    const QRegularExpression id(u"window id # (0x[0-9a-f]+)"_s);
    m.check =
        id.match(rootProperty(u"_NET_SUPPORTING_WM_CHECK"_s)).captured(1).toULongLong(nullptr, 16);
    if (!m.check)
        return m;
    m.name = m_session.property(m.check, u"_NET_WM_NAME"_s).remove(u'"').toLower();
    if (m_wm && m_wm->state() == QProcess::Running
        && ProcInfo::read(m_wm->processId(), "comm").trimmed() == m.name) {
        m.pid = m_wm->processId();
        return m;
    }
    const qint64 announced = m_session.property(m.check, u"_NET_WM_PID"_s).toLongLong();
    QList<qint64> candidates;
    for (qint64 pid : harnessChildren()) {
        if (ProcInfo::read(pid, "comm").trimmed() == m.name && (!announced || announced == pid))
            candidates << pid;
    }
    if (candidates.size() == 1)
        m.pid = candidates.first();
    return m;
}

bool TestWmReplaced::startManager(const QString &name)
{
    if (m_wm) {
        m_wm->waitForFinished(3000);
        delete m_wm;
    }
    m_wm = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // A home of its own, as with-desktop.sh gives the first one.
    env.insert(u"HOME"_s, m_home.path());
    env.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(u".config"_s));
    env.insert(u"XDG_CACHE_HOME"_s, m_home.filePath(u".cache"_s));
    env.insert(u"XDG_DATA_HOME"_s, m_home.filePath(u".local/share"_s));
    env.insert(u"NO_AT_BRIDGE"_s, u"1"_s);
    env.insert(u"GTK_A11Y"_s, u"none"_s);
    m_wm->setProcessEnvironment(env);
    m_wm->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_wm->setStandardOutputFile(QProcess::nullDevice());
    const QStringList command = commandFor(name);
    m_wm->start(command.first(), command.mid(1));
    if (!m_wm->waitForStarted()) {
        qWarning() << "cannot start" << command << m_wm->errorString();
        return false;
    }
    const bool managing = QTest::qWaitFor(
        [&] {
            const Manager m = currentManager();
            return m.name == name && m.pid == m_wm->processId();
        },
        15000);
    if (!managing)
        qWarning() << name << "did not take over the screen";
    return managing;
}

void TestWmReplaced::barSurvivesNewWindowManager_data()
{
    QTest::addColumn<int>("signal");

    // Ended in order (a restart, a switch), then crashed; the next one alternates.
    QTest::newRow("terminated") << int(SIGTERM);
    QTest::newRow("crashed") << int(SIGKILL);
}

void TestWmReplaced::barSurvivesNewWindowManager()
{
    QFETCH(int, signal);
    const Manager old = currentManager();
    QVERIFY2(old.check && old.pid > 1,
             qPrintable(
                 u"no window manager found to replace (%1, pid %2)"_s.arg(old.name).arg(old.pid)));
    const QString next = old.name == u"openbox"_s ? u"xfwm4"_s : u"openbox"_s;
    qInfo() << "replacing" << old.name << "pid" << old.pid << "by" << next;

    QCOMPARE(::kill(pid_t(old.pid), signal), 0);
    QVERIFY2(QTest::qWaitFor([&] { return ProcInfo::gone(old.pid); }, 5000),
             "the window manager did not go");
    // Its check window goes with its connection.
    QTRY_VERIFY(m_session.property(old.check, u"_NET_WM_NAME"_s).isEmpty());
    QVERIFY(startManager(next));

    QVERIFY2(m_session.programRunning(), "the program ended with the window manager");
    const DesktopSession::WindowInfo info = m_session.windowInfo(m_driver.bar());
    QVERIFY(info.viewable);
    QVERIFY(info.overrideRedirect);
    QCOMPARE(info.geometry, m_driver.expected());

    // The new manager frames and maps the show again, on top, which may take it a moment;
    // until then there is nothing for the bar to be above.
    const QSize size = m_session.screenSize();
    const QRect beside(0, 0, size.width() - BarLayout::Width, size.height());
    QImage screen;
    if (!QTest::qWaitFor(
            [&] {
                screen = m_session.grabScreen();
                return Pixels::countColour(screen, beside, ShowColour)
                       == beside.width() * beside.height();
            },
            5000))
        QFAIL(qPrintable(u"the show did not come back on screen, so the bar cannot be tested "
                         "against it; screen kept as "_s
                         + Pixels::keep(screen)));
    // The bar must get back above it with its next raise.
    if (!QTest::qWaitFor([&] { return showShareOnBar() < 0.01; }, 3000)) {
        const double covered = showShareOnBar();
        QFAIL(
            qPrintable(u"the show still covers %1 of the bar; screen kept as %2"_s.arg(covered).arg(
                Pixels::keep(m_session.grabScreen()))));
    }
    QCOMPARE(m_driver.read(), mmss(0));

    const WindowId menu = m_driver.openMenu();
    QVERIFY2(menu != 0, "no menu opened on the bar");
    QVERIFY(m_session.windowInfo(menu).viewable);
    QVERIFY(m_driver.closeMenu(menu));
}

QTEST_MAIN(TestWmReplaced)
#include "tst_wm_replaced.moc"
