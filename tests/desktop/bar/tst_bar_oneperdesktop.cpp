// One bar per desktop: a second start of the program finds the bar that runs, says so and ends,
// and the first bar stays; through the session bus, and through the lock file in the runtime
// folder that every bar holds, where the later start cannot reach the bar on its bus (none, or
// the bar's has died).

#include "bardriver.h"
#include "desktopsession.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace BarLayout;
using WindowId = DesktopSession::WindowId;

namespace {

const QString LockName = u"io.github.talk_countdown.TalkCountdown.lock"_s;

QStringList lines(const QByteArray &text)
{
    return QString::fromLocal8Bit(text).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class TestOneBarPerDesktop : public QObject
{
    Q_OBJECT

private slots:
    void secondStartLeavesOneBar_data();
    void secondStartLeavesOneBar();
};

void TestOneBarPerDesktop::secondStartLeavesOneBar_data()
{
    QTest::addColumn<QString>("first");    // the bar's bus: "session", "none" or "dies"
    QTest::addColumn<bool>("laterBus");    // whether the later start has the session bus
    QTest::addColumn<QStringList>("args"); // the later start's
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // a part of its one line on stderr; empty: none
    QTest::addRow("session bus") << u"session"_s << true << QStringList() << 0 << QString();
    QTest::addRow("no session bus") << u"none"_s << false << QStringList() << 0 << u"lock file"_s;
    QTest::addRow("the bar without a bus, the later start with one")
        << u"none"_s << true << QStringList() << 0 << u"cannot be reached"_s;
    QTest::addRow("the bar's bus died, --toggle")
        << u"dies"_s << true << QStringList{u"--toggle"_s} << 1 << u"cannot be reached"_s;
    QTest::addRow("the bar's bus died, --start")
        << u"dies"_s << true << QStringList{u"--start"_s} << 1 << u"cannot be reached"_s;
}

void TestOneBarPerDesktop::secondStartLeavesOneBar()
{
    QFETCH(QString, first);
    QFETCH(bool, laterBus);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    const QProcessEnvironment session = QProcessEnvironment::systemEnvironment();
    const QString lock = QDir(session.value(u"XDG_RUNTIME_DIR"_s)).filePath(LockName);
    QVERIFY(!session.value(u"XDG_RUNTIME_DIR"_s).isEmpty());
    const auto withBus = [&](const QString &address) {
        QProcessEnvironment env = session;
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, address);
        return env;
    };
    const QString noBus = u"unix:path=/nonexistent/tc-no-bus"_s;

    // A bus of the bar's own, to be killed under it.
    QProcess daemon;
    QString firstBus = first == u"none"_s ? noBus : session.value(u"DBUS_SESSION_BUS_ADDRESS"_s);
    if (first == u"dies"_s) {
        daemon.start(u"dbus-daemon"_s,
                     {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address"_s});
        QVERIFY(daemon.waitForStarted());
        QTRY_VERIFY(daemon.canReadLine());
        firstBus = QString::fromUtf8(daemon.readLine()).trimmed();
    }

    DesktopSession desktop;
    BarDriver driver(desktop);
    QVERIFY(desktop.startProgram({}, withBus(firstBus)));
    const WindowId bar = driver.findBar();
    QVERIFY(bar != 0);
    // The bar holds the lock file with its bus name or without one.
    QVERIFY(QFileInfo::exists(lock));
    if (first == u"dies"_s) {
        daemon.kill();
        QVERIFY(daemon.waitForFinished());
    }

    QProcess second;
    second.setProcessEnvironment(
        withBus(laterBus ? session.value(u"DBUS_SESSION_BUS_ADDRESS"_s) : noBus));
    second.start(session.value(u"TC_PROGRAM"_s), args);
    QVERIFY(second.waitForStarted());
    QVERIFY2(second.waitForFinished(30000), "the second start did not end");
    const QStringList out = lines(second.readAllStandardOutput());
    const QStringList err = lines(second.readAllStandardError());
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QVERIFY2(second.exitCode() == exitCode, qPrintable(err.join(u'\n')));
    // It says in one line that a bar runs, and in one more why it could not reach it.
    const QStringList ours = err.filter(QRegularExpression(u"^talk-countdown:"_s));
    const QString running = u"a bar is already running"_s;
    qInfo().noquote() << "the later start said:" << (out + ours).join(u" | "_s);
    QCOMPARE(out.size() + ours.size(), said.isEmpty() ? 1 : exitCode == 0 ? 2 : 1);
    QVERIFY2((out + ours).first().contains(running), qPrintable((out + ours).join(u'\n')));
    if (!said.isEmpty())
        QVERIFY2(ours.last().contains(said), qPrintable(ours.last()));

    // Still the one bar, and still the first program's.
    QCOMPARE(desktop.program()->state(), QProcess::Running);
    QVERIFY(desktop.windowInfo(bar).viewable);
    int bars = 0;
    for (WindowId id : driver.windows()) {
        const int width = desktop.windowInfo(id).geometry.width();
        bars += width == Width || width == BorderedWidth;
    }
    QCOMPARE(bars, 1);

    // Ended as the session ends it, the bar lets go of the lock file.
    desktop.program()->terminate();
    QVERIFY(desktop.waitForProgramExit(10000));
    QCOMPARE(desktop.program()->exitStatus(), QProcess::NormalExit);
    QVERIFY(!QFileInfo::exists(lock));
}

QTEST_MAIN(TestOneBarPerDesktop)
#include "tst_bar_oneperdesktop.moc"
