#include "monotonicclock.h"

MonotonicClock::MonotonicClock()
{
    m_elapsed.start();
}

qint64 MonotonicClock::nowMs() const
{
    return m_elapsed.elapsed();
}
