#include "bardriver.h"

#include "ledreader.h"

#include <QAction>
#include <QDebug>
#include <QMenu>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace BarLayout;

BarDriver::BarDriver(DesktopSession &session)
    : m_session(session)
{
    QMenu menu;
    QAction *entries[] = {menu.addAction(u"启动"_s), menu.addAction(u"暂停"_s), nullptr, nullptr};
    menu.addSeparator();
    entries[int(Entry::Settings)] = menu.addAction(u"设置"_s);
    entries[int(Entry::Exit)] = menu.addAction(u"退出"_s);
    menu.ensurePolished();
    m_menuSize = menu.sizeHint();
    for (int i = 0; i < 4; ++i)
        m_menuEntries[i] = menu.actionGeometry(entries[i]).center();
}

bool BarDriver::start(const QProcessEnvironment &env, const QStringList &wrapper,
                      const QString &workingDirectory)
{
    m_bar = 0;
    return m_session.startProgram({}, env, wrapper, workingDirectory) && findBar(15000);
}

QList<BarDriver::WindowId> BarDriver::windows()
{
    // Short timeout: the caller wants the state of now, and the bar is normally there already.
    return m_session.findWindows(u"^talk-countdown$"_s, DesktopSession::Match::Class, 300);
}

BarDriver::WindowId BarDriver::findBar(int timeoutMs, int scale)
{
    m_bar = 0;
    (void)QTest::qWaitFor(
        [&] {
            for (WindowId id : windows()) {
                const int width = m_session.windowInfo(id).geometry.width();
                if (width == scale * Width || width == scale * BorderedWidth)
                    m_bar = id;
            }
            return m_bar != 0;
        },
        timeoutMs);
    if (!m_bar) {
        qWarning() << "no bar-sized window of the program; its windows:";
        for (WindowId id : windows())
            qWarning() << "  " << Qt::hex << id << Qt::dec << m_session.windowInfo(id).geometry;
    }
    return m_bar;
}

BarDriver::WindowId BarDriver::waitForNewWindow(const QList<WindowId> &known, int timeoutMs)
{
    WindowId found = 0;
    (void)QTest::qWaitFor(
        [&] {
            for (WindowId id : windows()) {
                if (!known.contains(id))
                    found = id;
            }
            return found != 0;
        },
        timeoutMs);
    return found;
}

QRect BarDriver::geometry()
{
    return m_session.windowInfo(m_bar).geometry;
}

bool BarDriver::bordered()
{
    return geometry().width() == BorderedWidth;
}

QPoint BarDriver::clientOrigin(const QRect &barGeometry, bool bordered)
{
    if (!bordered)
        return barGeometry.topLeft();
    // The title bar takes what the client area leaves of the height; it is far lower than the
    // panel, so the height also tells whether the panel is open.
    const int inside = barGeometry.height() - 2;
    const int titleHeight = inside - (inside >= ExpandedHeight ? ExpandedHeight : CollapsedHeight);
    return barGeometry.topLeft() + QPoint(1, 1 + titleHeight);
}

QPoint BarDriver::client()
{
    const QRect g = geometry();
    return clientOrigin(g, g.width() == BorderedWidth);
}

QRect BarDriver::expected(int height) const
{
    return QRect(m_session.screenSize().width() - Width, 0, Width, height);
}

QString BarDriver::read()
{
    return LedReader::readBar(m_session.grabScreen(), client());
}

bool BarDriver::frozen(int ms)
{
    const QString before = read();
    QTest::qWait(ms);
    return read() == before;
}

BarDriver::WindowId BarDriver::rightClickForMenu(const QPoint &at, int timeoutMs)
{
    const QList<WindowId> before = windows();
    return m_session.click(at, 3) ? waitForNewWindow(before, timeoutMs) : 0;
}

