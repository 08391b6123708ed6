#pragma once

#include <QString>

#include <optional>

// What OK on the settings panel is to do with the three lists' numbers (none where nothing is
// picked). Worked out before anything is stored, so a refused OK leaves every setting as it was.
struct ApplyDecision
{
    bool accepted = false;
    QString message; // the warning to show when refused
    qint16 presetMinutes = 0;
    qint16 presetSeconds = 0;
    bool reminderGiven = false; // false: the "0" entry, which means "no reminder"
    qint16 reminderSeconds = 0;

    static ApplyDecision decide(std::optional<int> minutes, std::optional<int> seconds,
                                std::optional<int> reminder);
};
