// The bar on a Wayland desktop (sway, headless; run by with-sway.sh): through XWayland, above a
// native full-screen slide show that keeps the keyboard, in both start orders; and the settings
// panel borrowing the keyboard and giving it back to the show.
//
// sway decides who has the keyboard. The show reports it ("focus in"/"focus out"); keys come
// from wtype, screenshots from grim. A virtual keyboard that stays for the whole test makes the
// seat have a keyboard at all: each wtype run adds one of its own, and sway hands a new keyboard
// to the window it has focused in its tree, so wtype alone would hide a bar that took the focus.

#include "bardriver.h"
#include "desktopsession.h"
#include "ledreader.h"
#include "pixels.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace BarLayout;
using WindowId = DesktopSession::WindowId;

namespace {

QImage grim()
{
    QProcess p;
    p.start(u"grim"_s, {u"-t"_s, u"png"_s, u"-"_s});
    if (!p.waitForFinished(10000))
        return {};
    return QImage::fromData(p.readAllStandardOutput(), "PNG").convertToFormat(QImage::Format_RGB32);
}

// The node of sway's tree that shows the application `appId`, or an empty object.
QJsonObject findNode(const QJsonObject &node, const QString &appId)
{
    if (node.value(u"app_id"_s).toString() == appId)
        return node;
    for (const char *children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue &child : node.value(QLatin1String(children)).toArray()) {
            const QJsonObject found = findNode(child.toObject(), appId);
            if (!found.isEmpty())
                return found;
        }
    }
    return {};
}

// Whether sway has the show full screen and focused in its tree.
bool showFocusedFullScreen()
{
    QString tree;
    if (!DesktopSession::run(u"swaymsg"_s, {u"-r"_s, u"-t"_s, u"get_tree"_s}, &tree))
        return false;
    const QJsonObject show =
        findNode(QJsonDocument::fromJson(tree.toUtf8()).object(), u"tc-fakeshow"_s);
    return show.value(u"focused"_s).toBool() && show.value(u"fullscreen_mode"_s).toInt() == 1;
}

bool seatHasKeyboard()
{
    QString seats;
    if (!DesktopSession::run(u"swaymsg"_s, {u"-r"_s, u"-t"_s, u"get_seats"_s}, &seats))
        return false;
    const QJsonArray list = QJsonDocument::fromJson(seats.toUtf8()).array();
    return !list.isEmpty() && (list.first().toObject().value(u"capabilities"_s).toInt() & 2);
}

} // namespace

class TestSwayBar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void barAboveFocusedShow_data();
    void barAboveFocusedShow();
    void settingsBorrowAndReturnKeyboard();
    void followShowSeesNoNativeShow();

private:
    bool startBoth(bool showFirst);
    QRect expectedBar(int height = CollapsedHeight) const;
    bool barVisible(QString *seen);
    bool typeReachesShow(const QString &key);
    bool showLostFocus();
    QString lastFocusLine() const;
    bool waitForFocus(const QString &line, int timeoutMs = 5000);

    DesktopSession m_session;
    BarDriver m_driver{m_session};
    QProcess m_keyboard;
    QProcessEnvironment m_programEnv = QProcessEnvironment::systemEnvironment();
    qsizetype m_readyLine = 0;
};

void TestSwayBar::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("SWAYSOCK"), "run through with-sway.sh");
    // The program chooses Qt's xcb platform itself, as it does on any Wayland desktop; the show
    // is a native Wayland window. (This test draws nothing, and runs offscreen.)
    m_programEnv.remove(u"QT_QPA_PLATFORM"_s);
    qputenv("QT_QPA_PLATFORM", "wayland");
    m_keyboard.start(u"wtype"_s, {u"-"_s}); // reads its stdin until the test ends
    QVERIFY(m_keyboard.waitForStarted());
    QTRY_VERIFY(seatHasKeyboard());
}

void TestSwayBar::cleanupTestCase()
{
    m_keyboard.closeWriteChannel();
    if (!m_keyboard.waitForFinished(3000))
        m_keyboard.kill();
    m_keyboard.waitForFinished();
}

void TestSwayBar::cleanup()
{
    m_session.stopProgram();
    m_session.stopFakeShow();
}

QRect TestSwayBar::expectedBar(int height) const
{
    const QSize screen = grim().size();
    return QRect(screen.width() - Width, 0, Width, height);
}

bool TestSwayBar::startBoth(bool showFirst)
{
    if (showFirst && !m_session.startFakeShow())
        return false;
    if (!m_session.startProgram({}, m_programEnv) || !m_driver.findBar())
        return false;
    if (!showFirst && !m_session.startFakeShow())
        return false;
    m_readyLine = m_session.fakeShowLines().indexOf(u"ready"_s);
    return QTest::qWaitFor(showFocusedFullScreen, 5000);
}

