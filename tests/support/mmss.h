#pragma once

#include <QString>

// A time as the bar shows it: "05:09" for 309 seconds. The notice's two digits are its right
// two characters.
inline QString mmss(int seconds)
{
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
