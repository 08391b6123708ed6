#pragma once

#include <QList>
#include <QString>

#include <optional>

// Just enough of a WAV reader to look at 16-bit PCM recordings: the loudness of each frame,
// and where the loud stretches are.
struct WavFile
{
    int sampleRate = 0;
    int channels = 0;
    qint64 dataOffset = 0; // where the sample data starts in the file
    // One value per frame: the largest magnitude over its channels, full scale = 1.
    QList<float> levels;

    int bytesPerSecond() const { return sampleRate * channels * 2; }
    double seconds() const { return sampleRate ? double(levels.size()) / sampleRate : 0; }
    // The loudest level in [from, to) seconds; the whole file by default.
    float peak(double from = 0, double to = 1e9) const;

    // A recorder stopped by a signal may leave the data size unwritten (0 or 0xffffffff);
    // the data then runs to the end of the file.
    static std::optional<WavFile> read(const QString &path, QString *error);
};

// A stretch of sound whose envelope (the peak level over 5 ms windows) stays above a threshold.
// Gaps shorter than the merge gap belong to the same stretch.
struct Burst
{
    double start = 0; // seconds: the first frame above the threshold
    double end = 0;   // seconds: just past the last frame above the threshold
    float peak = 0;
};

QList<Burst> findBursts(const WavFile &wav, float threshold, double mergeGapSeconds = 0.1);