bool TestSwayBar::barVisible(QString *seen)
{
    const QImage screen = grim();
    const QRect bar = expectedBar();
    const int covered = Pixels::countColour(screen, bar, ShowColour);
    const QString digits = LedReader::readBar(screen, bar.topLeft());
    *seen = u"%1 pixels of the show's colour on the bar, digits %2"_s.arg(covered).arg(digits);
    const bool showUp = screen.pixelColor(0, screen.height() - 1) == ShowColour;
    return showUp && covered == 0 && digits == u"00:00"_s;
}

bool TestSwayBar::showLostFocus()
{
    return m_session.fakeShowLines().mid(m_readyLine).contains(u"focus out"_s);
}

// "focus in" or "focus out", whichever the show said last.
QString TestSwayBar::lastFocusLine() const
{
    const QStringList focus =
        m_session.fakeShowLines().filter(QRegularExpression(u"^focus (in|out)$"_s));
    return focus.isEmpty() ? QString() : focus.last();
}

// Waits until the show's last word on the keyboard is `line` ("focus in" or "focus out").
bool TestSwayBar::waitForFocus(const QString &line, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // Reading the show's output is what waiting for a line does; the last such line counts.
    while (lastFocusLine() != line) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || !m_session.waitForLine(line, int(left)))
            return false;
    }
    return true;
}

bool TestSwayBar::typeReachesShow(const QString &key)
{
    // A moment before typing, for the show to take wtype's own keyboard.
    return DesktopSession::run(u"wtype"_s, {u"-s"_s, u"200"_s, key})
           && m_session.waitForLine(u"key "_s + key);
}

void TestSwayBar::barAboveFocusedShow_data()
{
    QTest::addColumn<bool>("showFirst");
    QTest::addRow("show started first") << true;
    QTest::addRow("bar started first") << false;
}

void TestSwayBar::barAboveFocusedShow()
{
    QFETCH(bool, showFirst);
    QVERIFY(startBoth(showFirst));

    QString seen;
    BAR_VERIFY(QTest::qWaitFor([&] { return barVisible(&seen); }, 5000), seen, grim());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1500) {
        QTest::qWait(250);
        BAR_VERIFY(barVisible(&seen), seen, grim());
    }
    QVERIFY(showFocusedFullScreen());
    QVERIFY(typeReachesShow(u"a"_s));
    // sway hands the keyboard to an unmanaged XWayland window as it maps, unless its type says
    // it never takes it: the show must not have lost it. (Waiting for the key has read all the
    // show said up to it; wtype's keyboard would have given the keyboard back by then.)
    QVERIFY2(!showLostFocus(), qPrintable(m_session.fakeShowLines().join(u", "_s)));
}

void TestSwayBar::settingsBorrowAndReturnKeyboard()
{
    QVERIFY(startBoth(true));
    const WindowId bar = m_driver.findBar();
    QVERIFY(bar != 0);
    QString seen;
    BAR_VERIFY(QTest::qWaitFor([&] { return barVisible(&seen); }, 5000), seen, grim());

    // The bar's menu, then its settings entry. XWayland takes clicks on its own windows from
    // xdotool.
    const WindowId menu = m_driver.rightClickForMenu(expectedBar().topLeft() + QPoint(5, 128));
    QVERIFY2(menu != 0, "no menu opened");
    const QRect menuAt = m_session.windowInfo(menu).geometry;
    QCOMPARE(menuAt.size(), m_driver.menuSize());
    QVERIFY(m_session.click(menuAt.topLeft() + m_driver.menuEntry(BarDriver::Entry::Settings)));
    QTRY_COMPARE(m_session.windowInfo(bar).geometry, expectedBar(ExpandedHeight));

    // The open panel takes the keyboard from the show (the menu had it while it was open)...
    QVERIFY(waitForFocus(u"focus out"_s));

    // ... and Cancel gives it back.
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_session.click(expectedBar().topLeft() + CancelButton.center()));
    QVERIFY(waitForFocus(u"focus in"_s));
    qInfo("the show had the keyboard back %lld ms after the click on Cancel", clock.elapsed());
    QTRY_COMPARE(m_session.windowInfo(bar).geometry, expectedBar());
    QVERIFY(typeReachesShow(u"b"_s));
    BAR_VERIFY(QTest::qWaitFor([&] { return barVisible(&seen); }, 5000), seen, grim());
}

// With --follow-show the bar says once that it sees only shows that run through XWayland, and
// a native Wayland show does not start the talk.
void TestSwayBar::followShowSeesNoNativeShow()
{
    QVERIFY(m_session.startProgram({u"20"_s, u"--borderless"_s, u"--follow-show"_s}, m_programEnv));
    QVERIFY(m_driver.findBar());
    QVERIFY(m_session.startFakeShow());
    QTest::qWait(2500); // a counting bar would have moved on by now
    QTRY_COMPARE_WITH_TIMEOUT(LedReader::readBar(grim(), expectedBar().topLeft()), u"20:00"_s,
                              3000);
    QCOMPARE(m_session.standardError().count(u"sees only slide shows that run through XWayland"_s),
             1);
}

QTEST_MAIN(TestSwayBar)
#include "tst_sway_bar.moc"
