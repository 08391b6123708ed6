#pragma once

#include <QPoint>
#include <QProcess>
#include <QString>

// Types and clicks through a Wayland compositor's own seat with tc-seat ($TC_SEAT), so the
// compositor's focus rules apply as for a person at the keyboard (xdotool's XTEST would reach
// XWayland's windows past them). One keyboard and one pointer for the whole session.
class WaylandSeat
{
public:
    WaylandSeat() = default;
    ~WaylandSeat();
    WaylandSeat(const WaylandSeat &) = delete;
    WaylandSeat &operator=(const WaylandSeat &) = delete;

    // Starts tc-seat; false (with a warning) when it cannot reach the compositor's devices.
    bool start();
    // "wlroots" or "kwin", once started.
    QString kind() const { return m_kind; }

    // Each returns once the compositor has taken the input.
    bool key(const QString &keysym); // "9", "Tab", "Return"
    bool move(const QPoint &to);
    bool click(const QPoint &at, Qt::MouseButton button = Qt::LeftButton);

private:
    bool command(const QString &line);

    QProcess m_process;
    QString m_kind;
};
