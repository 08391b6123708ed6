// The bar on a Wayland desktop (headless sway, or KWin with --kwin; run by with-sway.sh):
// through XWayland, above a native full-screen slide show that keeps the keyboard, in both start
// orders; and the settings panel taking the keyboard while open (keys typed into it change it,
// none reaches the show) and giving it back to the show.
//
// The compositor decides who has the keyboard. The show reports it ("focus in"/"focus out").
// Keys and clicks go through the compositor's own seat (tc-seat, one keyboard and one pointer
// for the whole test): a new keyboard, as each wtype run adds, makes sway hand the keyboard to
// the window it has focused in its tree, which would hide a bar that took the focus; and XTEST
// into XWayland would skip the compositor's focus rules. Screenshots come from grim on sway and
// from KWin's screenshot interface on KWin.

#include "bardriver.h"
#include "desktopsession.h"
#include "ledreader.h"
#include "pixels.h"
#include "waylandseat.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace BarLayout;
using WindowId = DesktopSession::WindowId;

namespace {

bool onSway()
{
    return !qEnvironmentVariableIsEmpty("SWAYSOCK");
}

// As with-sway.sh made it.
QSize screenSize()
{
    const QStringList wh = qEnvironmentVariable("TC_SCREEN_SIZE").split(u'x');
    return wh.size() == 2 ? QSize(wh[0].toInt(), wh[1].toInt()) : QSize();
}

// KWin writes the picture into a pipe and describes it in its answer.
QImage kwinScreen()
{
    const QSize size = screenSize();
    int fds[2];
    if (size.isEmpty() || pipe2(fds, O_CLOEXEC) != 0)
        return {};
    QDBusMessage call =
        QDBusMessage::createMethodCall(u"org.kde.KWin"_s, u"/org/kde/KWin/ScreenShot2"_s,
                                       u"org.kde.KWin.ScreenShot2"_s, u"CaptureArea"_s);
    call << 0 << 0 << uint(size.width()) << uint(size.height()) << QVariantMap()
         << QVariant::fromValue(QDBusUnixFileDescriptor(fds[1]));
    // The call keeps a copy of the pipe's end: the picture is read by its size, not to its end.
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    close(fds[1]);
    QVariantMap info;
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        info = qdbus_cast<QVariantMap>(reply.arguments().first());
    const int width = info.value(u"width"_s).toInt(), height = info.value(u"height"_s).toInt();
    const int stride = info.value(u"stride"_s).toInt();
    QByteArray data(qsizetype(stride) * height, Qt::Uninitialized);
    qsizetype got = 0;
    pollfd readable{fds[0], POLLIN, 0};
    while (got < data.size() && poll(&readable, 1, 10000) > 0) {
        const ssize_t n = read(fds[0], data.data() + got, size_t(data.size() - got));
        if (n <= 0 && errno != EINTR)
            break;
        got += std::max<ssize_t>(n, 0);
    }
    close(fds[0]);
    if (width <= 0 || height <= 0 || got < data.size())
        return {};
    const QImage image(reinterpret_cast<const uchar *>(data.constData()), width, height, stride,
                       QImage::Format(info.value(u"format"_s).toInt()));
    return image.convertToFormat(QImage::Format_RGB32); // a deep copy, while data lives
}

QImage grim()
{
    if (!onSway())
        return kwinScreen();
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

// Whether sway has the show full screen and focused in its tree. Elsewhere the show's own
// "ready" (full screen, exposed and focused) stands for it.
bool showFocusedFullScreen()
{
    if (!onSway())
        return true;
    QString tree;
    if (!DesktopSession::run(u"swaymsg"_s, {u"-r"_s, u"-t"_s, u"get_tree"_s}, &tree))
        return false;
    const QJsonObject show =
        findNode(QJsonDocument::fromJson(tree.toUtf8()).object(), u"tc-fakeshow"_s);
    return show.value(u"focused"_s).toBool() && show.value(u"fullscreen_mode"_s).toInt() == 1;
}

// Where the X server has the pointer: XWayland learns of it only over its own windows.
QPoint xPointerAt()
{
    QString out;
    if (!DesktopSession::run(u"xdotool"_s, {u"getmouselocation"_s, u"--shell"_s}, &out))
        return {-1, -1};
    const QRegularExpressionMatch x = QRegularExpression(u"X=(\\d+)"_s).match(out);
    const QRegularExpressionMatch y = QRegularExpression(u"Y=(\\d+)"_s).match(out);
    return x.hasMatch() && y.hasMatch() ? QPoint(x.captured(1).toInt(), y.captured(1).toInt())
                                        : QPoint(-1, -1);
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
    void settingsPanelTakesTheKeys();
    void followShowSeesNoNativeShow();

private:
    bool startBoth(bool showFirst);
    QRect expectedBar(int height = CollapsedHeight) const;
    bool barVisible(QString *seen);
    bool typeReachesShow(const QString &key);
    bool showLostFocus();
    QString lastFocusLine() const;
    bool waitForFocus(const QString &line, int timeoutMs = 5000);
    bool openSettingsThroughMenu(WindowId bar);
    QString barDigits(WindowId bar);

    DesktopSession m_session;
    BarDriver m_driver{m_session};
    WaylandSeat m_seat;
    QProcessEnvironment m_programEnv = QProcessEnvironment::systemEnvironment();
    qsizetype m_readyLine = 0;
};

void TestSwayBar::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"), "run through with-sway.sh");
    // The program chooses Qt's xcb platform itself, as it does on any Wayland desktop; the show
    // is a native Wayland window. (This test draws nothing, and runs offscreen.)
    m_programEnv.remove(u"QT_QPA_PLATFORM"_s);
    qputenv("QT_QPA_PLATFORM", "wayland");
    QVERIFY(m_seat.start());
    if (onSway())
        QTRY_VERIFY(seatHasKeyboard());
}

void TestSwayBar::cleanupTestCase() {}

void TestSwayBar::cleanup()
{
    m_session.stopProgram();
    m_session.stopFakeShow();
}

QRect TestSwayBar::expectedBar(int height) const
{
    return QRect(screenSize().width() - Width, 0, Width, height);
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
    return m_seat.key(key) && m_session.waitForLine(u"key "_s + key);
}

// The bar's menu, then its settings entry; true once the panel is open.
bool TestSwayBar::openSettingsThroughMenu(WindowId bar)
{
    const QList<WindowId> before = m_driver.windows();
    if (!m_seat.click(expectedBar().topLeft() + QPoint(5, 128), Qt::RightButton))
        return false;
    const WindowId menu = m_driver.waitForNewWindow(before);
    if (!menu) {
        qWarning("no menu opened");
        return false;
    }
    const QRect menuAt = m_session.windowInfo(menu).geometry;
    if (menuAt.size() != m_driver.menuSize()) {
        qWarning() << "a menu of" << menuAt.size() << "not" << m_driver.menuSize();
        return false;
    }
    // The compositor learns of the new menu a moment after the X server maps it; until then it
    // sends the pointer to the window below, and a click would land there.
    const QPoint entry = menuAt.topLeft() + m_driver.menuEntry(BarDriver::Entry::Settings);
    if (!QTest::qWaitFor([&] { return m_seat.move(entry) && xPointerAt() == entry; }, 5000)) {
        qWarning() << "XWayland never saw the pointer on the menu at" << entry;
        return false;
    }
    if (!m_seat.click(entry))
        return false;
    // Open once it shows above the show, which a speaker waits for before clicking into it.
    if (QTest::qWaitFor(
            [&] {
                return m_session.windowInfo(bar).geometry == expectedBar(ExpandedHeight)
                       && Pixels::countColour(grim(), expectedBar(ExpandedHeight), ShowColour) == 0;
            },
            5000))
        return true;
    qWarning() << "the bar is at" << m_session.windowInfo(bar).geometry << "the menu was at"
               << menuAt;
    return false;
}

// The digits on the bar, wherever its client area is (after OK it has a frame of its own).
QString TestSwayBar::barDigits(WindowId bar)
{
    const QRect at = m_session.windowInfo(bar).geometry;
    return LedReader::readBar(grim(), BarDriver::clientOrigin(at, at.width() == BorderedWidth));
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
    // show said up to it.)
    QVERIFY2(!showLostFocus(), qPrintable(m_session.fakeShowLines().join(u", "_s)));
}

void TestSwayBar::settingsBorrowAndReturnKeyboard()
{
    QVERIFY(startBoth(true));
    const WindowId bar = m_driver.findBar();
    QVERIFY(bar != 0);
    QString seen;
    BAR_VERIFY(QTest::qWaitFor([&] { return barVisible(&seen); }, 5000), seen, grim());

    QVERIFY(openSettingsThroughMenu(bar));

    // The open panel takes the keyboard from the show (the menu had it while it was open)...
    QVERIFY(waitForFocus(u"focus out"_s));

    // ... and Cancel gives it back.
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_seat.click(expectedBar().topLeft() + CancelButton.center()));
    QVERIFY(waitForFocus(u"focus in"_s));
    qInfo("the show had the keyboard back %lld ms after the click on Cancel", clock.elapsed());
    QTRY_COMPARE(m_session.windowInfo(bar).geometry, expectedBar());
    QVERIFY(typeReachesShow(u"b"_s));
    BAR_VERIFY(QTest::qWaitFor([&] { return barVisible(&seen); }, 5000), seen, grim());
}

