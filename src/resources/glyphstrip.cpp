#include "glyphstrip.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace GlyphStrip {

namespace {

// All coordinates are continuous cell coordinates: a pixel range lo..hi covers [lo, hi + 1).

// A horizontal bar whose ends come to a 45-degree point, so that neighbouring segments
// leave a thin diagonal gap between them, as on a real LED display.
QPolygonF horizontalBar(qreal left, qreal right, qreal top, qreal bottom)
{
    const qreal half = (bottom - top) / 2;
    const qreal mid = top + half;
    return QPolygonF({{left, mid},
                      {left + half, top},
                      {right - half, top},
                      {right, mid},
                      {right - half, bottom},
                      {left + half, bottom}});
}

QPolygonF verticalBar(qreal left, qreal right, qreal top, qreal bottom)
{
    const qreal half = (right - left) / 2;
    const qreal mid = left + half;
    return QPolygonF({{mid, top},
                      {right, top + half},
                      {right, bottom - half},
                      {mid, bottom},
                      {left, bottom - half},
                      {left, top + half}});
}

// A colon dot: a small block with its corners clipped so it matches the bevelled segments.
QPolygonF dot(qreal left, qreal right, qreal top, qreal bottom)
{
    constexpr qreal cut = 1.5;
    return QPolygonF({{left + cut, top},
                      {right - cut, top},
                      {right, top + cut},
                      {right, bottom - cut},
                      {right - cut, bottom},
                      {left + cut, bottom},
                      {left, bottom - cut},
                      {left, top + cut}});
}

enum Segment : unsigned { A = 1, B = 2, C = 4, D = 8, E = 16, F = 32, G = 64 };

struct SegmentShape
{
    Segment segment;
    QPolygonF shape;
};

// The lower half sits a little further left than the upper half, giving the digits a slight
// forward lean. The upper verticals stop half a pixel early so the tips meeting the middle bar
// keep a visible gap instead of touching.
const SegmentShape segments[] = {
    {A, horizontalBar(7, 34, 3, 9)},      {B, verticalBar(32, 38, 8, 33.5)},
    {C, verticalBar(30.5, 36.5, 35, 61)}, {D, horizontalBar(6, 32, 59, 65)},
    {E, verticalBar(2, 8, 35, 61)},       {F, verticalBar(3, 9, 8, 33.5)},
    {G, horizontalBar(7.3, 33, 31, 37)},
};

constexpr unsigned digitSegments[10] = {
    A | B | C | D | E | F,     // 0
    0,                         // 1 is drawn as its own centred stroke
    A | B | G | E | D,         // 2
    A | B | G | C | D,         // 3
    F | G | B | C,             // 4
    A | F | G | C | D,         // 5
    A | F | G | E | C | D,     // 6
    A | B | C,                 // 7
    A | B | C | D | E | F | G, // 8
    A | B | C | D | F | G,     // 9
};

QPainterPath cellPath(int cell)
{
    QPainterPath path;
    if (cell == ColonCell) {
        path.addPolygon(dot(19, 25, 23, 30));
        path.addPolygon(dot(19, 25, 42, 49));
    } else if (cell == 1) {
        // A lone right-hand stroke would leave the 1 hugging the edge of its cell.
        path.addPolygon(verticalBar(19, 25, 8, 34));
        path.addPolygon(verticalBar(18, 24, 35, 61));
    } else {
        for (const SegmentShape &s : segments) {
            if (digitSegments[cell] & s.segment)
                path.addPolygon(s.shape);
        }
    }
    return path;
}

} // namespace

QImage render(qreal devicePixelRatio, const QColor &lit)
{
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QImage image(qRound(Width * dpr), qRound(Height * dpr), QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(Background);

    // The painter picks up the image's pixel ratio, so the shapes are drawn in logical
    // coordinates yet rasterised at full resolution.
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(lit);
    for (int cell = 0; cell < Columns; ++cell) {
        painter.save();
        painter.translate(cell * CellWidth, 0);
        painter.drawPath(cellPath(cell));
        painter.restore();
    }
    painter.end();
    return image;
}

} // namespace GlyphStrip
