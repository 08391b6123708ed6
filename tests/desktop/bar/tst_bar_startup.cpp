// The bar as it comes up: in the top-right corner of the screen, out of the window manager's
// hands, showing 00:00; and a full-screen slide show neither hides it nor loses the keyboard to
// it, whether the show opens after the bar or (TC_START_ORDER=show-first) already has the
// keyboard when the bar starts, as when a speaker starts the timer during the talk.

#include "bardriver.h"
#include "ledreader.h"
#include "mmss.h"
#include "pixels.h"

#include <QElapsedTimer>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;
using namespace BarLayout;

class TestBarStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void barSitsInTopRightCorner();
    void barShowsZeroTime_data();
    void barShowsZeroTime();
    void showLeavesBarVisible();
    void showKeepsKeyboard();
    void barRisesAboveLaterWindow();

private:
    bool barOnTop(const QColor &cover, QString *seen);

    DesktopSession m_session;
    BarDriver m_driver{m_session};
    DesktopSession::WindowId m_show = 0;
    const bool m_showFirst = qEnvironmentVariable("TC_START_ORDER") == u"show-first"_s;
};

// Whether the bar is all there with 00:00, no pixel of the cover's colour on it.
bool TestBarStartup::barOnTop(const QColor &cover, QString *seen)
{
    const QImage screen = m_session.grabScreen();
    const QRect bar = m_driver.expected();
    const int covered = Pixels::countColour(screen, bar, cover);
    const QString digits = LedReader::readBar(screen, bar.topLeft());
    *seen = u"%1 pixels of %2 on the bar, digits %3"_s.arg(covered).arg(cover.name(), digits);
    return covered == 0 && digits == mmss(0);
}

void TestBarStartup::initTestCase()
{
    // The digit checks below mean something only if no glyph passes for another.
    const double smallest = LedReader::smallestDifference();
    QVERIFY2(smallest > 3 * LedReader::Tolerance,
             qPrintable(u"glyphs differ in only %1 of their pixels"_s.arg(smallest)));

    if (m_showFirst) {
        QVERIFY(m_session.startFakeShow());
        m_show = m_session.fakeShowWindow();
        QVERIFY(m_show != 0);
    }
    QVERIFY(m_driver.start());
    // Mapped is not yet painted: wait until all five pictures read as glyphs.
    if (!QTest::qWaitFor([&] { return !m_driver.read().contains(u'?'); }, 5000))
        qWarning() << "the digits never read as glyphs; the checks below will show where";
}

void TestBarStartup::barSitsInTopRightCorner()
{
    const DesktopSession::WindowInfo info = m_session.windowInfo(m_driver.bar());
    QVERIFY(info.viewable);
    QCOMPARE(info.geometry, m_driver.expected());
    QVERIFY(info.overrideRedirect);
    QCOMPARE(m_session.property(m_driver.bar(), u"_NET_WM_NAME"_s), u"\"演讲倒计时\""_s);
}

void TestBarStartup::barShowsZeroTime_data()
{
    QTest::addColumn<int>("picture"); // index into DigitLefts
    QTest::addColumn<int>("cell");

    QTest::newRow("minutes, tens") << 0 << 0;
    QTest::newRow("minutes, units") << 1 << 0;
    QTest::newRow("colon") << 2 << LedReader::Colon;
    QTest::newRow("seconds, tens") << 3 << 0;
    QTest::newRow("seconds, units") << 4 << 0;
}

void TestBarStartup::barShowsZeroTime()
{
    QFETCH(int, picture);
    QFETCH(int, cell);
    const QImage screen = m_session.grabScreen();
    const QPoint client = m_driver.expected().topLeft();
    const QPoint at = client + QPoint(DigitLefts[picture], DigitTop);
    const double mismatch = LedReader::mismatch(screen, at, cell);
    BAR_VERIFY(mismatch <= LedReader::Tolerance,
               u"%1 of the pixels at (%2,%3) differ from glyph %4; the bar reads %5"_s.arg(mismatch)
                   .arg(at.x())
                   .arg(at.y())
                   .arg(cell)
                   .arg(LedReader::readBar(screen, client)),
               screen);
}