BarDriver::WindowId BarDriver::openMenu()
{
    WindowId menu = rightClickForMenu(client() + MenuSpot, 2500);
    if (!menu) {
        // Seen now and then right after a show came up: no menu, and the show got no click
        // either. A speaker would click again; the warning keeps it visible all the same.
        qWarning("the bar's menu did not open on a right-click; clicking once more");
        menu = rightClickForMenu(client() + MenuSpot, 2500);
    }
    if (!menu)
        qWarning("no menu opened on the bar");
    return menu;
}

bool BarDriver::closeMenu(WindowId menu)
{
    return m_session.key(u"Escape"_s)
           && QTest::qWaitFor([&] { return !windows().contains(menu); }, 3000);
}

bool BarDriver::choose(Entry entry, By by)
{
    const WindowId menu = openMenu();
    if (!menu)
        return false;
    // The keys skip the separator; Up wraps round to the last entry.
    static const QString keys[] = {u"Down"_s, u"Down Down"_s, u"Down Down Down"_s, u"Up"_s};
    const QPoint at = m_session.windowInfo(menu).geometry.topLeft() + menuEntry(entry);
    // xdotool acts a few milliseconds after it starts, then lingers for 100 ms more; the start
    // of the command is the closer mark.
    m_chosenAtMs = m_session.nowMs();
    const bool sent =
        by == By::Mouse ? m_session.click(at) : m_session.key(keys[int(entry)] + u" Return"_s);
    return sent && QTest::qWaitFor([&] { return !windows().contains(menu); }, 3000);
}

bool BarDriver::openSettings(By by)
{
    // The panel adds its height below the digits, whatever frame the bar has.
    const int expanded = geometry().height() - CollapsedHeight + ExpandedHeight;
    if (!choose(Entry::Settings, by))
        return false;
    if (!QTest::qWaitFor([&] { return geometry().height() == expanded; }, 5000)) {
        qWarning() << "the settings did not open; the bar is" << geometry();
        return false;
    }
    return true;
}

bool BarDriver::pickFromList(const QRect &list, const QString &keys)
{
    const QList<WindowId> before = windows();
    if (!m_session.click(client() + list.center()))
        return false;
    const WindowId popup = waitForNewWindow(before);
    if (!popup) {
        qWarning() << "no list opened at" << list;
        return false;
    }
    return m_session.key(keys) && QTest::qWaitFor([&] { return !windows().contains(popup); }, 3000);
}

bool BarDriver::setTalk(int minutes, int seconds, int reminder, const QString &soundPath)
{
    // Typed into the open list, digit by digit, as its keyboard search wants them.
    auto typed = [](int value) {
        return u"Home "_s + QString::number(value).split(QString(), Qt::SkipEmptyParts).join(u' ')
               + u" Return"_s;
    };
    if (!openSettings() || !pickFromList(MinutesList, typed(minutes))
        || !pickFromList(SecondsList, typed(seconds))
        || !pickFromList(ReminderList, typed(reminder)))
        return false;
    if (!soundPath.isEmpty()
        && !(m_session.click(client() + SoundPathBox.center()) && m_session.key(u"ctrl+a"_s)
             && m_session.type(soundPath)))
        return false;
    if (!m_session.click(client() + OkButton.center()))
        return false;
    if (!QTest::qWaitFor([&] { return geometry().height() < ExpandedHeight; }, 5000)) {
        qWarning("the settings did not close on OK");
        return false;
    }
    return true;
}

bool BarDriver::exitThroughMenu(int timeoutMs)
{
    if (!m_session.programRunning() || !choose(Entry::Exit))
        return false;
    if (!m_session.waitForProgramExit(timeoutMs)) {
        qWarning("the program did not end after Exit");
        return false;
    }
    const QProcess *program = m_session.program();
    if (program->exitStatus() != QProcess::NormalExit || program->exitCode() != 0) {
        qWarning() << "the program ended with" << program->exitStatus() << "code"
                   << program->exitCode();
        return false;
    }
    return true;
}
