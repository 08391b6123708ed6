#pragma once

#include <QHash>
#include <QObject>
#include <QSet>

class QSocketNotifier;
struct xcb_connection_t;

// Sees slide shows come and go on X: a show is a viewable top-level window of another program
// that covers a whole screen, either in the full-screen state (_NET_WM_STATE_FULLSCREEN on the
// client window of a managed frame) or unmanaged (override-redirect) with a screen's exact
// geometry. Any screen counts.
//
// It exists only while the bar follows the show: it selects events on a connection of its own
// (structure changes on the root, property changes on the top-level clients), and they all
// end with it.
class ShowWatcher final : public QObject
{
    Q_OBJECT

public:
    using WindowId = quint32;

    explicit ShowWatcher(QObject *parent = nullptr);
    ~ShowWatcher() override;

    // Whether there is an X server whose windows can be seen: Qt on its xcb platform, with X
    // support built in.
    static bool canWatch();
    bool isWatching() const;

    // The top-level windows (frames, or unmanaged windows) that are shows now.
    const QSet<WindowId> &shows() const { return m_shows; }

signals:
    // The set of shows changed; once per batch of events from the server.
    void showsChanged(int count);

private:
    void readEvents();
    bool takeEvents(bool queuedOnly);
    void recount();
    WindowId clientOf(WindowId topLevel);

    xcb_connection_t *m_connection = nullptr;
    WindowId m_root = 0;
    QSocketNotifier *m_notifier = nullptr;
    quint32 m_wmState = 0; // set by the window manager on the client windows it manages
    quint32 m_netWmState = 0;
    quint32 m_fullScreen = 0;
    QHash<WindowId, WindowId> m_clients; // top level -> its client window, once found
    QSet<WindowId> m_propertyWatched;    // clients whose property changes are selected
    QSet<WindowId> m_shows;
};
