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

} // namespace WavProbe
