#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

// Looking at screen grabs, and keeping them as evidence of a failure.
namespace Pixels {

// A part of the screen only: far quicker than the whole root window.
QImage grab(const QRect &area);
// How many pixels within `area` are within `tolerance` of the colour in every channel; screen
// grabs come through a 24-bit visual, so a little rounding is allowed by default.
int countColour(const QImage &image, const QRect &area, const QColor &colour, int tolerance = 12);
// The same as a share (0..1) of the area's pixels on the image.
double colourShare(const QImage &image, const QRect &area, const QColor &colour,
                   int tolerance = 12);

// Where to keep evidence of a failure, named after the program, the screen size, the test
// function and row, and `what` ($TC_SHOT_DIR, else the test's working folder).
QString evidencePath(const QString &what);
// Saves a screen grab there; returns where it went, for a failure message.
QString keep(const QImage &image);

} // namespace Pixels
