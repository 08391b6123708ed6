#pragma once

#include <QtGlobal>

// The notice window's counting, free of widgets: the seconds it shows, when the alert starts
// and when the window closes.
class NoticeCounter
{
public:
    enum class Step { Counted, CountedWithSound, Closing };

    // The sound counter wraps at a multiple of 4, so it never overflows and keeps its phase.
    static constexpr qint16 SoundTicksWrap = 32764;
    static constexpr qint16 CloseDelayTicks = 4;

    qint16 noticeSeconds = 0;
    qint16 soundTicks = 0;
    qint16 closeTicks = 0;

    // Every showing starts a full closing delay anew.
    void load(int seconds);
    Step tick();        // the countdown timer
    bool closingTick(); // the closing timer; true when the window is to close
};
