#include "pulsestream.h"

bool PulseStream::available()
{
    return false;
}

bool PulseStream::play(const QString &, const WavProbe::Layout &, float,
                       const std::function<bool()> &, QString *error)
{
    if (error)
        *error = QStringLiteral("built without libpulse-simple");
    return false;
}
