#include "showtwodigits.h"

#include "picturebox.h"
#include "pictureclip.h"

#include <QString>

void showTwoDigits(int number, PictureBox *tens, PictureBox *units, const PictureClip &strip)
{
    if (number < 10) {
        tens->setPicture(strip.GraphicCell(0));
        units->setPicture(strip.GraphicCell(number));
        return;
    }
    const QString text = QString::number(number);
    tens->setPicture(strip.GraphicCell(text.front().digitValue()));
    units->setPicture(strip.GraphicCell(text.back().digitValue()));
}
