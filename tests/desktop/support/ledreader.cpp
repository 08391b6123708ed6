#include "ledreader.h"

#include "barlayout.h"
#include "glyphstrip.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The same glyph scaled smoothly or plainly differs by up to about 6 at the segment edges;
// glyphs one segment apart (0 and 8) differ by about 6.5 over the whole cell.
constexpr double MaxDistance = 8;
constexpr double MinMargin = 3;

const QList<QImage> &cells()
{
    static const QList<QImage> images = [] {
        const QImage strip = GlyphStrip::render(1.0).convertToFormat(QImage::Format_RGB32);
        QList<QImage> list;
        for (int cell = 0; cell < GlyphStrip::Columns; ++cell)
            list << strip.copy(cell * GlyphStrip::CellWidth, 0, GlyphStrip::CellWidth,
                               GlyphStrip::Height);
        return list;
    }();
    return images;
}

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

// Screen grabs come through a 24-bit visual; allow a little rounding on the way.
bool sameColour(QRgb a, QRgb b)
{
    constexpr int slack = 12;
    return std::abs(qRed(a) - qRed(b)) <= slack && std::abs(qGreen(a) - qGreen(b)) <= slack
           && std::abs(qBlue(a) - qBlue(b)) <= slack;
}

double pixelMismatch(const QImage &region, const QImage &glyph)
{
    int differing = 0;
    for (int y = 0; y < glyph.height(); ++y) {
        for (int x = 0; x < glyph.width(); ++x)
            differing += !sameColour(region.pixel(x, y), glyph.pixel(x, y));
    }
    return double(differing) / (glyph.width() * glyph.height());
}

} // namespace

LedReader::LedReader(QSize shownSize)
{
    for (const QImage &cell : cells()) {
        m_glyphs << (cell.size() == shownSize
                         ? cell
                         : cell.scaled(shownSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_RGB32));
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

double LedReader::mismatch(const QImage &screen, const QPoint &at, int cell)
{
    const QRect area(at, cells().at(cell).size());
    // A picture partly off the screen is not a picture that can be read.
    if (!screen.rect().contains(area))
        return 1.0;
    return pixelMismatch(screen.copy(area).convertToFormat(QImage::Format_RGB32), cells().at(cell));
}

double LedReader::smallestDifference()
{
    double smallest = 1.0;
    for (qsizetype a = 0; a < cells().size(); ++a) {
        for (qsizetype b = a + 1; b < cells().size(); ++b)
            smallest = std::min(smallest, pixelMismatch(cells()[a], cells()[b]));
    }
    return smallest;
}

QString LedReader::readBar(const QImage &screen, const QPoint &client)
{
    QString text;
    for (int left : BarLayout::DigitLefts) {
        const QPoint at = client + QPoint(left, BarLayout::DigitTop);
        int best = -1;
        double bestMismatch = 1.0;
        for (int cell = 0; cell < int(cells().size()); ++cell) {
            const double m = mismatch(screen, at, cell);
            if (m < bestMismatch) {
                bestMismatch = m;
                best = cell;
            }
        }
        if (best < 0 || bestMismatch > Tolerance)
            text += u'?';
        else
            text += best == Colon ? u':' : QChar(u'0' + best);
    }
    return text;
}
