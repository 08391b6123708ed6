#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The tests' one WAV writer, and just enough of a reader to look at 16-bit PCM recordings: the
// loudness of each frame, and where the loud stretches are.
struct WavFile
{
    // The header's format fields. tag 1 is plain PCM.
    struct Format
    {
        quint16 tag = 1;
        quint16 channels = 1;
        quint32 rate = 8000;
        quint16 bits = 16;
    };

    // A whole file: the header, then the samples as given (padded to an even length). The data
    // chunk's size field says claimedBytes, or the samples' size when that is negative.
    static QByteArray encode(const Format &format, const QByteArray &samples,
                             qint64 claimedBytes = -1);
    // 16-bit mono samples of a sine at `hz`, peaking at `amplitude` (full scale 32767).
    static QByteArray sine(quint32 rate, double seconds, double hz, int amplitude);
    static bool save(const QString &path, const QByteArray &bytes);

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
