#include "applydecision.h"

#include <QCoreApplication>

ApplyDecision ApplyDecision::decide(const QString &minutes, const QString &seconds,
                                    const QString &reminder)
{
    ApplyDecision d;
    if (minutes.isEmpty() && seconds.isEmpty()) {
        d.message = QCoreApplication::translate("ApplyDecision", "计时时间为0");
        return d;
    }
    d.presetMinutes = qint16(minutes.toInt());
    d.presetSeconds = qint16(seconds.toInt());
    const qint16 talkLength = qint16(d.presetMinutes * 60 + d.presetSeconds);
    if (reminder != QLatin1String("0")) {
        d.reminderGiven = true;
        d.reminderSeconds = qint16(reminder.toInt());
        if (d.reminderSeconds > talkLength) {
            d.message =
                QCoreApplication::translate("ApplyDecision", "设置无效，提醒时间大于计时时间");
            return d;
        }
    }
    d.accepted = true;
    return d;
}
