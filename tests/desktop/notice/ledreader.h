#pragma once

#include <QImage>
#include <QList>
#include <QSize>

// Reads the LED digits the program draws by comparing a screen region with each cell of the
// glyph strip, scaled to the size the digits are shown at.
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

private:
    QList<QImage> m_glyphs;
};
