#include "soundfilecheck.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace SoundFileCheck {

std::optional<QString> problem(const QString &path)
{
    // As on the panel: only the name's last three characters count, case and all.
    if (!path.endsWith(QLatin1String("wav"), Qt::CaseSensitive))
        return QCoreApplication::translate("SoundFileCheck", "文件格式不正确");
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
