#include "metronometimer.h"

#include "clock.h"

#include <algorithm>

MetronomeTimer::MetronomeTimer(Clock &clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
{
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    connect(&m_wake, &QTimer::timeout, this, &MetronomeTimer::processDue);
    m_clock.attach(this);
}

MetronomeTimer::~MetronomeTimer()
{
    m_clock.detach(this);
}

void MetronomeTimer::setInterval(int ms)
{
    m_intervalMs = std::max(1, ms);
    if (m_enabled) {
        setEnabled(false);
        setEnabled(true);
    }
}

void MetronomeTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    if (enabled) {
        startAt(m_clock.nowMs());
        return;
    }
    m_enabled = false;
    ++m_schedule;
    m_wake.stop();
}

void MetronomeTimer::startAt(qint64 startMs)
{
    m_enabled = true;
    ++m_schedule;
    m_startMs = startMs;
    m_ticks = 0;
    scheduleWake();
}

qint64 MetronomeTimer::nextDeadline() const
{
    return m_startMs + (m_ticks + 1) * m_intervalMs;
}

void MetronomeTimer::processDue()
{
    const quint64 schedule = m_schedule;
    while (m_enabled && m_schedule == schedule && m_clock.nowMs() >= nextDeadline()) {
        ++m_ticks;
        emit timeout();
    }
    if (m_enabled && m_schedule == schedule)
        scheduleWake();
}

void MetronomeTimer::scheduleWake()
{
    const qint64 wait = nextDeadline() - m_clock.nowMs();
    m_wake.start(int(std::clamp<qint64>(wait, 0, m_intervalMs)));
}
