// The bar's own boxes and file dialog on a real desktop, in front of a focused slide show: each
// opens beside the bar, wholly visible and uppermost where it stands, under its exact title; the
// keyboard stays with the open panel after each closes; Return presses a focused button; and a
// bar dragged by its title bar, or grown by its panel, stays on screen.

#include "bardriver.h"
#include "desktopsession.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace BarLayout;
using WindowId = DesktopSession::WindowId;

class TestBarDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refusedOkBoxBesideBar();
    void fileDialogBesideBar();
    void wrongFileTypeBoxBesideBar();
    void returnPressesFocusedButtons_data();
    void returnPressesFocusedButtons();
    void dialogOutlivingThePanel();
    void draggedBarStaysOnScreen();
    void boxBesideDraggedBar_data();
    void boxBesideDraggedBar();

private:
    QRect barFrame() { return m_bar.geometry(); }
    QPoint client() { return m_bar.client(); }
    void openSettings();
    void pick(const QRect &list, const QString &keys) { QVERIFY(m_bar.pickFromList(list, keys)); }
    void checkBesideBar(const QString &title, const QString &closeKeys);

    DesktopSession m_session;
    BarDriver m_bar{m_session};
    QTemporaryDir m_dir;
    WindowId m_show = 0;
};

void TestBarDialogs::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(m_bar.start());
    QVERIFY(m_session.startFakeShow());
    m_show = m_session.fakeShowWindow();
    QVERIFY(m_show != 0);
    QTRY_COMPARE_WITH_TIMEOUT(Pixels::countColour(m_session.grabScreen(), barFrame(), ShowColour),
                              0, 3000);
}

// Through the menu with the mouse; the open panel has the keyboard.
void TestBarDialogs::openSettings()
{
    QVERIFY(m_bar.openSettings(BarDriver::By::Mouse));
    QTRY_COMPARE(m_session.focusedWindow(), m_bar.bar());
}

// The dialog titled `title` is open: wholly on screen, clear of the bar and uppermost at its
// centre. `closeKeys` close it; the keyboard is then the panel's, and the menu answers at once.
void TestBarDialogs::checkBesideBar(const QString &title, const QString &closeKeys)
{
    const QList<WindowId> found = m_session.findWindows(
        u"^%1$"_s.arg(QRegularExpression::escape(title)), DesktopSession::Match::Name, 5000);
    QCOMPARE(found.size(), 1);
    const WindowId dialog = found.first();
    QTRY_VERIFY(m_session.windowInfo(dialog).viewable);
    QTest::qWait(300); // the window manager's frame and any late move settle
    const QRect frame = m_session.windowInfo(dialog).frameGeometry;
    const QRect bar = barFrame();
    const QRect screen(QPoint(0, 0), m_session.screenSize());
    const QString where = u"%1 at %2,%3 %4x%5, bar at %6,%7 %8x%9"_s.arg(title)
                              .arg(frame.x())
                              .arg(frame.y())
                              .arg(frame.width())
                              .arg(frame.height())
                              .arg(bar.x())
                              .arg(bar.y())
                              .arg(bar.width())
                              .arg(bar.height());
    BAR_VERIFY(!frame.intersects(bar), where, m_session.grabScreen());
    BAR_VERIFY(screen.contains(frame), where, m_session.grabScreen());
    BAR_VERIFY(m_session.uppermostAt(frame.center()) == m_session.topLevelOf(dialog), where,
               m_session.grabScreen());
    BAR_VERIFY(m_session.uppermostAt(bar.center()) == m_bar.bar(),
               u"the bar is covered: "_s + where, m_session.grabScreen());

    QVERIFY(m_session.key(closeKeys));
    QTRY_VERIFY(!m_session.windowInfo(dialog).viewable);
    QTRY_COMPARE(m_session.focusedWindow(), m_bar.bar());
    QTest::qWait(500); // a late focus change by the window manager would show by now
    QCOMPARE(m_session.focusedWindow(), m_bar.bar());
    const WindowId menu = m_bar.rightClickForMenu(client() + MenuSpot, 3000);
    QVERIFY2(menu != 0, "the bar's menu did not open after the dialog closed");
    QVERIFY(m_bar.closeMenu(menu));
}

void TestBarDialogs::refusedOkBoxBesideBar()
{
    openSettings();
    pick(MinutesList, u"0 Return"_s);
    pick(SecondsList, u"8 Return"_s);
    pick(ReminderList, u"5 0 Return"_s); // type-ahead: 50
    QVERIFY(m_session.click(client() + OkButton.center()));
    checkBesideBar(u"计时"_s, u"Return"_s);
}

void TestBarDialogs::fileDialogBesideBar()
{
    QVERIFY(m_session.click(client() + BrowseButton.center()));
    // It opens on the default sound with it selected, so Return takes it and closes.
    checkBesideBar(u"选择wav文件"_s, u"Return"_s);
}

void TestBarDialogs::wrongFileTypeBoxBesideBar()
{
    const QString loud = m_dir.filePath(u"bell.WAV"_s);
    QFile file(loud);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(m_session.click(client() + BrowseButton.center()));
    const QList<WindowId> dialog =
        m_session.findWindows(u"^选择wav文件$"_s, DesktopSession::Match::Name, 5000);
    QCOMPARE(dialog.size(), 1);
    QTRY_COMPARE(m_session.focusedWindow(), dialog.first());
    QVERIFY(m_session.key(u"ctrl+a"_s));
    QVERIFY(m_session.type(loud));
    QVERIFY(m_session.key(u"Return"_s));
    checkBesideBar(u"打开文件"_s, u"Return"_s);
}

void TestBarDialogs::returnPressesFocusedButtons_data()
{
    QTest::addColumn<int>("tabs"); // from the sound path
    QTest::addColumn<bool>("applies");
    QTest::addRow("OK") << 2 << true;
    QTest::addRow("Cancel") << 3 << false;
}

