#include "countdown.h"

#include <algorithm>

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
    setTimeLeft(m_presetMinutes, m_presetSeconds);
    m_reminded = false; // a new talk
}

void Countdown::setTimeLeft(int minutes, int seconds)
{
    m_minutesLeft = qint16(minutes);
    m_secondsLeft = qint16(seconds);
    m_over = false;
    m_overSeconds = 0;
    if (totalSecondsLeft() > m_reminderSeconds)
        m_reminded = false;
}

void Countdown::addMinute()
{
    if (m_over && m_overSeconds > 60) {
        m_overSeconds = qint16(m_overSeconds - 60);
        return;
    }
    const int left = m_over ? 60 - m_overSeconds : std::min(totalSecondsLeft() + 60, MaxSeconds);
    setTimeLeft(left / 60, left % 60);
    // The bar closes the notice for the time added; it comes again at or below the point.
    m_reminded = false;
}

void Countdown::removeMinute()
{
    // In overtime nothing is left to take away.
    if (m_over)
        return;
    const int left = std::max(totalSecondsLeft() - 60, 0);
    setTimeLeft(left / 60, left % 60);
}

Countdown::TickResult Countdown::tick(bool noReminder)
{
    TickResult result;
    if (m_secondsLeft != 0) {
        --m_secondsLeft;
        result.openNotice = takeReminder(noReminder);
    } else if (m_minutesLeft == 0) {
        // The at-zero modes and the time over live in this branch alone, so the ticks of a
        // plain countdown do no more work than they did without them.
        return atZeroTick(noReminder);
    } else {
        --m_minutesLeft;
        m_secondsLeft = 59;
        // Entering the last minute shows 00:59 without a decrement; a reminder at 59 must
        // still fire there.
        result.openNotice = takeReminder(noReminder);
    }
    return result;
}

Countdown::TickResult Countdown::atZeroTick(bool noReminder)
{
    TickResult result;
    if (m_over) {
        m_overSeconds = qint16(std::min(m_overSeconds + 1, MaxSeconds));
        return result;
    }
    result.timeUp = true;
    result.openClosingMessage = noReminder;
    // A reminder at 0 is the one a bar has before any settings: it asks for nothing here.
    result.closingMessageOwed = !noReminder && m_reminderSeconds > 0 && !m_reminded;
    m_reminded = true; // held at 00:00, the next time-up owes nothing more
    switch (m_atZero) {
    case AtZero::Reset:
        loadPreset();
        break;
    case AtZero::Hold:
        break;
    case AtZero::Overtime:
        // This tick is the first second over.
        m_over = true;
        m_overSeconds = 1;
        break;
    }
    return result;
}

bool Countdown::takeReminder(bool noReminder)
{
    if (m_reminded || noReminder || m_over || totalSecondsLeft() > m_reminderSeconds)
        return false;
    m_reminded = true;
    return true;
}
