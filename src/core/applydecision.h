#pragma once

#include <QString>

// What OK on the settings panel is to do with the three lists' texts. Worked out before
// anything is stored, so a refused OK leaves every setting as it was.
struct ApplyDecision
{
    bool accepted = false;
    QString message; // the warning to show when refused
    qint16 presetMinutes = 0;
    qint16 presetSeconds = 0;
    bool reminderGiven = false; // false: the "0" entry, which means "no reminder"
    qint16 reminderSeconds = 0;

    static ApplyDecision decide(const QString &minutes, const QString &seconds,
                                const QString &reminder);
};
