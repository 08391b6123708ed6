#include "barpicture.h"

#include <QtMath>

namespace BarPicture {

namespace {

struct Rgb
{
    qreal r, g, b;
};

Rgb mix(const Rgb &p, const Rgb &q, qreal t)
{
    return {p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t};
}

// Light in the top-left, deepest in the bottom-right, like light falling on glass.
constexpr Rgb TopLeft{85, 199, 228};
constexpr Rgb TopRight{30, 123, 181};
constexpr Rgb BottomLeft{20, 111, 182};
constexpr Rgb BottomRight{11, 80, 155};
constexpr Rgb Middle{31, 132, 187};

int channel(qreal v)
{
    return qBound(0, qRound(v), 255);
}

} // namespace

QImage render(qreal devicePixelRatio)
{
    const qreal dpr = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    QImage image(qRound(Width * dpr), qRound(Height * dpr), QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);

    // Blending the four corners alone would put the centre at their average; a bump that is
    // zero on the border and one in the middle pulls the centre onto the wanted colour
    // without disturbing the corners or creating an edge anywhere.
    const Rgb plainCentre =
        mix(mix(TopLeft, TopRight, 0.5), mix(BottomLeft, BottomRight, 0.5), 0.5);
    const Rgb lift{Middle.r - plainCentre.r, Middle.g - plainCentre.g, Middle.b - plainCentre.b};

    const int w = image.width();
    const int h = image.height();
    for (int y = 0; y < h; ++y) {
        const qreal v = h > 1 ? qreal(y) / (h - 1) : 0.5;
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const qreal u = w > 1 ? qreal(x) / (w - 1) : 0.5;
            const Rgb base = mix(mix(TopLeft, TopRight, u), mix(BottomLeft, BottomRight, u), v);
            const qreal bump = 16 * u * (1 - u) * v * (1 - v);
            line[x] = qRgb(channel(base.r + lift.r * bump), channel(base.g + lift.g * bump),
                           channel(base.b + lift.b * bump));
        }
    }
    return image;
}

} // namespace BarPicture
