#include "countdown.h"

void Countdown::setPreset(int minutes, int seconds)
{
    m_presetMinutes = qint16(minutes);
    m_presetSeconds = qint16(seconds);
}

void Countdown::setReminderSeconds(int seconds)
{
    m_reminderSeconds = qint16(seconds);
}

void Countdown::loadPreset()
{
    m_minutesLeft = m_presetMinutes;
    m_secondsLeft = m_presetSeconds;
}

void Countdown::setTimeLeft(int minutes, int seconds)
{
    m_minutesLeft = qint16(minutes);
    m_secondsLeft = qint16(seconds);
}

Countdown::TickResult Countdown::tick(Qt::CheckState noReminder)
{
    TickResult result;
    if (m_secondsLeft != 0) {
        --m_secondsLeft;
        result.openNotice = reminderDue(noReminder);
    } else if (m_minutesLeft == 0) {
        result.timeUp = true;
        result.openClosingMessage = noReminder == Qt::Checked;
        loadPreset();
    } else {
        --m_minutesLeft;
        m_secondsLeft = 59;
        // Entering the last minute shows 00:59 without a decrement; a reminder at 59 must
        // still fire there.
        result.openNotice = reminderDue(noReminder);
    }
    return result;
}

bool Countdown::reminderDue(Qt::CheckState noReminder) const
{
    return m_minutesLeft == 0 && m_secondsLeft == m_reminderSeconds && noReminder == Qt::Unchecked;
}
