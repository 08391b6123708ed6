#include "wavprobe.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace WavProbe {

namespace {

quint32 le32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}

quint16 le16(const char *p)
{
    return qFromLittleEndian<quint16>(p);
}

// Bytes per sample frame of a format worth playing, or 0.
quint32 frameBytes(const QByteArray &fmt)
{
    if (fmt.size() < 16)
        return 0;
    const char *p = fmt.constData();
    const quint16 tag = le16(p);
    const quint16 channels = le16(p + 2);
    const quint32 rate = le32(p + 4);
    const quint16 bits = le16(p + 14);
    const bool pcm = tag == 1 || tag == 0xFFFE;
    const bool floating = tag == 3;
    if (!pcm && !floating)
        return 0;
    if (channels < 1 || channels > 8)
        return 0;
    if (rate < 4000 || rate > 192000)
        return 0;
    if (floating ? bits != 32 : bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return 0;
    return quint32(channels) * (bits / 8);
}

} // namespace

Verdict probe(const QString &path)
{
    if (path.isEmpty())
        return Verdict::Missing;
    const QFileInfo info(path);
    if (!info.exists())
        return Verdict::Missing;
    // Only a regular file can be opened without the risk of blocking (FIFOs, devices).
    if (!info.isFile())
        return Verdict::NotRegularFile;
    if (info.size() > MaxFileBytes)
        return Verdict::TooLarge;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Verdict::Unreadable;
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return Verdict::NotWav;

    // Walk the chunks to "fmt " and make sure a "data" chunk with samples follows.
    quint32 frame = 0;
    for (int guard = 0; guard < 64; ++guard) {
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            break;
        const quint32 size = le32(header.constData() + 4);
        const QByteArray id = header.left(4);
        if (id == "fmt ") {
            if (size < 16 || size > 1024)
                return Verdict::BadFormat;
            frame = frameBytes(file.read(size));
            if (!frame)
                return Verdict::BadFormat;
        } else if (id == "data") {
            // QSoundEffect waits for every byte the chunk claims, in whole samples. A chunk
            // longer than the file, or ending mid-frame, leaves it loading for ever, and the
            // next change of sound then blocks the UI thread inside Qt for good.
            const bool whole = frame && size > 0 && size % frame == 0;
            return whole && file.pos() + size <= file.size() ? Verdict::Playable
                                                             : Verdict::BadFormat;
        } else if (!file.seek(file.pos() + size + (size & 1))) {
            break;
        }
        if (size & 1 && id == "fmt ")
            file.seek(file.pos() + 1);
    }
    return Verdict::BadFormat;
}

} // namespace WavProbe
