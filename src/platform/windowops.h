#pragma once

#include <QRect>
#include <QString>

#include <functional>

class QObject;
class QWidget;

// What the windows need from the desktop: their screen, and staying above everything (a
// full-screen slide show included) without ever taking the keyboard focus from it.
class WindowOps
{
public:
    virtual ~WindowOps() = default;

    // The screen the windows live on: the primary one, or the one the user chose while it is
    // connected. In pixels, on the virtual desktop (it need not start at 0,0).
    virtual QRect screenGeometry() const = 0;
    // Puts the windows on the screen of that name (as xrandr lists the outputs) or number
    // (counted from 0; the number picks the screen it names now, which is then followed by its
    // name) whenever it is connected; false, changing nothing, when no screen has that name or
    // number now.
    virtual bool chooseScreen(const QString &nameOrNumber) = 0;

    // Make the window a topmost one that the window manager leaves alone, place it at
    // `geometry` (pixels, frame included) and show it without activating it.
    virtual void showTopmost(QWidget *window, const QRect &geometry) = 0;

    // Keep a shown topmost window above windows that appear later.
    virtual void keepOnTop(QWidget *window) = 0;

    // The one time a topmost window takes the keyboard: it is activated, and the window that
    // had the keyboard is remembered. returnKeyboard() hands it back to that window if the
    // keyboard is still with `window` then (the user may have clicked elsewhere meanwhile).
    virtual void lendKeyboard(QWidget *window) = 0;
    virtual void returnKeyboard(QWidget *window) = 0;
    // One of the program's own dialogs over `window` has closed: the window manager hands the
    // keyboard to a window of its own choosing, so it goes back to `window` while that still
    // borrows it (the panel is open), otherwise to the window that lent it.
    virtual void dialogClosed(QWidget *window) = 0;

    // Calls `changed` with the old and new geometry whenever that screen is resized, moved or
    // replaced (another primary, the chosen one unplugged or back), for as long as `context`
    // lives.
    using ScreenChanged = std::function<void(const QRect &before, const QRect &after)>;
    virtual void watchScreen(QObject *context, ScreenChanged changed) = 0;

    // Whether slide shows (full-screen windows of other programs, on any screen) can be seen.
    virtual bool seesShows() const = 0;
    // Calls `changed` with the number of shows up now, and again whenever that may have
    // changed, until stopWatchingShows() or until `context` is gone. Nothing about shows is
    // watched before this or after that.
    using ShowsChanged = std::function<void(int count)>;
    virtual void watchShows(QObject *context, ShowsChanged changed) = 0;
    virtual void stopWatchingShows() = 0;
};
