#include "noticelook.h"

#include <cstdlib>

namespace NoticeLook {

double colourShare(const QImage &image, const QRect &region, const QColor &colour, int tolerance)
{
    const QRect r = region.intersected(image.rect());
    if (r.isEmpty())
        return 0;
    qint64 hits = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            hits += std::abs(qRed(p) - colour.red()) <= tolerance
                    && std::abs(qGreen(p) - colour.green()) <= tolerance
                    && std::abs(qBlue(p) - colour.blue()) <= tolerance;
        }
    }
    return double(hits) / (qint64(r.width()) * r.height());
}

QPair<Kind, int> Reader::read(const QImage &image) const
{
    if (colourShare(image, image.rect(), ShowColour, 8) > 0.9)
        return {Kind::Closed, -1};
    if (image.size() != Size)
        return {Kind::Other, -1};
    const LedReader::Match tens = m_digits.read(image.copy(TensDigit));
    const LedReader::Match units = m_digits.read(image.copy(UnitsDigit));
    if (LedReader::isClear(tens) && LedReader::isClear(units) && tens.glyph < 10
        && units.glyph < 10)
        return {Kind::Digits, tens.glyph * 10 + units.glyph};
    const QRect digits = TensDigit.united(UnitsDigit);
    if (colourShare(image, digits, GlyphBack, 24) == 0
        && colourShare(image, digits, GlyphLit, 24) == 0
        && colourShare(image, image.rect(), Back, 8) > 0.3)
        return {Kind::Message, -1};
    return {Kind::Other, -1};
}

} // namespace NoticeLook
