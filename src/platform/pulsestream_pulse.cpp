#include "pulsestream.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <pulse/error.h>
#include <pulse/simple.h>

namespace {

// The samples are written in pieces this long; between two, a stop request is seen. The
// server's buffer is kept to twice that, so what it still holds at a stop is dropped.
constexpr pa_usec_t PieceUsec = 50 * 1000;

std::optional<pa_sample_format_t> sampleFormat(const WavProbe::Layout &layout)
{
    switch (layout.bits) {
    case 8:
        return PA_SAMPLE_U8;
    case 16:
        return PA_SAMPLE_S16LE;
    case 24:
        return PA_SAMPLE_S24LE;
    case 32:
        return layout.floating ? PA_SAMPLE_FLOAT32LE : PA_SAMPLE_S32LE;
    default:
        return std::nullopt;
    }
}

// Scales little-endian samples in place, as a volume control does.
void scale(QByteArray &data, const WavProbe::Layout &layout, float volume)
{
    char *p = data.data();
    const qsizetype bytes = layout.bits / 8;
    const qsizetype count = data.size() / bytes;
    for (qsizetype i = 0; i < count; ++i, p += bytes) {
        switch (layout.bits) {
        case 8: // unsigned, silence at 128
            *p = char(std::lround((quint8(*p) - 128) * volume) + 128);
            break;
        case 16:
            qToLittleEndian<qint16>(
                qint16(std::lround(qFromLittleEndian<qint16>(p) * double(volume))), p);
            break;
        case 24: {
            const qint32 v = qint32(quint32(quint8(p[0])) << 8 | quint32(quint8(p[1])) << 16
                                    | quint32(quint8(p[2])) << 24)
                             >> 8;
            const qint32 s = qint32(std::lround(v * double(volume)));
            p[0] = char(s & 0xff);
            p[1] = char((s >> 8) & 0xff);
            p[2] = char((s >> 16) & 0xff);
            break;
        }
        case 32:
            if (layout.floating)
                qToLittleEndian<float>(qFromLittleEndian<float>(p) * volume, p);
            else
                qToLittleEndian<qint32>(
                    qint32(std::llround(qFromLittleEndian<qint32>(p) * double(volume))), p);
            break;
        }
    }
}

struct SimpleFree
{
    void operator()(pa_simple *s) const { pa_simple_free(s); }
};

} // namespace

bool PulseStream::available()
{
    return true;
}

bool PulseStream::play(const QString &path, const WavProbe::Layout &layout, float volume,
                       const std::function<bool()> &cancelled, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const std::optional<pa_sample_format_t> format = sampleFormat(layout);
    if (!format)
        return fail(QStringLiteral("%1-bit samples are not played").arg(layout.bits));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(layout.dataOffset))
        return fail(file.errorString());

    const pa_sample_spec spec{*format, layout.rate, quint8(layout.channels)};
    const size_t frame = pa_frame_size(&spec);
    const size_t piece = std::max(frame, pa_usec_to_bytes(PieceUsec, &spec) / frame * frame);
    pa_buffer_attr buffer;
    buffer.maxlength = quint32(-1);
    buffer.tlength = quint32(2 * piece);
    buffer.prebuf = quint32(-1);
    buffer.minreq = quint32(-1);
    buffer.fragsize = quint32(-1);
    int code = 0;
    const std::unique_ptr<pa_simple, SimpleFree> stream(
        pa_simple_new(nullptr, "talk-countdown", PA_STREAM_PLAYBACK, nullptr, "alert", &spec,
                      nullptr, &buffer, &code));
    if (!stream)
        return fail(QString::fromUtf8(pa_strerror(code)));

    qint64 left = layout.dataBytes;
    while (left > 0) {
        if (cancelled()) {
            pa_simple_flush(stream.get(), nullptr);
            return true;
        }
        QByteArray data = file.read(std::min<qint64>(left, qint64(piece)));
        if (data.isEmpty())
            return fail(file.errorString());
        left -= data.size();
        scale(data, layout, volume);
        if (pa_simple_write(stream.get(), data.constData(), size_t(data.size()), &code) < 0)
            return fail(QString::fromUtf8(pa_strerror(code)));
    }
    if (pa_simple_drain(stream.get(), &code) < 0)
        return fail(QString::fromUtf8(pa_strerror(code)));
    return true;
}
