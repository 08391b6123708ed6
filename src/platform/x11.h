#pragma once

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

} // namespace X11
