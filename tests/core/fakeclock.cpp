#include "fakeclock.h"

#include "metronometimer.h"

#include <QCoreApplication>

void FakeClock::attach(MetronomeTimer *timer)
{
    m_timers.append(timer);
}

void FakeClock::detach(MetronomeTimer *timer)
{
    m_timers.removeAll(timer);
}

void FakeClock::advance(qint64 ms)
{
    const qint64 end = m_now + ms;
    for (;;) {
        // Let windows closed during the last tick go away, as the event loop would.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        MetronomeTimer *next = nullptr;
        for (MetronomeTimer *t : std::as_const(m_timers)) {
            if (t->isEnabled() && t->nextDeadline() <= end
                && (!next || t->nextDeadline() < next->nextDeadline()))
                next = t;
        }
        if (!next)
            break;
        m_now = std::max(m_now, next->nextDeadline());
        next->processDue();
    }
    m_now = end;
}