void TestBarDialogs::returnPressesFocusedButtons()
{
    QFETCH(int, tabs);
    QFETCH(bool, applies);
    if (barFrame().height() < ExpandedHeight)
        openSettings();
    pick(ReminderList, u"0 Return"_s); // no reminder: the 0:08 talk is valid now
    QVERIFY(m_session.click(client() + SoundPathBox.center()));
    QVERIFY(m_session.key(QStringList(tabs, u"Tab"_s).join(u' ') + u" Return"_s));
    // OK gives the bar its frame (the border box is unticked); Cancel only closes the panel.
    QTRY_VERIFY(barFrame().height() < ExpandedHeight);
    QVERIFY(m_bar.bordered());
    if (applies)
        QTRY_COMPARE(m_bar.read(), u"00:08"_s);
    QTRY_COMPARE(m_session.focusedWindow(), m_show);
}

// A later start applies a length (closing the panel as OK would) while the file dialog is
// open: once the dialog goes, the keyboard goes back to the show, not to the collapsed bar.
void TestBarDialogs::dialogOutlivingThePanel()
{
    openSettings();
    QVERIFY(m_session.click(client() + BrowseButton.center()));
    const QList<WindowId> dialog =
        m_session.findWindows(u"^选择wav文件$"_s, DesktopSession::Match::Name, 5000);
    QCOMPARE(dialog.size(), 1);
    QTRY_COMPARE(m_session.focusedWindow(), dialog.first());
    QProcess later;
    later.start(qEnvironmentVariable("TC_PROGRAM"), {u"0:08"_s});
    QVERIFY(later.waitForFinished(30000));
    QCOMPARE(later.exitCode(), 0);
    QTRY_VERIFY(barFrame().height() < ExpandedHeight);
    const QString sound = m_dir.filePath(u"chime.wav"_s);
    QVERIFY(QFile(sound).open(QIODevice::WriteOnly));
    QVERIFY(m_session.key(u"ctrl+a"_s));
    QVERIFY(m_session.type(sound));
    QVERIFY(m_session.key(u"Return"_s));
    QTRY_VERIFY(!m_session.windowInfo(dialog.first()).viewable);
    QTRY_COMPARE(m_session.focusedWindow(), m_show);
    QTest::qWait(500); // a late focus change would show by now
    QCOMPARE(m_session.focusedWindow(), m_show);
}

void TestBarDialogs::draggedBarStaysOnScreen()
{
    QVERIFY(m_bar.bordered());
    const QSize screen = m_session.screenSize();
    const QPoint grab = barFrame().topLeft() + QPoint(40, 5); // on the title bar
    QVERIFY(DesktopSession::run(u"xdotool"_s, {u"mousemove"_s, QString::number(grab.x()),
                                               QString::number(grab.y()), u"mousedown"_s, u"1"_s}));
    for (const QPoint &to : {QPoint(grab.x() - 300, screen.height() / 2),
                             QPoint(grab.x() - 400, screen.height() + 200)})
        QVERIFY(m_session.mouseMove(to));
    QVERIFY(DesktopSession::run(u"xdotool"_s, {u"mouseup"_s, u"1"_s}));
    QTRY_VERIFY(barFrame().bottom() == screen.height() - 1);
    const QRect dragged = barFrame();
    QVERIFY(QRect(QPoint(0, 0), screen).contains(dragged));
    QVERIFY(dragged.right() < screen.width() - 1); // it did move left

    // The panel grows the bar upwards now, and the whole of it stays on screen.
    openSettings();
    QTRY_COMPARE(barFrame().bottom(), screen.height() - 1);
    QVERIFY(barFrame().top() < dragged.top());
    QVERIFY(QRect(QPoint(0, 0), screen).contains(barFrame()));
}

void TestBarDialogs::boxBesideDraggedBar_data()
{
    QTest::addColumn<bool>("intoCorner"); // dragged on into the top-left corner first
    QTest::addRow("at the bottom edge") << false;
    // Below the bar is the only room there: the box's own title bar must not go under it.
    QTest::addRow("in the top-left corner") << true;
}

void TestBarDialogs::boxBesideDraggedBar()
{
    QFETCH(bool, intoCorner);
    if (intoCorner) {
        const QPoint grab = barFrame().topLeft() + QPoint(40, 5); // on the title bar
        QVERIFY(m_session.mouseMove(grab));
        QVERIFY(DesktopSession::run(u"xdotool"_s, {u"mousedown"_s, u"1"_s}));
        for (const QPoint &to : {(grab + QPoint(40, 5)) / 2, QPoint(40, 5)})
            QVERIFY(m_session.mouseMove(to));
        QVERIFY(DesktopSession::run(u"xdotool"_s, {u"mouseup"_s, u"1"_s}));
        QTRY_COMPARE(barFrame().topLeft(), QPoint(0, 0));
        openSettings();
    }
    const QRect dragged = barFrame();
    pick(ReminderList, u"5 0 Return"_s);
    QVERIFY(m_session.click(client() + OkButton.center()));
    checkBesideBar(u"计时"_s, u"KP_Enter"_s);
    // Cancel shrinks the bar back down to where it was dragged.
    QVERIFY(m_session.click(client() + CancelButton.center()));
    if (intoCorner)
        QTRY_COMPARE(barFrame().topLeft(), dragged.topLeft());
    else
        QTRY_COMPARE(barFrame().bottom(), dragged.bottom());
    QVERIFY(barFrame().height() < dragged.height());
    QTRY_COMPARE(m_session.focusedWindow(), m_show);
}

QTEST_MAIN(TestBarDialogs)
#include "tst_bar_dialogs.moc"
