#include "soundfilecheck.h"

#include "soundfilename.h"

#include <QFileInfo>

namespace SoundFileCheck {

std::optional<QString> problem(const QString &path)
{
    if (!SoundFileName::isWav(path))
        return QStringLiteral("not a WAV file (the name must end in wav)");
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("no such file");
    if (!info.isFile())
        return QStringLiteral("not a regular file");
    if (!info.isReadable())
        return QStringLiteral("not readable");
    return std::nullopt;
}

} // namespace SoundFileCheck
