#pragma once

#include <QString>

// Cheap check that a path names a WAV file worth handing to the audio stack. It stats the
// path before opening it, so a FIFO or device never blocks, and reads only the header.
namespace WavProbe {

// Files larger than this are refused: the player decodes the whole file into memory.
inline constexpr qint64 MaxFileBytes = 32 * 1024 * 1024;

enum class Verdict {
    Playable,
    Missing,
    NotRegularFile,
    TooLarge,
    Unreadable,
    NotWav,
    BadFormat,
};

Verdict probe(const QString &path);

// Whether a name is taken for a WAV file before anything is read: only its last three
// characters count, case and all, so "talk.wav" and "talkwav" pass and "TALK.WAV" does not.
inline bool hasWavSuffix(const QString &path)
{
    return path.endsWith(QLatin1String("wav"), Qt::CaseSensitive);
}

} // namespace WavProbe
