#include "showtwodigits.h"

#include "picturebox.h"
#include "pictureclip.h"

#include <QString>

void showTwoDigits(int number, PictureBox *tens, PictureBox *units, const PictureClip &strip)
{
    if (number < 10) {
        tens->setPicture(strip.cell(0));
        units->setPicture(strip.cell(number));
        return;
    }
    const QString text = QString::number(number);
    tens->setPicture(strip.cell(text.front().digitValue()));
    units->setPicture(strip.cell(text.back().digitValue()));
}
