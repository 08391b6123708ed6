#pragma once

#include "ledreader.h"

#include <QColor>
#include <QImage>
#include <QPair>
#include <QRect>
#include <QSize>

// What the notice window looks like from the outside: its size, where its digits are, its
// colours, and how to tell from a grab of its place what it shows.
namespace NoticeLook {

// In the window's own coordinates.
inline constexpr QSize Size(230, 90);
inline constexpr QRect TensDigit(88, 24, 33, 47);
inline constexpr QRect UnitsDigit(136, 24, 33, 47);

inline const QColor Back(192, 255, 192);
inline const QColor Frame(255, 255, 192);
inline const QColor Text(255, 0, 0);
inline const QColor GlyphBack(2, 2, 102);
inline const QColor GlyphLit(0, 255, 255);
inline const QColor ShowColour(255, 0, 255); // the fake slide show behind it

// The share (0..1) of the region's pixels within `tolerance` of the colour in every channel.
double colourShare(const QImage &image, const QRect &region, const QColor &colour, int tolerance);

enum class Kind { Other, Digits, Message, Closed };

class Reader
{
public:
    // What a grab of the notice's place shows: its two digits (the number is given), the
    // closing message alone, the slide show (closed), or something else (half drawn, say).
    QPair<Kind, int> read(const QImage &image) const;

private:
    LedReader m_digits{TensDigit.size()};
};

} // namespace NoticeLook
