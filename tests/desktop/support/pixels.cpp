#include "pixels.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace Pixels {

QImage grab(const QRect &area)
{
    // The test is an X client of the same display, so it can read the root window.
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

int countColour(const QImage &image, const QRect &area, const QColor &colour, int tolerance)
{
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            count += std::abs(qRed(p) - colour.red()) <= tolerance
                     && std::abs(qGreen(p) - colour.green()) <= tolerance
                     && std::abs(qBlue(p) - colour.blue()) <= tolerance;
        }
    }
    return count;
}

double colourShare(const QImage &image, const QRect &area, const QColor &colour, int tolerance)
{
    const QRect inside = area.intersected(image.rect());
    if (inside.isEmpty())
        return 0;
    return double(countColour(image, inside, colour, tolerance))
           / (qint64(inside.width()) * inside.height());
}

QString evidencePath(const QString &what)
{
    // The same executable runs under several window managers and screen sizes.
    QString name = u"%1-%2-%3"_s.arg(QCoreApplication::applicationName(),
                                     qEnvironmentVariable("TC_SCREEN_SIZE"),
                                     QString::fromLatin1(QTest::currentTestFunction()));
    if (const char *row = QTest::currentDataTag())
        name += u'-' + QString::fromLocal8Bit(row);
    name.replace(QRegularExpression(u"[^A-Za-z0-9_-]+"_s), u"_"_s);
    const QString dir = qEnvironmentVariable("TC_SHOT_DIR", QDir::currentPath());
    return QDir(dir).absoluteFilePath(name + u'-' + what);
}

QString keep(const QImage &image)
{
    const QString path = evidencePath(u"screen.png"_s);
    return image.save(path) ? path : u"(could not save %1)"_s.arg(path);
}

} // namespace Pixels
