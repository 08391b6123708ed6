// The bar ready in one command, on a desktop of two side-by-side screens: the talk's length,
// reminder and screen from the command line, counting with no click; the chosen screen unplugged
// and plugged in again; and later starts that pause, continue and end the running bar. Then the
// screen given by number or in the options file while monitors come and go, and a start with no
// X server to reach.

#include "bardriver.h"
#include "desktopsession.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace BarLayout;

class TestBarOptions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void countsFromTheCommandLineOnTheChosenScreen();
    void followsTheChosenScreenAwayAndBack();
    void laterStartsDriveTheRunningBar();
    void screenChosenByNumberIsFollowedByName();
    void screenFromTheFileIsWaitedFor();
    void noDisplayIsOneLineAndStatusOne();

private:
    static bool xrandr(const QStringList &args) { return DesktopSession::run(u"xrandr"_s, args); }
    static bool addMonitor(const QString &name, int left)
    {
        return xrandr({u"--setmonitor"_s, name, u"1920/508x1080/286+%1+0"_s.arg(left), u"none"_s});
    }
    // The top-right corner of the screen whose left edge is at `left`, where the bar belongs.
    static QPoint cornerOf(int left) { return QPoint(left + 1919, 0); }

    // Runs the program once more while the bar runs; its exit code, and its output in `out`.
    static int runAgain(const QStringList &args, QString *out)
    {
        QProcess later;
        later.start(qEnvironmentVariable("TC_PROGRAM"), args);
        if (!later.waitForFinished(30000))
            return -1;
        *out = QString::fromLocal8Bit(later.readAllStandardOutput() + later.readAllStandardError());
        return later.exitStatus() == QProcess::NormalExit ? later.exitCode() : -1;
    }

    DesktopSession m_session;
    BarDriver m_bar{m_session};
};

void TestBarOptions::initTestCase()
{
    QCOMPARE(m_session.screenSize(), QSize(3840, 1080));
    QVERIFY(addMonitor(u"LEFT"_s, 0));
    QVERIFY(addMonitor(u"RIGHT"_s, 1920));
}

void TestBarOptions::countsFromTheCommandLineOnTheChosenScreen()
{
    const double launched = m_session.nowMs();
    QVERIFY(m_session.startProgram(
        {u"0:08"_s, u"--reminder"_s, u"5"_s, u"--start"_s, u"--screen"_s, u"RIGHT"_s}));
    QVERIFY(m_bar.findBar() != 0);
    // Applied as OK applies the panel, which frames the bar unless --borderless is given.
    QVERIFY(m_bar.bordered());
    QCOMPARE(m_bar.geometry().topRight(), cornerOf(1920));
    // No click: it counts from the start, the first second about a second after launch.
    QString seen;
    QVERIFY(QTest::qWaitFor(
        [&] {
            seen = m_bar.read();
            return seen == u"00:07"_s;
        },
        5000));
    const double firstTickMs = m_session.nowMs() - launched;
    qInfo("00:07 shown %.0f ms after launch", firstTickMs);
    QVERIFY2(firstTickMs > 900, qPrintable(QString::number(firstTickMs)));
    QTRY_COMPARE_WITH_TIMEOUT(m_bar.read(), u"00:06"_s, 3000);
}

void TestBarOptions::followsTheChosenScreenAwayAndBack()
{
    QVERIFY(xrandr({u"--delmonitor"_s, u"RIGHT"_s}));
    QTRY_COMPARE_WITH_TIMEOUT(m_bar.geometry().topRight(), cornerOf(0), 5000);
    QVERIFY(addMonitor(u"RIGHT"_s, 1920));
    QTRY_COMPARE_WITH_TIMEOUT(m_bar.geometry().topRight(), cornerOf(1920), 5000);
}

