// The bar's popup menu on a real desktop: a right click on the bar's background opens it, a
// right click on a digit does not, and its entries do what they say whether picked with the
// mouse or the keyboard.

#include "bardriver.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace BarLayout;
using Entry = BarDriver::Entry;

class TestBarMenu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void backgroundOpensMenu_data();
    void backgroundOpensMenu();
    void digitOpensNoMenu_data();
    void digitOpensNoMenu();
    void settingsEntryGrowsBar_data();
    void settingsEntryGrowsBar();
    void exitEntryEndsProgram();

private:
    DesktopSession m_session;
    BarDriver m_driver{m_session};
};

void TestBarMenu::initTestCase()
{
    QVERIFY(m_driver.start());
    QCOMPARE(m_driver.geometry(), m_driver.expected());
}

// A failed row must not leave a menu open over the next one.
void TestBarMenu::cleanup()
{
    if (!QTest::currentTestFailed())
        return;
    if (m_driver.windows().size() > 1) {
        m_session.key(u"Escape"_s);
        (void)QTest::qWaitFor([&] { return m_driver.windows().size() <= 1; }, 2000);
    }
}

void TestBarMenu::backgroundOpensMenu_data()
{
    QTest::addColumn<QPoint>("at"); // on the bar

    // The silver frame runs at (24,8) to (272,96), 4 px wide; the digits sit inside it.
    QTest::newRow("left margin") << QPoint(5, 60);
    QTest::newRow("right margin") << QPoint(Width - 5, 60);
    QTest::newRow("below the frame") << QPoint(150, 115);
    QTest::newRow("above the frame") << QPoint(150, 3);
    QTest::newRow("left side of the frame") << QPoint(25, 50);
    QTest::newRow("bottom side of the frame") << QPoint(150, 95);
    QTest::newRow("between two digits") << QPoint(76, 50);
}

void TestBarMenu::backgroundOpensMenu()
{
    QFETCH(QPoint, at);
    const QPoint click = m_driver.expected().topLeft() + at;
    const BarDriver::WindowId menu = m_driver.rightClickForMenu(click);
    QVERIFY2(menu != 0, "no menu opened");

    const DesktopSession::WindowInfo info = m_session.windowInfo(menu);
    QVERIFY(info.viewable);
    QVERIFY(info.overrideRedirect);
    // Four entries and a separator, as a menu of them looks in this style and font.
    QCOMPARE(info.geometry.size(), m_driver.menuSize());
    // A popup menu opens at the mouse, with a corner there (which one depends on the room
    // left on the screen).
    QVERIFY2(info.geometry.adjusted(-1, -1, 1, 1).contains(click),
             qPrintable(u"menu at (%1,%2) %3x%4, clicked at (%5,%6)"_s.arg(info.geometry.x())
                            .arg(info.geometry.y())
                            .arg(info.geometry.width())
                            .arg(info.geometry.height())
                            .arg(click.x())
                            .arg(click.y())));
    QVERIFY(QRect(QPoint(0, 0), m_session.screenSize()).contains(info.geometry));

    // Escape closes it and leaves the bar as it was.
    QVERIFY(m_session.key(u"Escape"_s));
    QTRY_VERIFY(!m_session.windowInfo(menu).viewable);
    QCOMPARE(m_driver.geometry(), m_driver.expected());
}

void TestBarMenu::digitOpensNoMenu_data()
{
    QTest::addColumn<int>("picture");   // index into DigitLefts
    QTest::addColumn<QPoint>("offset"); // within the picture

    QTest::newRow("minutes, middle") << 0 << QPoint(20, 35);
    QTest::newRow("minutes, corner") << 1 << QPoint(1, 1);
    QTest::newRow("colon") << 2 << QPoint(20, 35);
    QTest::newRow("seconds, bottom") << 4 << QPoint(20, 65);
}

void TestBarMenu::digitOpensNoMenu()
{
    QFETCH(int, picture);
    QFETCH(QPoint, offset);
    const QPoint click =
        m_driver.expected().topLeft() + QPoint(DigitLefts[picture], DigitTop) + offset;
    // A menu shows up within a few hundred milliseconds when it opens at all (see above).
    const BarDriver::WindowId menu = m_driver.rightClickForMenu(click, 1500);
    if (menu != 0) {
        const QRect opened = m_session.windowInfo(menu).geometry;
        QFAIL(qPrintable(u"a %1x%2 window opened"_s.arg(opened.width()).arg(opened.height())));
    }
    QCOMPARE(m_driver.geometry(), m_driver.expected());
}

void TestBarMenu::settingsEntryGrowsBar_data()
{
    QTest::addColumn<bool>("byKeyboard");

    QTest::newRow("mouse") << false;
    QTest::newRow("keyboard") << true;
}

void TestBarMenu::settingsEntryGrowsBar()
{
    QFETCH(bool, byKeyboard);
    // By keyboard: Start, Pause, then the separator is passed over.
    QVERIFY(m_driver.choose(Entry::Settings,
                            byKeyboard ? BarDriver::By::Keyboard : BarDriver::By::Mouse));
    // The bar grows downwards and keeps its place.
    QTRY_COMPARE(m_driver.geometry(), m_driver.expected(ExpandedHeight));

    // Cancel shrinks it back.
    QVERIFY(m_session.click(m_driver.expected().topLeft() + CancelButton.center()));
    QTRY_COMPARE(m_driver.geometry(), m_driver.expected());
}

void TestBarMenu::exitEntryEndsProgram()
{
    QVERIFY(m_driver.choose(Entry::Exit, BarDriver::By::Mouse));
    QVERIFY(m_session.waitForProgramExit(5000));
    QCOMPARE(m_session.program()->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_session.program()->exitCode(), 0);
    QVERIFY(m_driver.windows().isEmpty());
}

QTEST_MAIN(TestBarMenu)
#include "tst_bar_menu.moc"
