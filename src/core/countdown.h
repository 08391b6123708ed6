#pragma once

#include <QtGlobal>
#include <qnamespace.h>

// The bar's countdown: the talk's preset length, the reminder point and the time left, and the
// once-a-second step that moves them. Free of widgets, so a whole talk runs in a test.
class Countdown
{
public:
    // What the bar has to do after a tick.
    struct TickResult
    {
        bool openNotice = false;         // the reminder point was reached
        bool timeUp = false;             // the countdown is over; the preset is back
        bool openClosingMessage = false; // time-up with the reminder switched off
    };

    qint16 presetMinutes() const { return m_presetMinutes; }
    qint16 presetSeconds() const { return m_presetSeconds; }
    qint16 reminderSeconds() const { return m_reminderSeconds; }
    qint16 minutesLeft() const { return m_minutesLeft; }
    qint16 secondsLeft() const { return m_secondsLeft; }

    void setPreset(int minutes, int seconds);
    void setReminderSeconds(int seconds);
    // The time left starts again from the preset.
    void loadPreset();
    // The time left moves without a tick: a minute more or less while the talk runs.
    void setTimeLeft(int minutes, int seconds);

    // `noReminder` is the no-reminder box: checked switches the reminder off and makes the
    // time-up show the closing message; a greyed box does neither.
    TickResult tick(Qt::CheckState noReminder);

private:
    bool reminderDue(Qt::CheckState noReminder) const;

    qint16 m_presetMinutes = 0;
    qint16 m_presetSeconds = 0;
    qint16 m_reminderSeconds = 0;
    qint16 m_minutesLeft = 0;
    qint16 m_secondsLeft = 0;
};
