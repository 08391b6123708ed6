#pragma once

#include <QObject>
#include <QTimer>

class Clock;

// A repeating timer whose k-th tick belongs to enable time + k * interval on the clock, so
// the ticks never drift however late the event loop runs. Ticks missed while the loop was
// stalled are delivered at once, one timeout() each, so the display is back on time.
class MetronomeTimer : public QObject
{
    Q_OBJECT

public:
    explicit MetronomeTimer(Clock &clock, QObject *parent = nullptr);
    ~MetronomeTimer() override;

    int interval() const { return m_intervalMs; }
    void setInterval(int ms);

    bool isEnabled() const { return m_enabled; }
    // Enabling a timer that already runs keeps its schedule; a stopped one starts a new one.
    void setEnabled(bool enabled);

    // Deadline of the next tick on the clock's scale; meaningful only while enabled.
    qint64 nextDeadline() const;

    // Delivers every tick that is due by now. The real wake-up calls it; so do test clocks.
    void processDue();

signals:
    void timeout();

private:
    void scheduleWake();

    Clock &m_clock;
    QTimer m_wake;
    int m_intervalMs = 1000;
    bool m_enabled = false;
    qint64 m_startMs = 0;
    qint64 m_ticks = 0;     // ticks delivered in the current schedule
    quint64 m_schedule = 0; // bumped on every (re)start and stop, to notice changes mid-tick
};
