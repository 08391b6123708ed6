#pragma once

#include "clock.h"

#include <QElapsedTimer>

// The real clock: monotonic, immune to wall-clock changes during a talk.
class MonotonicClock final : public Clock
{
public:
    MonotonicClock();
    qint64 nowMs() const override;

private:
    QElapsedTimer m_elapsed;
};