void TestSwayBar::settingsPanelTakesTheKeys()
{
    QVERIFY(startBoth(true));
    const WindowId bar = m_driver.findBar();
    QVERIFY(bar != 0);
    QString seen;
    BAR_VERIFY(QTest::qWaitFor([&] { return barVisible(&seen); }, 5000), seen, grim());
    QVERIFY(openSettingsThroughMenu(bar));
    QVERIFY(waitForFocus(u"focus out"_s));
    const qsizetype openedAt = m_session.fakeShowLines().size();

    // As a speaker works the panel from the keyboard: 9 into the minutes list, which has the
    // focus, Tab to the seconds list, its list opened with a click and 3 picked with keys (the
    // list takes the keyboard and hands it back), Tab on to OK and Return.
    QVERIFY(m_seat.key(u"9"_s));
    QVERIFY(m_seat.key(u"Tab"_s));
    const QList<WindowId> before = m_driver.windows();
    QVERIFY(m_seat.click(expectedBar().topLeft() + SecondsList.center()));
    const WindowId list = m_driver.waitForNewWindow(before);
    QVERIFY2(list != 0, "the seconds list did not open");
    QVERIFY(m_seat.key(u"3"_s));
    QVERIFY(m_seat.key(u"Return"_s));
    QTRY_VERIFY(!m_driver.windows().contains(list));
    for (int tab = 0; tab < 5; ++tab) // the reminder, no reminder, the sound, "...", OK
        QVERIFY(m_seat.key(u"Tab"_s));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_seat.key(u"Return"_s));

    QVERIFY(waitForFocus(u"focus in"_s));
    qInfo("the show had the keyboard back %lld ms after Return on OK", clock.elapsed());
    const QStringList whileOpen = m_session.fakeShowLines().mid(openedAt);
    QVERIFY2(whileOpen.filter(QRegularExpression(u"^key "_s)).isEmpty(),
             qPrintable(whileOpen.join(u", "_s)));
    QTRY_COMPARE(barDigits(bar), u"09:03"_s);
    QVERIFY(typeReachesShow(u"b"_s));
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