// A desktop shortcut's commands: no key is grabbed, a later start hands them over and ends.
void TestBarOptions::laterStartsDriveTheRunningBar()
{
    m_session.startFakeShow();
    QString out;
    QCOMPARE(runAgain({u"--toggle"_s}, &out), 0);
    QVERIFY2(out.contains(u"paused"_s), qPrintable(out));
    QVERIFY(m_bar.frozen());
    QCOMPARE(runAgain({u"--toggle"_s}, &out), 0);
    QVERIFY2(out.contains(u"continued"_s), qPrintable(out));
    QVERIFY(!m_bar.frozen());
    // A setting the bar's OK would refuse: its words at once, status 2, no box over the show.
    QCOMPARE(runAgain({u"--reminder"_s, u"45"_s}, &out), 2);
    QVERIFY2(out.contains(u"设置无效"_s), qPrintable(out));
    QVERIFY(m_session.findWindows(u"^计时$"_s, DesktopSession::Match::Name, 1000).isEmpty());
    // The show kept the keyboard throughout.
    QCOMPARE(m_session.focusedWindow(), m_session.fakeShowWindow());

    QCOMPARE(runAgain({u"--exit"_s}, &out), 0);
    QVERIFY(m_session.waitForProgramExit(10000));
    QCOMPARE(m_session.program()->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_session.program()->exitCode(), 0);
    // With no bar left, a command starts none.
    QCOMPARE(runAgain({u"--toggle"_s}, &out), 1);
    QVERIFY2(out.contains(u"no bar is running"_s), qPrintable(out));
    QVERIFY(m_bar.windows().isEmpty());
}

// The number picks LEFT (as Qt lists the screens here); unplugged, LEFT leaves the list and
// comes back at its end, and the bar comes back with it, not to the screen now numbered 0.
void TestBarOptions::screenChosenByNumberIsFollowedByName()
{
    QVERIFY(m_session.startProgram({u"--screen"_s, u"0"_s}));
    QVERIFY(m_bar.findBar() != 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_bar.geometry().topRight(), cornerOf(0), 5000);
    QVERIFY(xrandr({u"--delmonitor"_s, u"LEFT"_s}));
    QTRY_VERIFY_WITH_TIMEOUT(m_bar.geometry().topRight() != cornerOf(0), 5000);
    QVERIFY(addMonitor(u"LEFT"_s, 0));
    QTRY_COMPARE_WITH_TIMEOUT(m_bar.geometry().topRight(), cornerOf(0), 5000);
    m_session.stopProgram();
}

// Started from the desktop menu: the file's screen is not plugged in, the bar comes up anyway.
void TestBarOptions::screenFromTheFileIsWaitedFor()
{
    QTemporaryDir config;
    QVERIFY(QDir(config.path()).mkpath(u"talk-countdown"_s));
    QFile file(config.filePath(u"talk-countdown/talk-countdown.conf"_s));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("length=20\nscreen=RIGHT\n") > 0);
    file.close();
    QVERIFY(xrandr({u"--delmonitor"_s, u"RIGHT"_s}));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, config.path());
    QVERIFY(m_session.startProgram({}, env));
    QVERIFY(m_bar.findBar() != 0);
    QTRY_COMPARE_WITH_TIMEOUT(m_bar.geometry().topRight(), cornerOf(0), 5000);
    const QString err = m_session.standardError();
    QVERIFY2(err.contains(u"talk-countdown.conf:2: screen=RIGHT is not plugged in"_s),
             qPrintable(err));
    QVERIFY(addMonitor(u"RIGHT"_s, 1920));
    QTRY_COMPARE_WITH_TIMEOUT(m_bar.geometry().topRight(), cornerOf(1920), 5000);
    m_session.stopProgram();
}

// Qt would abort with a core dump and advice to reinstall.
void TestBarOptions::noDisplayIsOneLineAndStatusOne()
{
    QProcess noDisplay;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, u":199"_s);
    noDisplay.setProcessEnvironment(env);
    noDisplay.start(qEnvironmentVariable("TC_PROGRAM"));
    QVERIFY(noDisplay.waitForFinished(30000));
    const QString err = QString::fromLocal8Bit(noDisplay.readAllStandardError());
    QCOMPARE(noDisplay.exitStatus(), QProcess::NormalExit);
    QCOMPARE(noDisplay.exitCode(), 1);
    QVERIFY2(err.startsWith(u"talk-countdown: cannot open the display ':199'"_s)
                 && err.count(u'\n') == 1,
             qPrintable(err));
}

QTEST_MAIN(TestBarOptions)
#include "tst_bar_options.moc"
