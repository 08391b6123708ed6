#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>

// Reads the LED digits the program draws by comparing a screen region with each cell of the
// program's own glyph strip: scaled to the size the digits are shown at (the notice's), by the
// mean difference per channel; or unscaled (the bar's), by the share of differing pixels.
class LedReader
{
public:
    static constexpr int Colon = 10;

    explicit LedReader(QSize shownSize);

    struct Match
    {
        int glyph = -1;        // 0-9, or Colon
        double distance = 1e9; // mean difference per colour channel, 0-255
        double runnerUp = 1e9; // the same for the next best glyph
    };

    Match read(const QImage &region) const;
    // A clear match: close to one glyph and well away from all others.
    static bool isClear(const Match &m);

    // The share of pixels (0..1) of the unscaled cell's area at `at` that differ from it.
    static double mismatch(const QImage &screen, const QPoint &at, int cell);
    // The largest share of differing pixels still read as the same glyph.
    static constexpr double Tolerance = 0.01;
    // The fewest pixels by which any two cells differ, as a share of a cell.
    static double smallestDifference();
    // The bar's five digit pictures, its client area starting at `client`: "00:05", with '?'
    // for a picture that is no glyph.
    static QString readBar(const QImage &screen, const QPoint &client);

private:
    QList<QImage> m_glyphs;
};
