#pragma once

#include "clock.h"

#include <QList>

// A clock that only moves when told to. advance() walks through every timer deadline on
// the way, in time order, as a perfectly punctual event loop would; jump() moves at once,
// as after a stalled event loop, and delivers nothing until a timer is processed.
class FakeClock final : public Clock
{
public:
    qint64 nowMs() const override { return m_now; }
    void attach(MetronomeTimer *timer) override;
    void detach(MetronomeTimer *timer) override;

    void advance(qint64 ms);
    void jump(qint64 ms) { m_now += ms; }

private:
    qint64 m_now = 1'000'000;
    QList<MetronomeTimer *> m_timers;
};
