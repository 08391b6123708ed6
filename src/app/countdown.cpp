#include "countdown.h"

Countdown::TickResult Countdown::tick(int noReminder)
{
    TickResult result;
    if (secondsLeft != 0) {
        --secondsLeft;
        result.openNotice = reminderDue(noReminder);
    } else if (minutesLeft == 0) {
        result.timeUp = true;
        result.openClosingMessage = noReminder == 1;
        loadPreset();
    } else {
        --minutesLeft;
        secondsLeft = 59;
        // Entering the last minute shows 00:59 without a decrement; a reminder at 59 must
        // still fire there.
        result.openNotice = reminderDue(noReminder);
    }
    return result;
}

void Countdown::loadPreset()
{
    minutesLeft = presetMinutes;
    secondsLeft = presetSeconds;
}

bool Countdown::reminderDue(int noReminder) const
{
    return minutesLeft == 0 && secondsLeft == reminderSeconds && noReminder == 0;
}
