#pragma once

#include "barlayout.h"
#include "desktopsession.h"
#include "pixels.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>

// Works the program through its bar the way a speaker does, all input going through the X
// server: finds the bar, reads its digits, opens its menu and picks entries, fills in the
// settings panel, and exits. Positions come from BarLayout; the menu's entries are measured on
// a menu of the same entries built in this process (the program and the test share the
// display, the style and the fonts, so the entries sit at the same places).
class BarDriver
{
public:
    using WindowId = DesktopSession::WindowId;

    enum class Entry { Start, Pause, Settings, Exit };
    enum class By { Keyboard, Mouse };

    explicit BarDriver(DesktopSession &session);
    DesktopSession &session() const { return m_session; }

    // Starts the program (see DesktopSession::startProgram) and waits for its bar.
    bool start(const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
               const QStringList &wrapper = {}, const QString &workingDirectory = {});
    // The one visible window of the program that is as wide as the bar at `scale` (with or
    // without its own frame), so that an open menu or list is never taken for it; 0 if none.
    WindowId findBar(int timeoutMs = 10000, int scale = 1);
    WindowId bar() const { return m_bar; }

    // Every visible window of the program now, and the first one not among `known`.
    QList<WindowId> windows();
    WindowId waitForNewWindow(const QList<WindowId> &known, int timeoutMs = 5000);

    QRect geometry();
    // With its own frame and title bar, after OK with "no border" unticked.
    bool bordered();
    // The top-left corner of the client area, below the bar's own title bar when it has one.
    QPoint client();
    static QPoint clientOrigin(const QRect &barGeometry, bool bordered);
    // Where the borderless bar belongs: flush in the top-right corner.
    QRect expected(int height = BarLayout::CollapsedHeight) const;
    // The digits now on the bar, as LedReader::readBar reads them.
    QString read();
    // The digits stand still for `ms`: the bar is paused or stopped.
    bool frozen(int ms = 1500);

    // Right-clicks at `at` (on the screen) and returns the menu window that opens, or 0.
    WindowId rightClickForMenu(const QPoint &at, int timeoutMs = 5000);
    // Right-clicks the bar's margin, once more if no menu comes; the menu is left open.
    WindowId openMenu();
    bool closeMenu(WindowId menu);
    QSize menuSize() const { return m_menuSize; }
    // The middle of an entry, relative to the menu window's top-left corner.
    QPoint menuEntry(Entry entry) const { return m_menuEntries[int(entry)]; }
    // Opens the menu and picks the entry with the arrow keys or a click; true once the menu
    // has closed. The moment of the pick is kept, on the session's clock.
    bool choose(Entry entry, By by = By::Keyboard);
    double chosenAtMs() const { return m_chosenAtMs; }

    // Chooses Settings and waits for the panel.
    bool openSettings(By by = By::Keyboard);
    // Clicks a list of the panel, which opens its popup, and sends keys to whatever then has
    // the keyboard; true once the popup has closed.
    bool pickFromList(const QRect &list, const QString &keys);
    // Sets the talk through the settings panel and presses OK; an empty soundPath leaves the
    // sound as it is.
    bool setTalk(int minutes, int seconds, int reminder, const QString &soundPath = {});
    // Chooses Exit and waits for a normal exit with code 0.
    bool exitThroughMenu(int timeoutMs = 10000);

private:
    DesktopSession &m_session;
    WindowId m_bar = 0;
    QSize m_menuSize;
    QPoint m_menuEntries[4];
    double m_chosenAtMs = -1;
};

// QVERIFY2 that also keeps a screen grab when the condition fails. The message and the image are
// worked out only then, so a message can report what the condition saw.
#define BAR_VERIFY(condition, message, image)                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            QFAIL(qPrintable(                                                                      \
                QStringLiteral("'%1' returned FALSE. (%2; screen kept in %3)")                     \
                    .arg(QStringLiteral(#condition), QString(message), Pixels::keep(image))));     \
        }                                                                                          \
    } while (false)
