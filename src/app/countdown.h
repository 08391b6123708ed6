#pragma once

#include <QtGlobal>

// The bar's countdown state and its once-a-second step, free of widgets so a whole talk can
// be run through in a test without a window.
class Countdown
{
public:
    struct TickResult
    {
        bool openNotice = false;         // the reminder point was reached
        bool timeUp = false;             // the countdown is over; the preset is back
        bool openClosingMessage = false; // time-up with the reminder switched off
    };

    qint16 presetMinutes = 0;
    qint16 presetSeconds = 0;
    qint16 reminderSeconds = 0;
    qint16 minutesLeft = 0;
    qint16 secondsLeft = 0;

    // noReminder is the no-reminder box as a number: 0 unchecked, 1 checked, 2 greyed.
    TickResult tick(int noReminder);
    void loadPreset();

private:
    bool reminderDue(int noReminder) const;
};
