#include "stackingwatcher.h"
#include "xcbclient.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

using XcbClient::Reply;

} // namespace

StackingWatcher::StackingWatcher(QObject *parent)
    : QObject(parent)
{
    // Offscreen and other platforms may run with a DISPLAY around; their windows are not on it.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const XcbClient::RootWatch watch = XcbClient::watchRoot();
    if (!watch.connection)
        return;
    m_connection = watch.connection;
    m_root = watch.root;
    m_notifier =
        new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StackingWatcher::readEvents);
}

StackingWatcher::~StackingWatcher()
{
    delete m_notifier;
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool StackingWatcher::isWatching() const
{
    return m_connection && !xcb_connection_has_error(m_connection);
}

void StackingWatcher::readEvents()
{
    if (takeEvents(false))
        emit stackingChanged();
    if (m_connection && xcb_connection_has_error(m_connection))
        m_notifier->setEnabled(false); // the server is gone; Qt will say so
}

// Takes every event there is (with `queuedOnly`, only those already read off the socket while
// waiting for a reply); true when one of them changed the stacking order of the top level.
bool StackingWatcher::takeEvents(bool queuedOnly)
{
    bool changed = false;
    while (xcb_generic_event_t *event = queuedOnly ? xcb_poll_for_queued_event(m_connection)
                                                   : xcb_poll_for_event(m_connection)) {
        switch (event->response_type & ~0x80) {
        case XCB_CONFIGURE_NOTIFY: {
            const auto *e = reinterpret_cast<xcb_configure_notify_event_t *>(event);
            const auto known = m_above.constFind(e->window);
            if (known == m_above.cend() || *known != e->above_sibling)
                changed = true;
            m_above.insert(e->window, e->above_sibling);
            break;
        }
        case XCB_MAP_NOTIFY:
        case XCB_CIRCULATE_NOTIFY:
            changed = true;
            break;
        case XCB_REPARENT_NOTIFY: {
            const auto *e = reinterpret_cast<xcb_reparent_notify_event_t *>(event);
            if (e->parent == m_root)
                changed = true;
            else
                m_above.remove(e->window);
            break;
        }
        case XCB_DESTROY_NOTIFY:
            m_above.remove(reinterpret_cast<xcb_destroy_notify_event_t *>(event)->window);
            break;
        default:
            break;
        }
        std::free(event);
    }
    return changed;
}

bool StackingWatcher::othersAbove(const QList<WindowId> &kept, const QSet<WindowId> &ours)
{
    if (!isWatching() || kept.isEmpty())
        return false;
    const Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
    if (!tree)
        return false;
    // Bottom to top.
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    int lowestKept = count;
    for (int i = 0; i < count && lowestKept == count; ++i) {
        if (kept.contains(children[i]))
            lowestKept = i;
    }
    // Unmapped windows above are common (menus and dialogs closed for later, helper windows)
    // and cover nothing; ask about all of them at once.
    QList<xcb_get_window_attributes_cookie_t> cookies;
    for (int i = lowestKept + 1; i < count; ++i) {
        if (!ours.contains(children[i]) && !kept.contains(children[i]))
            cookies << xcb_get_window_attributes(m_connection, children[i]);
    }
    bool above = false;
    for (const xcb_get_window_attributes_cookie_t &cookie : std::as_const(cookies)) {
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(m_connection, cookie, nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE
            && attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT)
            above = true;
    }
    // Events that arrived while waiting for the answers are already off the socket, where the
    // notifier cannot see them.
    if (takeEvents(true))
        QMetaObject::invokeMethod(this, &StackingWatcher::stackingChanged, Qt::QueuedConnection);
    return above;
}
