// Setting the bar up in front of a running full-screen slide show, through the real window:
// the lists are worked with the mouse and the keyboard, OK gives the bar its own frame and title
// bar in the top-right corner above the show, and "no border" takes them away again.

#include "bardriver.h"
#include "ledreader.h"
#include "mmss.h"
#include "pixels.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace BarLayout;
using By = BarDriver::By;
using Entry = BarDriver::Entry;

class TestBarSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void settingsOpenOverShow();
    void listsTakeMouseAndKeyboard();
    void okGivesBarItsOwnFrame();
    void okShowsChosenTime();
    void barStaysAboveFocusedShow();
    void noBorderGivesPlainBar();
    void reminderComesAtChosenPoint();

private:
    QRect barGeometry() { return m_driver.geometry(); }
    QPoint client() { return m_driver.client(); }
    // The outer height of the bar for a client area of that height.
    int outerHeight(int clientHeight) const
    {
        return clientHeight + (m_bordered ? m_titleHeight + 2 : 0);
    }
    void openSettings();

    DesktopSession m_session;
    BarDriver m_driver{m_session};
    DesktopSession::WindowId m_show = 0;
    bool m_bordered = false;
    int m_titleHeight = 0;
};

void TestBarSettings::initTestCase()
{
    QVERIFY(m_driver.start());
    QVERIFY(m_session.startFakeShow());
    m_show = m_session.fakeShowWindow();
    QVERIFY(m_show != 0);
    QCOMPARE(m_session.focusedWindow(), m_show);
    // Above the show again after the next raise, else the right click below would hit the show.
    int covered = 0;
    auto barUncovered = [&] {
        covered = Pixels::countColour(m_session.grabScreen(), barGeometry(), ShowColour);
        return covered == 0;
    };
    BAR_VERIFY(QTest::qWaitFor(barUncovered, 3000),
               u"%1 pixels of the show's colour on the bar"_s.arg(covered), m_session.grabScreen());
}

void TestBarSettings::openSettings()
{
    QVERIFY(m_driver.choose(Entry::Settings, By::Mouse));
    const QSize expanded(m_bordered ? BorderedWidth : Width, outerHeight(ExpandedHeight));
    QTRY_COMPARE(barGeometry().size(), expanded);
}

void TestBarSettings::settingsOpenOverShow()
{
    openSettings();
    if (QTest::currentTestFailed())
        return;
    const QRect expected(m_session.screenSize().width() - Width, 0, Width, ExpandedHeight);
    QCOMPARE(barGeometry(), expected);
    // The open panel takes the keyboard, so the lists can be worked with keys.
    QTRY_COMPARE(m_session.focusedWindow(), m_driver.bar());
    const QImage screen = m_session.grabScreen();
    BAR_VERIFY(Pixels::countColour(screen, expected, ShowColour) == 0, u"the show covers the bar"_s,
               screen);
}

void TestBarSettings::listsTakeMouseAndKeyboard()
{
    // Minutes: 0, typed into the open list.
    QVERIFY(m_driver.pickFromList(MinutesList, u"0 Return"_s));
    // Seconds: 5, typed into the open list.
    QVERIFY(m_driver.pickFromList(SecondsList, u"5 Return"_s));
    // Reminder: 3, with the arrow keys on the closed list.
    QVERIFY(m_driver.pickFromList(ReminderList, u"Escape"_s));
    QVERIFY(m_session.key(u"Home Down Down Down"_s));
    // That none of these keys reached the show is checked once the show has printed a line
    // after them (a click, below).
}

void TestBarSettings::okGivesBarItsOwnFrame()
{
    QVERIFY(m_session.click(client() + OkButton.center()));
    // Shrunk to the digits, plus its own 1 px frame and a title bar.
    QTRY_COMPARE(barGeometry().width(), BorderedWidth);
    m_bordered = true;
    const DesktopSession::WindowInfo info = m_session.windowInfo(m_driver.bar());
    m_titleHeight = info.geometry.height() - CollapsedHeight - 2;
    QVERIFY2(m_titleHeight >= 10 && m_titleHeight <= 40,
             qPrintable(u"outer height %1"_s.arg(info.geometry.height())));

    const QSize screen = m_session.screenSize();
    QCOMPARE(info.geometry.topLeft(), QPoint(screen.width() - BorderedWidth, 0));
    QVERIFY(QRect(QPoint(0, 0), screen).contains(info.geometry));
    // Still out of the window manager's hands: the frame is the bar's own.
    QVERIFY(info.overrideRedirect);
    QCOMPARE(m_session.property(m_driver.bar(), u"_NET_WM_NAME"_s), u"\"演讲倒计时\""_s);
    // The panel lent the keyboard; closing it hands it back to the slide show.
    QTRY_COMPARE(m_session.focusedWindow(), m_show);

    // The caption is drawn: left of the close button (a square at the right end), the title
    // bar has more than its background colour.
    const QImage shot = m_session.grabScreen();
    const QRect titleBar(info.geometry.topLeft() + QPoint(1, 1), QSize(Width, m_titleHeight));
    const QImage title = shot.copy(titleBar.adjusted(0, 0, -m_titleHeight - 2, 0));
    QSet<QRgb> colours;
    for (int y = 0; y < title.height(); ++y) {
        for (int x = 0; x < title.width(); ++x)
            colours.insert(title.pixel(x, y));
    }
    BAR_VERIFY(colours.size() > 1, u"no caption on the title bar"_s, shot);
    QCOMPARE(Pixels::countColour(shot, titleBar, ShowColour), 0);
}

