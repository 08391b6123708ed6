#include "applydecision.h"

#include <QCoreApplication>

ApplyDecision ApplyDecision::decide(std::optional<int> minutes, std::optional<int> seconds,
                                    std::optional<int> reminder)
{
    ApplyDecision d;
    if (!minutes && !seconds) {
        d.message = QCoreApplication::translate("ApplyDecision", "计时时间为0");
        return d;
    }
    d.presetMinutes = qint16(minutes.value_or(0));
    d.presetSeconds = qint16(seconds.value_or(0));
    const qint16 talkLength = qint16(d.presetMinutes * 60 + d.presetSeconds);
    // Only the "0" entry means no reminder; an empty list gives one at 0 seconds.
    if (reminder != 0) {
        d.reminderGiven = true;
        d.reminderSeconds = qint16(reminder.value_or(0));
        if (d.reminderSeconds > talkLength) {
            d.message =
                QCoreApplication::translate("ApplyDecision", "设置无效，提醒时间大于计时时间");
            return d;
        }
    }
    d.accepted = true;
    return d;
}
