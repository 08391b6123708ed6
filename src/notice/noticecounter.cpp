#include "noticecounter.h"

void NoticeCounter::load(int seconds)
{
    noticeSeconds = qint16(seconds);
    closeTicks = 0;
}

NoticeCounter::Step NoticeCounter::tick()
{
    if (noticeSeconds == 0)
        return Step::Closing;
    --noticeSeconds;
    const bool sound = soundTicks % 4 == 1;
    soundTicks = qint16((soundTicks + 1) % SoundTicksWrap);
    return sound ? Step::CountedWithSound : Step::Counted;
}

bool NoticeCounter::closingTick()
{
    if (closeTicks < CloseDelayTicks)
        ++closeTicks;
    return closeTicks == CloseDelayTicks;
}
