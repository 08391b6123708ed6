#pragma once

#include <QString>

// Qt's audio back end warns about a missing sound server more than once, and again for every
// sound it loads. A speaker's terminal should get that news once: the filter lets the first
// such warning through and drops the rest. Other messages pass untouched.
class AudioLog
{
public:
    static void install();

    // Whether a message is the audio back end's, by its category or wording.
    static bool isAudioMessage(const char *category, const QString &text);
};