void TestBarSettings::okShowsChosenTime()
{
    QVERIFY(m_bordered);
    QString digits;
    auto showsPreset = [&] {
        digits = m_driver.read();
        return digits == mmss(5);
    };
    BAR_VERIFY(QTest::qWaitFor(showsPreset, 3000), u"the bar reads "_s + digits,
               m_session.grabScreen());
}

void TestBarSettings::barStaysAboveFocusedShow()
{
    // The presenter clicks back into the slides.
    const QSize screen = m_session.screenSize();
    const QPoint into(screen.width() / 3, screen.height() / 2);
    QVERIFY(m_session.click(into));
    QVERIFY(m_session.waitForLine(u"click %1 %2"_s.arg(into.x()).arg(into.y())));
    // The keys that worked the lists went to the bar alone.
    const QStringList leaked = m_session.fakeShowLines().filter(QRegularExpression(u"^key "_s));
    QVERIFY2(leaked.isEmpty(), qPrintable(leaked.join(u", "_s)));
    QTRY_COMPARE(m_session.focusedWindow(), m_show);

    QString seen;
    auto barVisible = [&] {
        const QImage shot = m_session.grabScreen();
        const QRect bar = barGeometry();
        const int covered = Pixels::countColour(shot, bar, ShowColour);
        const QString digits = LedReader::readBar(shot, client());
        seen =
            u"%1 pixels of the show's colour on the bar at (%2,%3) %4x%5, digits %6"_s.arg(covered)
                .arg(bar.x())
                .arg(bar.y())
                .arg(bar.width())
                .arg(bar.height())
                .arg(digits);
        return covered == 0 && digits == mmss(5) && bar.width() == BorderedWidth;
    };
    QElapsedTimer clock;
    clock.start();
    BAR_VERIFY(QTest::qWaitFor(barVisible, 1500), seen, m_session.grabScreen());
    qInfo("bar visible %lld ms after the show took the focus", clock.elapsed());
    clock.restart();
    while (clock.elapsed() < 2200) {
        QTest::qWait(200);
        BAR_VERIFY(barVisible(), u"%1 ms later: %2"_s.arg(clock.elapsed()).arg(seen),
                   m_session.grabScreen());
    }
    QCOMPARE(m_session.focusedWindow(), m_show);
}

void TestBarSettings::noBorderGivesPlainBar()
{
    QVERIFY(m_bordered);
    openSettings();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(m_session.click(client() + NoBorderBox.center()));
    QVERIFY(m_session.click(client() + OkButton.center()));
    m_bordered = false;
    const QRect expected = m_driver.expected();
    auto plain = [&] { return barGeometry() == expected; };
    BAR_VERIFY(QTest::qWaitFor(plain, 5000),
               u"the bar is %1x%2"_s.arg(barGeometry().width()).arg(barGeometry().height()),
               m_session.grabScreen());
    QVERIFY(m_session.windowInfo(m_driver.bar()).overrideRedirect);
    QString digits;
    auto showsPreset = [&] {
        digits = LedReader::readBar(m_session.grabScreen(), expected.topLeft());
        return digits == mmss(5);
    };
    BAR_VERIFY(QTest::qWaitFor(showsPreset, 3000), u"the bar reads "_s + digits,
               m_session.grabScreen());
}

// The reminder list was set with keys alone; the notice coming at 3 seconds shows they took.
void TestBarSettings::reminderComesAtChosenPoint()
{
    QVERIFY(!m_bordered);
    const QList<DesktopSession::WindowId> before = m_driver.windows();
    QVERIFY(m_driver.choose(Entry::Start, By::Mouse));

    QStringList readings; // what the bar showed before the notice came, without repeats
    auto noticeOpen = [&] {
        const QString digits = m_driver.read();
        if (readings.isEmpty() || readings.last() != digits)
            readings << digits;
        return m_driver.waitForNewWindow(before, 0) != 0;
    };
    BAR_VERIFY(QTest::qWaitFor(noticeOpen, 8000),
               u"no notice; the bar showed "_s + readings.join(u' '), m_session.grabScreen());
    // The bar is drawn right after the notice opens, so it may lag a moment behind.
    QString digits;
    auto atReminder = [&] {
        digits = m_driver.read();
        return digits == mmss(3);
    };
    BAR_VERIFY(
        QTest::qWaitFor(atReminder, 300),
        u"the notice came while the bar read %1 (before: %2)"_s.arg(digits, readings.join(u' ')),
        m_session.grabScreen());
}

QTEST_MAIN(TestBarSettings)
#include "tst_bar_settings.moc"
