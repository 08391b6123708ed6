#pragma once

#include <QtGlobal>

// The bar's countdown: the talk's preset length, the reminder point and the time left, and the
// once-a-second step that moves them. Free of widgets, so a whole talk runs in a test.
class Countdown
{
public:
    // What the tick that finds 00:00 does.
    enum class AtZero {
        Reset,    // stop and load the preset again
        Hold,     // stop and keep 00:00
        Overtime, // count the time over, 00:01 upwards, until something else stops it
    };

    // What the bar has to do after a tick.
    struct TickResult
    {
        bool openNotice = false;         // the reminder point was reached
        bool timeUp = false;             // the countdown is over (see AtZero)
        bool openClosingMessage = false; // time-up with the reminder switched off
        // Time-up with a reminder whose notice never came (the talk began at 00:00, e.g. a
        // paused bar a minute less took there): the closing message comes all the same.
        bool closingMessageOwed = false;
    };

    static constexpr int MaxSeconds = 99 * 60 + 59;
    // The countdown moves one second per tick, so whatever ticks it runs at this interval.
    static constexpr int TickMs = 1000;

    qint16 presetMinutes() const { return m_presetMinutes; }
    qint16 presetSeconds() const { return m_presetSeconds; }
    qint16 reminderSeconds() const { return m_reminderSeconds; }
    qint16 minutesLeft() const { return m_minutesLeft; }
    qint16 secondsLeft() const { return m_secondsLeft; }
    int totalSecondsLeft() const { return m_minutesLeft * 60 + m_secondsLeft; }
    // Past time-up in overtime: the time left stays 00:00 and the time over counts.
    bool isOver() const { return m_over; }
    int overSeconds() const { return m_overSeconds; }

    AtZero atZero() const { return m_atZero; }
    void setAtZero(AtZero atZero) { m_atZero = atZero; }
    void setPreset(int minutes, int seconds);
    void setReminderSeconds(int seconds);
    // The time left starts again from the preset.
    void loadPreset();
    // The time left moves without a tick, and overtime ends.
    void setTimeLeft(int minutes, int seconds);
    // A minute more left, up to 99:59; in overtime a minute less over, or what remains of
    // the minute left.
    void addMinute();
    // A minute less left, down to 00:00, where the next tick is the time-up.
    void removeMinute();

    // `noReminder` switches the reminder off and makes the time-up show the closing message.
    TickResult tick(bool noReminder);
    // The reminder is on and the time left is at or below its point, and its notice has not
    // come yet in this talk: true once, and the talk then counts as reminded. In a plain
    // countdown that is the tick that reaches the point; a minute less, a pause or a reminder
    // as long as the talk cannot skip it. Time back above the point allows it again.
    bool takeReminder(bool noReminder);
    bool reminded() const { return m_reminded; }

private:
    TickResult atZeroTick(bool noReminder);

    qint16 m_presetMinutes = 0;
    qint16 m_presetSeconds = 0;
    qint16 m_reminderSeconds = 0;
    qint16 m_minutesLeft = 0;
    qint16 m_secondsLeft = 0;
    AtZero m_atZero = AtZero::Reset;
    bool m_over = false;
    qint16 m_overSeconds = 0;
    bool m_reminded = false;
};
