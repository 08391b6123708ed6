#pragma once

#include <QRect>
#include <QString>
#include <QtGlobal>

class QWidget;

// What the window operations ask of the X server through Qt's own connection. Every call is a
// no-op (or answers "none") where Qt does not run on its xcb platform.
namespace X11 {

// Whether a client can connect to the X server that DISPLAY names, before Qt tries: Qt's xcb
// platform aborts the program when it cannot. True where the program is built without the X
// client library (nothing to ask).
bool displayReachable();

// Sends the requests Qt has queued: Qt does so only when it next handles events, which on an
// idle bar can be much later.
void flush();

// The window that has the keyboard, or 0 (also for "none" and "pointer root").
quint32 inputFocus();

// Gives the keyboard to `window`; false if that failed (the window may have closed meanwhile).
bool setInputFocus(quint32 window);

// Whether the X server is XWayland, with a Wayland compositor deciding who has the keyboard.
bool isXWayland();

// _NET_WM_WINDOW_TYPE of an unmanaged window. Compositors built on wlroots (sway) give the
// keyboard to an unmanaged XWayland window when it is mapped or clicked, unless it is of a type
// that never takes it, such as a notification.
enum class WindowType { Normal, Notification };
void setWindowType(QWidget *window, WindowType type);

// Unmaps and maps the window again at once: the compositor then gives the keyboard back to the
// window that had it before (if this one had it), or hands it to this one (by its type).
void remap(QWidget *window);

// The name the window manager gives itself (_NET_WM_NAME of its _NET_SUPPORTING_WM_CHECK
// window), e.g. "wlroots wm" under sway, "GNOME Shell", "KWin"; empty if none says.
QString windowManagerName();

// Sends every key the X server gets to `window`, whoever has the input focus; false if the
// server refused (another client holds a grab, or the window is not viewable).
bool grabKeyboard(QWidget *window);
void ungrabKeyboard();

// Whether the window manager leaves the window alone (override-redirect). Takes effect at the
// window's next map.
void setOverrideRedirect(QWidget *window, bool overrideRedirect);

// Asks the window manager to activate the managed `window` as a pager or taskbar does (the
// user's own choice, exempt from focus stealing prevention), with the server's current time.
void requestActivation(QWidget *window);

// Whether a window manager still holds the window: it is in the window manager's frame (not a
// child of the root window), or its WM_STATE still says normal or iconic.
bool heldByWindowManager(QWidget *window);

// Unmaps the window and tells the window manager that it is withdrawn (ICCCM 4.1.4), so a
// managed window is let go of.
void withdraw(QWidget *window);

// Moves and sizes the window to `geometry` (in the X server's pixels), then maps it: a window
// manager that let go of the window may have dropped a resize asked for meanwhile.
void mapAt(QWidget *window, const QRect &geometry);

} // namespace X11
