#pragma once

#include <QString>

namespace SoundFileName {

// Whether a name is taken for a WAV file before anything is read, on the panel and on the
// command line alike: only its last three characters count, case and all, so "talk.wav" and
// "talkwav" pass and "TALK.WAV" does not.
inline bool isWav(const QString &path)
{
    return path.endsWith(QLatin1String("wav"), Qt::CaseSensitive);
}

} // namespace SoundFileName
