#include "wavfile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace Qt::StringLiterals;

namespace {

quint16 le16(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

quint32 le32(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

void put16(QByteArray &b, quint16 v)
{
    char bytes[2];
    qToLittleEndian(v, bytes);
    b.append(bytes, 2);
}

void put32(QByteArray &b, quint32 v)
{
    char bytes[4];
    qToLittleEndian(v, bytes);
    b.append(bytes, 4);
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

} // namespace

QByteArray WavFile::encode(const Format &format, const QByteArray &samples, qint64 claimedBytes)
{
    const auto claimed = quint32(claimedBytes < 0 ? samples.size() : claimedBytes);
    const auto frame = quint16(format.channels * (format.bits / 8));
    QByteArray b;
    b += "RIFF";
    put32(b, 36 + claimed);
    b += "WAVEfmt ";
    put32(b, 16);
    put16(b, format.tag);
    put16(b, format.channels);
    put32(b, format.rate);
    put32(b, format.rate * frame);
    put16(b, frame);
    put16(b, format.bits);
    b += "data";
    put32(b, claimed);
    b += samples;
    if (samples.size() % 2)
        b += char(0); // chunks are padded to even sizes
    return b;
}

QByteArray WavFile::sine(quint32 rate, double seconds, double hz, int amplitude)
{
    const auto frames = qsizetype(seconds * rate);
    QByteArray samples;
    samples.reserve(frames * 2);
    for (qsizetype i = 0; i < frames; ++i)
        put16(samples, quint16(qint16(std::lround(
                           amplitude * std::sin(2 * std::numbers::pi * hz * double(i) / rate)))));
    return samples;
}

bool WavFile::save(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(bytes) == bytes.size();
}

float WavFile::peak(double from, double to) const
{
    const qsizetype first = std::clamp<qsizetype>(qsizetype(from * sampleRate), 0, levels.size());
    const qsizetype last = std::clamp<qsizetype>(qsizetype(to * sampleRate), first, levels.size());
    const auto it = std::max_element(levels.begin() + first, levels.begin() + last);
    return it == levels.begin() + last ? 0.0f : *it;
}

std::optional<WavFile> WavFile::read(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, path + u": "_s + file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        fail(error, path + u": not a RIFF/WAVE file"_s);
        return std::nullopt;
    }

    WavFile wav;
    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = le32(bytes, at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > bytes.size()) {
                fail(error, path + u": short fmt chunk"_s);
                return std::nullopt;
            }
            const quint16 tag = le16(bytes, body);
            wav.channels = le16(bytes, body + 2);
            wav.sampleRate = int(le32(bytes, body + 4));
            const quint16 bits = le16(bytes, body + 14);
            // 1 is plain PCM; 0xfffe (extensible) is what some writers use for the same data.
            if ((tag != 1 && tag != 0xfffe) || bits != 16 || wav.channels < 1
                || wav.sampleRate < 1) {
                fail(error, path + u": only 16-bit PCM is read here"_s);
                return std::nullopt;
            }
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat) {
                fail(error, path + u": data before fmt"_s);
                return std::nullopt;
            }
            qsizetype length = bytes.size() - body;
            if (size != 0 && size != 0xffffffffu)
                length = std::min<qsizetype>(length, size);
            wav.dataOffset = body;
            const qsizetype frameBytes = 2 * wav.channels;
            const qsizetype frames = length / frameBytes;
            wav.levels.reserve(frames);
            for (qsizetype f = 0; f < frames; ++f) {
                int loudest = 0;
                for (int c = 0; c < wav.channels; ++c) {
                    const auto s = qint16(le16(bytes, body + f * frameBytes + 2 * c));
                    loudest = std::max(loudest, std::abs(int(s)));
                }
                wav.levels << float(loudest) / 32768.0f;
            }
            return wav;
        }
        at = body + qsizetype(size) + (size & 1); // chunks are padded to even sizes
    }
    fail(error, path + u": no data chunk"_s);
    return std::nullopt;
}

QList<Burst> findBursts(const WavFile &wav, float threshold, double mergeGapSeconds)
{
    QList<Burst> bursts;
    if (wav.sampleRate <= 0)
        return bursts;
    const qsizetype window = std::max(1, wav.sampleRate / 200);
    const qsizetype n = wav.levels.size();
    for (qsizetype w = 0; w < n; w += window) {
        const qsizetype end = std::min(n, w + window);
        qsizetype firstLoud = -1;
        qsizetype lastLoud = -1;
        float peak = 0;
        for (qsizetype i = w; i < end; ++i) {
            const float level = wav.levels[i];
            peak = std::max(peak, level);
            if (level > threshold) {
                if (firstLoud < 0)
                    firstLoud = i;
                lastLoud = i;
            }
        }
        if (firstLoud < 0)
            continue;
        const double start = double(firstLoud) / wav.sampleRate;
        const double stop = double(lastLoud + 1) / wav.sampleRate;
        if (!bursts.isEmpty() && start - bursts.last().end < mergeGapSeconds) {
            bursts.last().end = stop;
            bursts.last().peak = std::max(bursts.last().peak, peak);
        } else {
            bursts << Burst{start, stop, peak};
        }
    }
    return bursts;
}
