// The bar following the slide show (--follow-show), with tc-fakeshow as the show: it counts
// once the show is up full screen, pauses after the show has been gone for the grace period,
// and continues when it comes back; a window that goes full screen later is a show from then
// on. The show keeps the keyboard throughout, and without the option a show changes nothing.

#include "bardriver.h"
#include "desktopsession.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestBarFollowShow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void withoutTheOptionAShowChangesNothing();
    void countsWithTheShowAndPausesAfterIt();
    void aWindowThatGoesFullScreenLater();

private:
    bool startBar(const QStringList &options)
    {
        return m_session.startProgram(QStringList{u"20"_s, u"--borderless"_s} + options)
               && m_bar.findBar() != 0;
    }
    bool showHasKeyboard()
    {
        return m_session.focusedWindow() == m_session.fakeShowWindow() && m_session.key(u"a"_s)
               && m_session.waitForLine(u"key a"_s);
    }
    // Still `time` after a while in which a counting bar would have moved on; a reading taken
    // while a window manager's effect passes over the bar is read again.
    bool stillAt(const QString &time)
    {
        QTest::qWait(2500);
        return QTest::qWaitFor([&] { return m_bar.read() == time; }, 3000);
    }
    static int seconds(const QString &mmss)
    {
        return mmss.left(2).toInt() * 60 + mmss.right(2).toInt();
    }

    DesktopSession m_session;
    BarDriver m_bar{m_session};
};

void TestBarFollowShow::cleanup()
{
    m_session.stopFakeShow();
    m_session.stopProgram();
}

void TestBarFollowShow::withoutTheOptionAShowChangesNothing()
{
    QVERIFY(startBar({}));
    QVERIFY(m_session.startFakeShow());
    QVERIFY(stillAt(u"20:00"_s));
    QVERIFY(m_session.tellFakeShow(u"hide"_s, u"hidden"_s));
    QVERIFY(stillAt(u"20:00"_s));
    QVERIFY(m_session.tellFakeShow(u"show"_s, u"ready"_s));
    QVERIFY(stillAt(u"20:00"_s));
    QVERIFY(showHasKeyboard());
}

void TestBarFollowShow::countsWithTheShowAndPausesAfterIt()
{
    QVERIFY(startBar({u"--follow-show"_s}));
    QVERIFY(stillAt(u"20:00"_s));
    QVERIFY(m_session.startFakeShow());
    QTRY_VERIFY_WITH_TIMEOUT(m_bar.read() != u"20:00"_s, 5000);
    QVERIFY(showHasKeyboard());

    // The grace first: the bar goes on counting for a while after the show has gone.
    const int atHide = seconds(m_bar.read());
    QVERIFY(m_session.tellFakeShow(u"hide"_s, u"hidden"_s));
    QTRY_VERIFY_WITH_TIMEOUT(m_bar.frozen(), 20000);
    const QString paused = m_bar.read();
    QVERIFY2(atHide - seconds(paused) >= 1, qPrintable(paused));

    QVERIFY(m_session.tellFakeShow(u"show"_s, u"ready"_s));
    QTRY_VERIFY_WITH_TIMEOUT(m_bar.read() != paused, 5000);
    QVERIFY(showHasKeyboard());
    QVERIFY(m_session.programRunning());
}

// As a slide program does: its editor window first, the show when the speaker starts it.
void TestBarFollowShow::aWindowThatGoesFullScreenLater()
{
    QVERIFY(startBar({u"--follow-show"_s}));
    QVERIFY(m_session.startFakeShow(10000, {u"--windowed"_s}));
    QVERIFY(stillAt(u"20:00"_s));
    QVERIFY(m_session.tellFakeShow(u"fullscreen"_s, u"ready"_s));
    QTRY_VERIFY_WITH_TIMEOUT(m_bar.read() != u"20:00"_s, 5000);
    QVERIFY(showHasKeyboard());
}

QTEST_MAIN(TestBarFollowShow)
#include "tst_bar_followshow.moc"
