#include "x11.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace X11 {

namespace {

// Only Qt's xcb platform has a connection; others (offscreen) may still answer the X11
// interface, without one.
xcb_connection_t *connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, quint16(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return a;
}

} // namespace

bool displayReachable()
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(c) == 0;
    xcb_disconnect(c);
    return reachable;
}

void flush()
{
    if (xcb_connection_t *c = connection())
        xcb_flush(c);
}

quint32 inputFocus()
{
    xcb_connection_t *c = connection();
    if (!c)
        return 0;
    xcb_get_input_focus_reply_t *reply =
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const quint32 focus = reply && reply->focus > XCB_INPUT_FOCUS_POINTER_ROOT ? reply->focus : 0;
    std::free(reply);
    return focus;
}

bool setInputFocus(quint32 window)
{
    xcb_connection_t *c = connection();
    if (!c)
        return false;
    // An error is expected when the window has closed meanwhile, and stays quiet.
    xcb_generic_error_t *error = xcb_request_check(
        c, xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME));
    std::free(error);
    return !error;
}

bool isXWayland()
{
    static const bool xwayland = [] {
        xcb_connection_t *c = connection();
        if (!c)
            return false;
        // Newer XWayland servers (23.1 on) announce themselves with an extension; older ones
        // (Debian 12 has 22.1) are known by the names of their outputs.
        const char name[] = "XWAYLAND";
        xcb_query_extension_reply_t *reply =
            xcb_query_extension_reply(c, xcb_query_extension(c, sizeof name - 1, name), nullptr);
        const bool present = reply && reply->present;
        std::free(reply);
        const QList<QScreen *> screens = QGuiApplication::screens();
        return present || std::any_of(screens.begin(), screens.end(), [](const QScreen *s) {
                   return s->name().startsWith(QLatin1String("XWAYLAND"));
               });
    }();
    return xwayland;
}

void setWindowType(QWidget *window, WindowType type)
{
    xcb_connection_t *c = connection();
    if (!c)
        return;
    const xcb_atom_t value =
        atom(c, type == WindowType::Notification ? "_NET_WM_WINDOW_TYPE_NOTIFICATION"
                                                 : "_NET_WM_WINDOW_TYPE_NORMAL");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()),
                        atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &value);
    xcb_flush(c);
}

void remap(QWidget *window)
{
    xcb_connection_t *c = connection();
    if (!c || !window->internalWinId())
        return;
    const auto id = xcb_window_t(window->internalWinId());
    xcb_unmap_window(c, id);
    xcb_map_window(c, id);
    xcb_flush(c);
}

} // namespace X11
