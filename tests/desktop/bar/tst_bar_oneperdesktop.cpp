// One bar per desktop: a second start of the program finds the bar that runs, says so in one
// line and ends with 0, and the first bar stays; through the session bus, and through a lock
// file in the runtime folder where there is no bus.

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
    QTest::addColumn<bool>("bus");
    QTest::addRow("session bus") << true;
    QTest::addRow("no session bus") << false;
}

void TestOneBarPerDesktop::secondStartLeavesOneBar()
{
    QFETCH(bool, bus);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!bus)
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, u"unix:path=/nonexistent/tc-no-bus"_s);
    const QString lock = QDir(env.value(u"XDG_RUNTIME_DIR"_s)).filePath(LockName);
    QVERIFY(!env.value(u"XDG_RUNTIME_DIR"_s).isEmpty());

    DesktopSession session;
    BarDriver driver(session);
    QVERIFY(session.startProgram({}, env));
    const WindowId bar = driver.findBar();
    QVERIFY(bar != 0);
    // The lock file is only for a desktop without a bus.
    QCOMPARE(QFileInfo::exists(lock), !bus);

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(env.value(u"TC_PROGRAM"_s));
    QVERIFY(second.waitForStarted());
    QVERIFY2(second.waitForFinished(30000), "the second start did not end");
    const QStringList out = lines(second.readAllStandardOutput());
    const QStringList err = lines(second.readAllStandardError());
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QVERIFY2(second.exitCode() == 0, qPrintable(err.join(u'\n')));
    QCOMPARE(out.size(), 1);
    QVERIFY2(out.first().contains(u"a bar is already running"_s), qPrintable(out.first()));
    // Without a bus it says once that it used the lock file, and nothing else.
    const QStringList ours = err.filter(QRegularExpression(u"^talk-countdown:"_s));
    QCOMPARE(ours.size(), bus ? 0 : 1);
    if (!bus)
        QVERIFY2(ours.first().contains(u"lock file"_s), qPrintable(ours.first()));

    // Still the one bar, and still the first program's.
    QCOMPARE(session.program()->state(), QProcess::Running);
    QVERIFY(session.windowInfo(bar).viewable);
    int bars = 0;
    for (WindowId id : driver.windows()) {
        const int width = session.windowInfo(id).geometry.width();
        bars += width == Width || width == BorderedWidth;
    }
    QCOMPARE(bars, 1);

    // Ended as the session ends it, the bar lets go of the lock file.
    session.program()->terminate();
    QVERIFY(session.waitForProgramExit(10000));
    QCOMPARE(session.program()->exitStatus(), QProcess::NormalExit);
    QVERIFY(!QFileInfo::exists(lock));
}

QTEST_MAIN(TestOneBarPerDesktop)
#include "tst_bar_oneperdesktop.moc"