void TestBarStartup::showLeavesBarVisible()
{
    if (!m_showFirst) {
        QVERIFY(m_session.startFakeShow());
        m_show = m_session.fakeShowWindow();
    }
    QVERIFY(m_show != 0);
    QCOMPARE(m_session.windowInfo(m_show).geometry, QRect(QPoint(0, 0), m_session.screenSize()));

    const QRect bar = m_driver.expected();
    QString seen;
    auto barVisible = [&] {
        const QImage screen = m_session.grabScreen();
        // The show must really be up around the bar, or an uncovered bar proves nothing.
        const bool showUp = screen.pixelColor(0, screen.height() - 1) == ShowColour
                            && screen.pixelColor(bar.left() - 1, bar.bottom() + 1) == ShowColour;
        const bool onTop = barOnTop(ShowColour, &seen);
        if (!showUp)
            seen += u"; the show is not on screen"_s;
        return showUp && onTop;
    };

    // The show may be stacked on top when it opens; the bar goes back above it at once.
    QElapsedTimer clock;
    clock.start();
    BAR_VERIFY(QTest::qWaitFor(barVisible, 1500), seen, m_session.grabScreen());
    qInfo("bar visible %lld ms after the show or the bar came up", clock.elapsed());

    // And it stays on top while the show runs.
    clock.restart();
    while (clock.elapsed() < 2200) {
        QTest::qWait(200);
        BAR_VERIFY(barVisible(), u"%1 ms later: %2"_s.arg(clock.elapsed()).arg(seen),
                   m_session.grabScreen());
    }
    QCOMPARE(m_driver.geometry(), bar);
}

void TestBarStartup::showKeepsKeyboard()
{
    QVERIFY(m_show != 0);
    QCOMPARE(m_session.focusedWindow(), m_show);
    QVERIFY(m_session.key(u"a"_s));
    QVERIFY(m_session.waitForLine(u"key a"_s));
    QVERIFY2(!m_session.fakeShowLines().contains(u"focus out"_s),
             qPrintable(m_session.fakeShowLines().join(u", "_s)));
}

void TestBarStartup::barRisesAboveLaterWindow()
{
    // Stands in for a window that a window manager stacks above the bar, or another program's
    // unmanaged window: a new X window starts on top of its siblings.
    const QColor coverColour(0, 200, 0);
    QWidget cover(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint
                               | Qt::WindowDoesNotAcceptFocus);
    cover.setAttribute(Qt::WA_ShowWithoutActivating);
    cover.setAutoFillBackground(true);
    QPalette palette = cover.palette();
    palette.setColor(QPalette::Window, coverColour);
    cover.setPalette(palette);
    const QRect bar = m_driver.expected();
    cover.setGeometry(bar.adjusted(-20, 0, 0, 20));
    cover.show();
    QVERIFY(QTest::qWaitForWindowExposed(&cover));

    QString seen;
    auto barVisible = [&] { return barOnTop(coverColour, &seen); };
    QElapsedTimer clock;
    clock.start();
    // At once; the margin is for a grab that may take a while on a busy machine.
    BAR_VERIFY(QTest::qWaitFor(barVisible, 2500), seen, m_session.grabScreen());
    qInfo("bar back on top %lld ms after the cover was exposed", clock.elapsed());
    // The cover is still there around the bar; only the bar went above it. (A compositor may
    // still be fading the cover in.)
    QTRY_COMPARE(m_session.grabScreen().pixelColor(bar.left() - 10, bar.bottom() + 10),
                 coverColour);
    QCOMPARE(m_session.focusedWindow(), m_show);
}

QTEST_MAIN(TestBarStartup)
#include "tst_bar_startup.moc"
