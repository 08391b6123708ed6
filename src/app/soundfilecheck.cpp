#include "soundfilecheck.h"

#include <QFileInfo>

namespace SoundFileCheck {

std::optional<QString> problem(const QString &path)
{
    // As on the panel: only the name's last three characters count, case and all.
    if (!path.endsWith(QLatin1String("wav"), Qt::CaseSensitive))
        return QStringLiteral("文件格式不正确");
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("%1: no such file").arg(path);
    if (!info.isFile())
        return QStringLiteral("%1: not a regular file").arg(path);
    if (!info.isReadable())
        return QStringLiteral("%1: not readable").arg(path);
    return std::nullopt;
}

} // namespace SoundFileCheck
