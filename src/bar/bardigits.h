#pragma once

#include "pictureclip.h"
#include "showtwodigits.h"
#include "stages.h"

#include <array>

class Countdown;
class PictureBox;

// The bar's digit pictures (mm:ss) and the colour they are drawn in: cyan, or, when the
// talk's options ask for it, amber and red strips painted by the same glyph painter at the
// same pixel ratio for the colour stages and overtime.
class BarDigits
{
public:
    explicit BarDigits(const PictureClip &normal);

    // Minutes, then seconds; the colon changes colour with them.
    void setBoxes(const std::array<PictureBox *, 4> &boxes, PictureBox *colon)
    {
        m_boxes = boxes;
        m_colon = colon;
    }
    // Paints the amber and red strips; from then on the digits follow the stages.
    void setStages(const Stages &stages);
    bool hasColours() const { return !m_red.cellSize().isEmpty(); }

    // In the colour last chosen: what every tick does.
    void draw(int minutes, int seconds)
    {
        showTwoDigits(minutes, m_boxes[0], m_boxes[1], *m_strip);
        showTwoDigits(seconds, m_boxes[2], m_boxes[3], *m_strip);
    }
    // In the colour of the stage for that time left, or red when it is the time over.
    void drawInColour(int minutes, int seconds, bool over);
    // The countdown's time left, or in overtime the time over.
    void drawCountdown(const Countdown &countdown);
    // After a tick drew the time left in the colour it had: redraws when the stage changed,
    // or with the time over.
    void follow(const Countdown &countdown);

private:
    const PictureClip &stripFor(int secondsLeft, bool over) const;

    std::array<PictureBox *, 4> m_boxes{};
    PictureBox *m_colon = nullptr;
    const PictureClip &m_normal;
    const PictureClip *m_strip;
    Stages m_stages;
    PictureClip m_amber;
    PictureClip m_red;
};
