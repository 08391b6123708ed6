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

// How a playable file's samples are laid out, for a player that reads them itself.
struct Layout
{
    quint16 channels = 0;
    quint32 rate = 0;
    quint16 bits = 0; // per sample: 8 (unsigned), 16, 24 or 32
    bool floating = false;
    qint64 dataOffset = 0; // where the samples start in the file
    qint64 dataBytes = 0;
};

// `layout`, when given, is filled in for a Playable file.
Verdict probe(const QString &path, Layout *layout = nullptr);

} // namespace WavProbe
