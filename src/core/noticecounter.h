#pragma once

#include <QtGlobal>

// The notice window's counting, free of widgets: the seconds it shows, when the alert starts
// and when the window closes. The sound and closing counters run on across showings.
class NoticeCounter
{
public:
    enum class Step { Counted, CountedWithSound, Closing };

    // The sound counter wraps at a multiple of 4, so it never overflows and keeps its phase.
    static constexpr qint16 SoundTicksWrap = 32764;
    static constexpr qint16 CloseDelayTicks = 4;

    NoticeCounter() = default;
    // As earlier showings of the run have left the counters.
    NoticeCounter(int soundTicks, int closeTicks);

    qint16 noticeSeconds() const { return m_noticeSeconds; }
    qint16 soundTicks() const { return m_soundTicks; }
    qint16 closeTicks() const { return m_closeTicks; }

    // Every showing starts a full closing delay anew.
    void load(int seconds);
    // The bar's time left moved: the count goes on from `seconds`, its sound beat unchanged.
    void follow(int seconds) { m_noticeSeconds = qint16(seconds); }
    Step tick();        // the countdown timer
    bool closingTick(); // the closing timer; true when the window is to close

private:
    qint16 m_noticeSeconds = 0;
    qint16 m_soundTicks = 0;
    qint16 m_closeTicks = 0;
};
