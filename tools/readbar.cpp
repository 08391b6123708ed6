// Reads the bar's LED digits off a screenshot, for scripts that take pictures of a desktop
// themselves (tools/gnome-panel-check.py).
//
//   tc-readbar <picture> <x> <y>
//
// x, y: the top-left corner of the bar's client area in the picture. Prints the digits as
// "06:00", with '?' for a picture that is no glyph; exits with 1 if the picture cannot be read.
#include "ledreader.h"

#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fputs("usage: tc-readbar <picture> <x> <y>\n", stderr);
        return 2;
    }
    // The glyphs are painted with Qt's fonts and pixmaps: an application without a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QImage screen =
        QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32);
    if (screen.isNull()) {
        std::fprintf(stderr, "tc-readbar: cannot read %s\n", argv[1]);
        return 1;
    }
    const QPoint client(std::atoi(argv[2]), std::atoi(argv[3]));
    std::puts(qPrintable(LedReader::readBar(screen, client)));
    return 0;
}
