#include "x11.h"
#include "xcbclient.h"

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

using XcbClient::atom;

// The window's id, or 0 when it has no native window yet.
xcb_window_t windowId(QWidget *window)
{
    return xcb_window_t(window->internalWinId());
}

xcb_window_t rootOf(xcb_connection_t *c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// The X server's time now. The server stamps a property change with it; a connection of its
// own waits for that event, so none of Qt's events is taken from it.
xcb_timestamp_t serverTime()
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    if (!xcb_connection_has_error(c)) {
        const xcb_window_t w = xcb_generate_id(c);
        const quint32 mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, 0, w, rootOf(c), 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
        xcb_change_property(c, XCB_PROP_MODE_APPEND, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                            nullptr);
        xcb_flush(c);
        while (xcb_generic_event_t *event = xcb_wait_for_event(c)) {
            const bool found = (event->response_type & ~0x80) == XCB_PROPERTY_NOTIFY;
            if (found)
                time = reinterpret_cast<xcb_property_notify_event_t *>(event)->time;
            std::free(event);
            if (found)
                break;
        }
    }
    xcb_disconnect(c);
    return time;
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

namespace X11 {

QString windowManagerName()
{
    xcb_connection_t *c = connection();
    if (!c)
        return {};
    const auto windowProperty = [c](xcb_window_t w, xcb_atom_t property, xcb_atom_t type) {
        return xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 256),
                                      nullptr);
    };
    xcb_get_property_reply_t *check =
        windowProperty(rootOf(c), atom(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW);
    xcb_window_t wm = XCB_NONE;
    if (check && check->format == 32 && xcb_get_property_value_length(check) >= 4)
        wm = *static_cast<xcb_window_t *>(xcb_get_property_value(check));
    std::free(check);
    if (wm == XCB_NONE)
        return {};
    xcb_get_property_reply_t *name =
        windowProperty(wm, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"));
    QString result;
    if (name && name->format == 8) {
        result = QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(name)),
                                   xcb_get_property_value_length(name));
    }
    std::free(name);
    return result;
}

bool grabKeyboard(QWidget *window)
{
    xcb_connection_t *c = connection();
    if (!c || !windowId(window))
        return false;
    // Not owner_events: every key goes to this window, whatever our own windows' focus.
    xcb_grab_keyboard_reply_t *reply =
        xcb_grab_keyboard_reply(c,
                                xcb_grab_keyboard(c, 0, windowId(window), XCB_CURRENT_TIME,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                nullptr);
    const bool grabbed = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(reply);
    return grabbed;
}

void ungrabKeyboard()
{
    if (xcb_connection_t *c = connection()) {
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
}

void setOverrideRedirect(QWidget *window, bool overrideRedirect)
{
    xcb_connection_t *c = connection();
    if (!c || !windowId(window))
        return;
    const quint32 value = overrideRedirect ? 1 : 0;
    xcb_change_window_attributes(c, windowId(window), XCB_CW_OVERRIDE_REDIRECT, &value);
    xcb_flush(c);
}

void requestActivation(QWidget *window)
{
    xcb_connection_t *c = connection();
    if (!c || !windowId(window))
        return;
    constexpr quint32 SourcePager = 2; // _NET_ACTIVE_WINDOW's source indication
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = windowId(window);
    event.type = atom(c, "_NET_ACTIVE_WINDOW");
    event.data.data32[0] = SourcePager;
    event.data.data32[1] = serverTime();
    event.data.data32[2] = XCB_NONE;
    xcb_send_event(c, 0, rootOf(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
}

bool heldByWindowManager(QWidget *window)
{
    xcb_connection_t *c = connection();
    if (!c || !windowId(window))
        return false;
    xcb_query_tree_reply_t *tree =
        xcb_query_tree_reply(c, xcb_query_tree(c, windowId(window)), nullptr);
    const bool reparented = tree && tree->parent != tree->root;
    std::free(tree);
    // A window manager marks a window it lets go of as withdrawn (or takes its WM_STATE away),
    // after it has reparented it back to the root.
    const xcb_atom_t wmState = atom(c, "WM_STATE");
    xcb_get_property_reply_t *state = xcb_get_property_reply(
        c, xcb_get_property(c, 0, windowId(window), wmState, wmState, 0, 1), nullptr);
    constexpr quint32 Withdrawn = 0;
    const bool marked = state && state->format == 32 && xcb_get_property_value_length(state) >= 4
                        && *static_cast<quint32 *>(xcb_get_property_value(state)) != Withdrawn;
    std::free(state);
    return reparented || marked;
}

void withdraw(QWidget *window)
{
    xcb_connection_t *c = connection();
    if (!c || !windowId(window))
        return;
    xcb_unmap_window(c, windowId(window));
    xcb_unmap_notify_event_t event{};
    event.response_type = XCB_UNMAP_NOTIFY;
    event.event = rootOf(c);
    event.window = windowId(window);
    xcb_send_event(c, 0, rootOf(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
}

void mapAt(QWidget *window, const QRect &geometry)
{
    xcb_connection_t *c = connection();
    if (!c || !windowId(window))
        return;
    const quint32 values[] = {quint32(geometry.x()), quint32(geometry.y()),
                              quint32(geometry.width()), quint32(geometry.height())};
    xcb_configure_window(c, windowId(window),
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH
                             | XCB_CONFIG_WINDOW_HEIGHT,
                         values);
    xcb_map_window(c, windowId(window));
    xcb_flush(c);
}

} // namespace X11
