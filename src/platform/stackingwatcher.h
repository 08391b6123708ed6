#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

class QSocketNotifier;
struct xcb_connection_t;

// Tells, the moment the X server reports it, that a top-level window was mapped or moved in the
// stacking order, and whether a visible window of another program lies above given windows.
//
// It listens on an X connection of its own rather than Qt's: Qt folds queued ConfigureNotify
// events by the window they were reported on, so the root window's notifications about its
// children would swallow the root's own (Qt re-reads the monitors from those), and each one
// Qt saw would make it re-read the monitors.
class StackingWatcher final : public QObject
{
    Q_OBJECT

public:
    using WindowId = quint32;

    explicit StackingWatcher(QObject *parent = nullptr);
    ~StackingWatcher() override;

    // False without an X server to watch: another Qt platform, or no X support built in.
    bool isWatching() const;

    // Whether a mapped, drawable window that is not one of `ours` lies above the lowest of
    // `kept` (top-level windows of this program). Costs a round trip to the X server, two when
    // something is above.
    bool othersAbove(const QList<WindowId> &kept, const QSet<WindowId> &ours);

signals:
    // A top-level window was mapped, restacked or joined the top level; once per batch of
    // events from the server.
    void stackingChanged();

private:
    void readEvents();
    bool takeEvents(bool queuedOnly);

    xcb_connection_t *m_connection = nullptr;
    WindowId m_root = 0;
    QSocketNotifier *m_notifier = nullptr;
    // What each top-level was last reported to lie directly above: a move that leaves it
    // there changes nothing in the stacking order.
    QHash<WindowId, WindowId> m_above;
};
