#pragma once

#include <QString>

// Times as the program shows them: the notice's two digits ("07"), the bar's "05:09".
inline QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

inline QString mmss(int seconds)
{
    return twoDigits(seconds / 60) + QLatin1Char(':') + twoDigits(seconds % 60);
}
