#include "noticereader.h"

#include "barlayout.h"
#include "mmss.h"
#include "pixels.h"

using namespace Qt::StringLiterals;
using namespace NoticeLayout;

NoticeReader::NoticeReader()
    : m_digits(TensDigit.size())
{}

QPair<LedReader::Match, LedReader::Match> NoticeReader::digits(const QImage &image) const
{
    return {m_digits.read(image.copy(TensDigit)), m_digits.read(image.copy(UnitsDigit))};
}

QString NoticeReader::look(const QImage &image) const
{
    if (Pixels::colourShare(image, image.rect(), ShowColour, 8) > 0.9)
        return u"closed"_s;
    if (image.size() != Size)
        return {};
    const auto [tens, units] = digits(image);
    if (LedReader::isClear(tens) && LedReader::isClear(units) && tens.glyph < 10
        && units.glyph < 10)
        return twoDigits(tens.glyph * 10 + units.glyph);
    const QRect both = TensDigit.united(UnitsDigit);
    if (Pixels::colourShare(image, both, GlyphBack, 24) == 0
        && Pixels::colourShare(image, both, GlyphLit, 24) == 0
        && Pixels::colourShare(image, image.rect(), Back, 8) > 0.3)
        return u"message"_s;
    return {};
}
