#include "bardigits.h"

#include "countdown.h"
#include "glyphstrip.h"
#include "picturebox.h"

namespace {

PictureClip stripIn(const QColor &lit, const PictureClip &like)
{
    const qreal dpr = like.cell(0).devicePixelRatio();
    return PictureClip(GlyphStrip::render(dpr, lit), 1, GlyphStrip::Columns);
}

} // namespace

BarDigits::BarDigits(const PictureClip &normal)
    : m_normal(normal)
    , m_strip(&normal)
{}

void BarDigits::setStages(const Stages &stages)
{
    m_stages = stages;
    if (!hasColours()) {
        m_amber = stripIn(GlyphStrip::Amber, m_normal);
        m_red = stripIn(GlyphStrip::Red, m_normal);
    }
}

const PictureClip &BarDigits::stripFor(int secondsLeft, bool over) const
{
    if (!hasColours())
        return m_normal;
    switch (m_stages.at(secondsLeft, over)) {
    case Stages::Stage::Amber:
        return m_amber;
    case Stages::Stage::Red:
        return m_red;
    case Stages::Stage::Normal:
        break;
    }
    return m_normal;
}

void BarDigits::drawInColour(int minutes, int seconds, bool over)
{
    const PictureClip *strip = &stripFor(minutes * 60 + seconds, over);
    if (strip != m_strip && m_colon)
        m_colon->setPicture(strip->cell(GlyphStrip::ColonCell));
    m_strip = strip;
    draw(minutes, seconds);
}

void BarDigits::drawCountdown(const Countdown &countdown)
{
    const int over = countdown.overSeconds();
    if (countdown.isOver())
        drawInColour(over / 60, over % 60, true);
    else
        drawInColour(countdown.minutesLeft(), countdown.secondsLeft(), false);
}

void BarDigits::follow(const Countdown &countdown)
{
    if (countdown.isOver() || &stripFor(countdown.totalSecondsLeft(), false) != m_strip)
        drawCountdown(countdown);
}
