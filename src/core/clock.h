#pragma once

#include <QtGlobal>

class MetronomeTimer;

// Every "now" of the countdown goes through a clock, so tests can move time by hand.
class Clock
{
public:
    virtual ~Clock() = default;

    // Milliseconds on a monotonic scale; only differences matter.
    virtual qint64 nowMs() const = 0;

    // Timers tell their clock they exist, so a test clock can deliver their ticks in order.
    virtual void attach(MetronomeTimer *) {}
    virtual void detach(MetronomeTimer *) {}
};
