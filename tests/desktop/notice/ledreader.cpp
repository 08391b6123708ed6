#include "ledreader.h"

#include "glyphstrip.h"

#include <cstdlib>

namespace {

// The same glyph scaled smoothly or plainly differs by up to about 6 at the segment edges;
// glyphs one segment apart (0 and 8) differ by about 6.5 over the whole cell.
constexpr double MaxDistance = 8;
constexpr double MinMargin = 3;

double distance(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 1e9;
    qint64 sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            sum += std::abs(qRed(pa[x]) - qRed(pb[x])) + std::abs(qGreen(pa[x]) - qGreen(pb[x]))
                   + std::abs(qBlue(pa[x]) - qBlue(pb[x]));
        }
    }
    return double(sum) / (3.0 * a.width() * a.height());
}

} // namespace

LedReader::LedReader(QSize shownSize)
{
    const QImage strip = GlyphStrip::render(1.0).convertToFormat(QImage::Format_RGB32);
    for (int cell = 0; cell < GlyphStrip::Columns; ++cell) {
        QImage glyph =
            strip.copy(cell * GlyphStrip::CellWidth, 0, GlyphStrip::CellWidth, GlyphStrip::Height);
        if (glyph.size() != shownSize)
            glyph = glyph.scaled(shownSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_glyphs << glyph.convertToFormat(QImage::Format_RGB32);
    }
}

LedReader::Match LedReader::read(const QImage &region) const
{
    const QImage image = region.convertToFormat(QImage::Format_RGB32);
    Match m;
    for (int glyph = 0; glyph < m_glyphs.size(); ++glyph) {
        const double d = distance(image, m_glyphs[glyph]);
        if (d < m.distance) {
            m.runnerUp = m.distance;
            m.distance = d;
            m.glyph = glyph;
        } else if (d < m.runnerUp) {
            m.runnerUp = d;
        }
    }
    return m;
}

bool LedReader::isClear(const Match &m)
{
    return m.distance <= MaxDistance && m.runnerUp - m.distance >= MinMargin;
}
