#pragma once

#include "countdown.h"
#include "stages.h"

// What the bar does beyond the plain countdown, as the speaker's options ask: what happens at
// 00:00, the digits' colour stages and the minute items in the menu. The default is the plain
// countdown.
struct TalkBehaviour
{
    Countdown::AtZero atZero = Countdown::AtZero::Reset;
    Stages stages;
    bool adjust = false;

    // Whether the digits ever show anything but cyan.
    bool colours() const { return atZero == Countdown::AtZero::Overtime || !stages.isEmpty(); }
};
