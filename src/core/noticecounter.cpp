#include "noticecounter.h"

NoticeCounter::NoticeCounter(int soundTicks, int closeTicks)
    : m_soundTicks(qint16(soundTicks % SoundTicksWrap))
    , m_closeTicks(qint16(closeTicks))
{}

void NoticeCounter::load(int seconds)
{
    m_noticeSeconds = qint16(seconds);
    m_closeTicks = 0;
}

NoticeCounter::Step NoticeCounter::tick()
{
    if (m_noticeSeconds == 0)
        return Step::Closing;
    --m_noticeSeconds;
    const bool sound = m_soundTicks % 4 == 1;
    m_soundTicks = qint16((m_soundTicks + 1) % SoundTicksWrap);
    return sound ? Step::CountedWithSound : Step::Counted;
}

bool NoticeCounter::closingTick()
{
    if (m_closeTicks < CloseDelayTicks)
        ++m_closeTicks;
    return m_closeTicks == CloseDelayTicks;
}
