// Built where the X client library is missing: there is no X server to ask.

#include "x11.h"

namespace X11 {

bool displayReachable()
{
    return true;
}

void flush() {}

quint32 inputFocus()
{
    return 0;
}

bool setInputFocus(quint32)
{
    return false;
}

bool isXWayland()
{
    return false;
}

void setWindowType(QWidget *, WindowType) {}

void remap(QWidget *) {}

} // namespace X11
