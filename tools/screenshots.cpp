// Takes the README's pictures of the real program on a private X desktop.
// Run through ./dev screenshots, which provides the desktop.
//
//   tc-screenshots <output folder>
#include "desktopsession.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTest>

#include <cstdio>

namespace {

using WindowId = DesktopSession::WindowId;

int fail(const char *what)
{
    std::fprintf(stderr, "tc-screenshots: %s\n", what);
    return 1;
}

// The program's windows other than those already known.
QList<WindowId> newWindows(DesktopSession &s, const QList<WindowId> &known, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    do {
        QList<WindowId> found;
        for (WindowId id :
             s.findWindows(QStringLiteral("talk-countdown"), DesktopSession::Match::Class, 500)) {
            if (!known.contains(id))
                found << id;
        }
        if (!found.isEmpty())
            return found;
        QTest::qWait(100);
    } while (!deadline.hasExpired());
    return {};
}

// Waits until the window is (expand) or is no longer (collapse) as high as the open panel.
bool waitForPanel(DesktopSession &s, WindowId id, bool open)
{
    const QDeadlineTimer deadline(5000);
    while ((s.windowInfo(id).geometry.height() == 347) != open) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

bool save(DesktopSession &s, const QRect &area, const QString &path)
{
    QTest::qWait(400); // let the last repaint reach the screen
    const bool ok = s.grabScreen().copy(area).save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

void pickFromList(DesktopSession &s, const QPoint &listCentre, const QString &entry)
{
    s.click(listCentre);
    QTest::qWait(300);
    s.key(QStringLiteral("Home")); // the search runs on from the current entry
    s.type(entry);
    s.key(QStringLiteral("Return"));
    QTest::qWait(200);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2)
        return fail("usage: tc-screenshots <output folder>");
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path()))
        return fail("cannot create the output folder");

    DesktopSession s;
    if (!s.startProgram())
        return fail("the program did not start");
    const QList<WindowId> bars = newWindows(s, {}, 10000);
    if (bars.isEmpty())
        return fail("no bar window");
    const WindowId bar = bars.first();
    QRect g = s.windowInfo(bar).geometry;
    save(s, g, out.filePath(QStringLiteral("bar.png")));

    // The menu, opened on the bar's background.
    s.click(QPoint(g.x() + 6, g.bottom() - 6), 3);
    const QList<WindowId> menu = newWindows(s, bars, 5000);
    if (menu.isEmpty())
        return fail("no menu");
    const QRect m = s.windowInfo(menu.first()).geometry;
    save(s, g.united(m), out.filePath(QStringLiteral("menu.png")));
    s.key(QStringLiteral("Down Down Down Return")); // 设置
    if (!waitForPanel(s, bar, true))
        return fail("the settings panel did not open");
    g = s.windowInfo(bar).geometry;

    // A ten-second talk with a reminder at five.
    pickFromList(s, g.topLeft() + QPoint(100, 191), QStringLiteral("0"));
    pickFromList(s, g.topLeft() + QPoint(188, 191), QStringLiteral("10"));
    pickFromList(s, g.topLeft() + QPoint(100, 223), QStringLiteral("5"));
    save(s, g, out.filePath(QStringLiteral("settings.png")));
    s.click(g.topLeft() + QPoint(164, 292)); // 确定
    if (!waitForPanel(s, bar, false))
        return fail("OK did not close the panel");
    QTest::qWait(300);
    g = s.windowInfo(bar).geometry;

    s.click(QPoint(g.x() + 6, g.bottom() - 6), 3);
    if (newWindows(s, bars, 5000).isEmpty())
        return fail("no menu");
    s.key(QStringLiteral("Down Return")); // 启动
    const QList<WindowId> notice = newWindows(s, bars, 15000);
    if (notice.isEmpty())
        return fail("no notice window");
    QTest::qWait(1200);
    const QRect n = s.windowInfo(notice.first()).geometry;
    save(s, n.adjusted(-20, -20, 20, 20), out.filePath(QStringLiteral("notice.png")));
    save(s, g, out.filePath(QStringLiteral("bar-framed.png")));

    s.click(QPoint(g.x() + 6, g.bottom() - 6), 3);
    QTest::qWait(300);
    s.key(QStringLiteral("Up Return")); // 退出
    if (!s.waitForProgramExit(5000))
        return fail("the program did not exit");

    // Three seconds over a two-second talk.
    if (!s.startProgram({QStringLiteral("0:02"), QStringLiteral("--borderless"),
                         QStringLiteral("--start"), QStringLiteral("--at-zero"),
                         QStringLiteral("overtime")}))
        return fail("the program did not start again");
    const QList<WindowId> overtime = newWindows(s, {}, 10000);
    if (overtime.isEmpty())
        return fail("no bar window");
    QTest::qWait(5500);
    save(s, s.windowInfo(overtime.first()).geometry,
         out.filePath(QStringLiteral("bar-overtime.png")));
    s.stopProgram();
    return 0;
}
