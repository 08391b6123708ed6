// Checks the desktop test harness on its own, before any test relies on it: the virtual screen
// has the size asked for, the fake slide show covers it and holds the focus, input sent with
// xdotool arrives, and a screen grab sees what is on screen.

#include "desktopsession.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestDesktopHarness : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void screenHasRequestedSize();
    void showCoversScreenAndHoldsFocus();
    void keysReachShow_data();
    void keysReachShow();
    void typedTextReachesShow();
    void clickReachesShow();
    void grabSeesShowColour_data();
    void grabSeesShowColour();
    void stoppedShowLeavesNoWindow();

private:
    DesktopSession m_session;
    DesktopSession::WindowId m_show = 0;
};

void TestDesktopHarness::initTestCase()
{
    QVERIFY(m_session.startFakeShow());
    m_show = m_session.fakeShowWindow();
    QVERIFY(m_show != 0);
}

void TestDesktopHarness::screenHasRequestedSize()
{
    const QString requested = qEnvironmentVariable("TC_SCREEN_SIZE");
    QVERIFY2(!requested.isEmpty(), "TC_SCREEN_SIZE is set by with-desktop.sh");
    const QSize size = m_session.screenSize();
    QCOMPARE(QStringLiteral("%1x%2").arg(size.width()).arg(size.height()), requested);
}

void TestDesktopHarness::showCoversScreenAndHoldsFocus()
{
    const DesktopSession::WindowInfo info = m_session.windowInfo(m_show);
    QVERIFY(info.viewable);
    QCOMPARE(info.geometry, QRect(QPoint(0, 0), m_session.screenSize()));
    QCOMPARE(info.frameGeometry, info.geometry);
    QVERIFY(m_session.property(m_show, QStringLiteral("_NET_WM_STATE"))
                .contains(QLatin1String("_NET_WM_STATE_FULLSCREEN")));
    QCOMPARE(m_session.focusedWindow(), m_show);
    QCOMPARE(m_session.activeWindow(), m_show);
}

void TestDesktopHarness::keysReachShow_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("line");

    // The keys a presenter's remote sends, plus a letter and a chord.
    QTest::newRow("letter") << u"a"_s << u"key a"_s;
    QTest::newRow("shifted") << u"shift+b"_s << u"key B"_s;
    QTest::newRow("page down") << u"Next"_s << u"key PageDown"_s;
    QTest::newRow("right") << u"Right"_s << u"key Right"_s;
    QTest::newRow("space") << u"space"_s << u"key Space"_s;
    QTest::newRow("return") << u"Return"_s << u"key Return"_s;
    QTest::newRow("escape") << u"Escape"_s << u"key Escape"_s;
    QTest::newRow("f5") << u"F5"_s << u"key F5"_s;
    QTest::newRow("ctrl chord") << u"ctrl+q"_s << u"key Ctrl+Q"_s;
}

void TestDesktopHarness::keysReachShow()
{
    QFETCH(QString, keys);
    QFETCH(QString, line);
    QVERIFY(m_session.key(keys));
    QVERIFY(m_session.waitForLine(line));
}

void TestDesktopHarness::typedTextReachesShow()
{
    QVERIFY(m_session.type(QStringLiteral("hi")));
    QVERIFY(m_session.waitForLine(QStringLiteral("key h")));
    QVERIFY(m_session.waitForLine(QStringLiteral("key i")));
}

void TestDesktopHarness::clickReachesShow()
{
    const QPoint at(m_session.screenSize().width() / 3, m_session.screenSize().height() / 4);
    QVERIFY(m_session.click(at));
    QVERIFY(m_session.waitForLine(QStringLiteral("click %1 %2").arg(at.x()).arg(at.y())));
}

void TestDesktopHarness::grabSeesShowColour_data()
{
    QTest::addColumn<QPointF>("where"); // as a fraction of the screen

    QTest::newRow("middle") << QPointF(0.5, 0.5);
    QTest::newRow("top left") << QPointF(0, 0);
    QTest::newRow("bottom right") << QPointF(0.999, 0.999);
}

void TestDesktopHarness::grabSeesShowColour()
{
    QFETCH(QPointF, where);
    const QImage screen = m_session.grabScreen();
    QCOMPARE(screen.size(), m_session.screenSize());
    const QPoint at(int(where.x() * screen.width()), int(where.y() * screen.height()));
    QCOMPARE(screen.pixelColor(at), QColor(255, 0, 255));
}

void TestDesktopHarness::stoppedShowLeavesNoWindow()
{
    m_session.stopFakeShow();
    QTRY_VERIFY(!m_session.windowInfo(m_show).viewable);
    QVERIFY(
        m_session.findWindows(QStringLiteral("^tc-fakeshow$"), DesktopSession::Match::Class, 300)
            .isEmpty());
}

QTEST_MAIN(TestDesktopHarness)
#include "tst_desktop_harness.moc"
