#pragma once

#include "clock.h"

#include <QObject>
#include <QTimer>

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
    // A new schedule whose first tick is one interval after `startMs` (a moment that may have
    // passed: the ticks due since then come at once), whether or not the timer ran.
    void startAt(qint64 startMs);
    void restart() { startAt(m_clock.nowMs()); }

    // Deadline of the next tick on the clock's scale; meaningful only while enabled.
    qint64 nextDeadline() const;
    // When the tick being delivered (or the last one) was due.
    qint64 lastDue() const { return m_startMs + m_ticks * m_intervalMs; }
    // More ticks are due already: the one being delivered is part of a catch-up.
    bool isBehind() const { return m_enabled && m_clock.nowMs() >= nextDeadline(); }

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
