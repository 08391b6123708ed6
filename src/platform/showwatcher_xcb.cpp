#include "showwatcher.h"
#include "xcbclient.h"

#include <QGuiApplication>
#include <QList>
#include <QRect>
#include <QScreen>
#include <QSocketNotifier>
#include <QWindow>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace {

using XcbClient::Reply;

// Window managers put the client window one or two levels below their frame (KWin has a
// wrapper in between); deeper ones are a client's own children.
constexpr int ClientSearchDepth = 3;

// Every screen in the X server's pixels. Qt keeps a screen's top-left corner as the server
// has it and divides only its size by the scale factor.
QList<QRect> screenRects()
{
    QList<QRect> rects;
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        rects << QRect(g.topLeft(), (QSizeF(g.size()) * screen->devicePixelRatio()).toSize());
    }
    return rects;
}

// The program's own windows (the bar, the notice, menus, dialogs): never a show.
QSet<quint32> ownWindows()
{
    QSet<quint32> ids;
    for (const QWindow *window : QGuiApplication::allWindows()) {
        if (window->handle())
            ids.insert(quint32(window->winId()));
    }
    return ids;
}

} // namespace

ShowWatcher::ShowWatcher(QObject *parent)
    : QObject(parent)
{
    if (!canWatch())
        return;
    const XcbClient::RootWatch watch = XcbClient::watchRoot();
    if (!watch.connection)
        return;
    m_connection = watch.connection;
    m_root = watch.root;
    m_wmState = XcbClient::atom(m_connection, "WM_STATE");
    m_netWmState = XcbClient::atom(m_connection, "_NET_WM_STATE");
    m_fullScreen = XcbClient::atom(m_connection, "_NET_WM_STATE_FULLSCREEN");
    m_notifier =
        new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ShowWatcher::readEvents);
    recount();
}

ShowWatcher::~ShowWatcher()
{
    delete m_notifier;
    if (m_connection)
        xcb_disconnect(m_connection); // and with it every event selected here
}

bool ShowWatcher::canWatch()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool ShowWatcher::isWatching() const
{
    return m_connection && !xcb_connection_has_error(m_connection);
}

void ShowWatcher::readEvents()
{
    // Events that arrive while a count waits for its replies are read off the socket then,
    // where the notifier cannot see them.
    for (bool changed = takeEvents(false); changed; changed = takeEvents(true))
        recount();
    if (m_connection && xcb_connection_has_error(m_connection))
        m_notifier->setEnabled(false); // the server is gone; Qt will say so
}

// Takes every event there is (with `queuedOnly`, only those already read off the socket); true
// when one of them may have changed which windows are shows.
bool ShowWatcher::takeEvents(bool queuedOnly)
{
    bool changed = false;
    while (xcb_generic_event_t *event = queuedOnly ? xcb_poll_for_queued_event(m_connection)
                                                   : xcb_poll_for_event(m_connection)) {
        switch (event->response_type & ~0x80) {
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
            changed = true;
            break;
        case XCB_DESTROY_NOTIFY: {
            const auto *e = reinterpret_cast<xcb_destroy_notify_event_t *>(event);
            m_clients.remove(e->window);
            m_propertyWatched.remove(e->window);
            changed = true;
            break;
        }
        case XCB_REPARENT_NOTIFY:
            // A client went into a frame or out of one.
            m_clients.clear();
            changed = true;
            break;
        case XCB_CONFIGURE_NOTIFY: {
            // Managed windows say they are full screen; unmanaged ones only by their size.
            const auto *e = reinterpret_cast<xcb_configure_notify_event_t *>(event);
            if (e->override_redirect)
                changed = changed || m_shows.contains(e->window)
                          || screenRects().contains(QRect(e->x, e->y, e->width, e->height));
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto *e = reinterpret_cast<xcb_property_notify_event_t *>(event);
            changed = changed || e->atom == m_netWmState || e->atom == m_wmState;
            break;
        }
        default:
            break; // errors about windows gone meanwhile among them
        }
        std::free(event);
    }
    return changed;
}

// The window inside `topLevel` that the window manager marked as a client, or `topLevel`
// itself when it is one or none is marked (no window manager).
ShowWatcher::WindowId ShowWatcher::clientOf(WindowId topLevel)
{
    if (const auto known = m_clients.constFind(topLevel); known != m_clients.cend())
        return *known;
    QList<xcb_window_t> level{topLevel};
    for (int depth = 0; depth < ClientSearchDepth && !level.isEmpty(); ++depth) {
        QList<xcb_get_property_cookie_t> marks;
        for (xcb_window_t w : std::as_const(level))
            marks << xcb_get_property(m_connection, false, w, m_wmState, XCB_ATOM_ANY, 0, 0);
        QList<xcb_query_tree_cookie_t> trees;
        for (xcb_window_t w : std::as_const(level))
            trees << xcb_query_tree(m_connection, w);
        WindowId found = 0;
        for (qsizetype i = 0; i < level.size(); ++i) {
            const Reply<xcb_get_property_reply_t> mark(
                xcb_get_property_reply(m_connection, marks.at(i), nullptr));
            if (!found && mark && mark->type != XCB_ATOM_NONE)
                found = level.at(i);
        }
        QList<xcb_window_t> next;
        for (const xcb_query_tree_cookie_t &cookie : std::as_const(trees)) {
            const Reply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(m_connection, cookie, nullptr));
            if (tree && !found) {
                const xcb_window_t *children = xcb_query_tree_children(tree.get());
                next.append(QList<xcb_window_t>(
                    children, children + xcb_query_tree_children_length(tree.get())));
            }
        }
        if (found) {
            m_clients.insert(topLevel, found);
            return found;
        }
        level = next;
    }
    return topLevel;
}

void ShowWatcher::recount()
{
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
    if (!tree)
        return;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    QList<xcb_get_window_attributes_cookie_t> attributeCookies;
    QList<xcb_get_geometry_cookie_t> geometryCookies;
    for (int i = 0; i < count; ++i) {
        attributeCookies << xcb_get_window_attributes(m_connection, children[i]);
        geometryCookies << xcb_get_geometry(m_connection, children[i]);
    }
    const QSet<quint32> ours = ownWindows();
    const QList<QRect> screens = screenRects();
    QSet<WindowId> shows;
    QList<WindowId> managed;
    for (int i = 0; i < count; ++i) {
        const Reply<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(m_connection, attributeCookies.at(i), nullptr));
        const Reply<xcb_get_geometry_reply_t> g(
            xcb_get_geometry_reply(m_connection, geometryCookies.at(i), nullptr));
        if (!a || !g || a->map_state != XCB_MAP_STATE_VIEWABLE
            || a->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT || ours.contains(children[i]))
            continue;
        if (!a->override_redirect)
            managed << children[i];
        else if (screens.contains(QRect(g->x, g->y, g->width, g->height)))
            shows.insert(children[i]);
    }
    QList<QPair<WindowId, xcb_get_property_cookie_t>> states;
    for (WindowId topLevel : std::as_const(managed)) {
        const WindowId client = clientOf(topLevel);
        if (ours.contains(client))
            continue;
        // Going full screen or back changes only this property of the client.
        if (!m_propertyWatched.contains(client)) {
            const quint32 mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_change_window_attributes(m_connection, client, XCB_CW_EVENT_MASK, &mask);
            m_propertyWatched.insert(client);
        }
        states << qMakePair(topLevel, xcb_get_property(m_connection, false, client, m_netWmState,
                                                       XCB_ATOM_ATOM, 0, 32));
    }
    for (const auto &[topLevel, cookie] : std::as_const(states)) {
        const Reply<xcb_get_property_reply_t> state(
            xcb_get_property_reply(m_connection, cookie, nullptr));
        if (!state || state->format != 32)
            continue;
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(state.get()));
        const int n = xcb_get_property_value_length(state.get()) / int(sizeof(xcb_atom_t));
        if (std::find(atoms, atoms + n, m_fullScreen) != atoms + n)
            shows.insert(topLevel);
    }
    xcb_flush(m_connection);
    if (shows != m_shows) {
        m_shows = shows;
        emit showsChanged(int(m_shows.size()));
    }
}
