#pragma once

#include <QRect>
#include <QString>

#include <span>

// Both windows are laid out in twips (1/1440 inch, 15 to the pixel at 96 dpi); everything is
// converted to pixels at one place so a control can never drift from its spot.
namespace Layout {

constexpr int TwipsPerPixel = 15;

// Nearest whole pixel; layout values are positive.
constexpr int px(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

struct Twips
{
    int left;
    int top;
    int width;
    int height;

    constexpr QRect toPixels() const { return QRect(px(left), px(top), px(width), px(height)); }
};

enum class Kind { Frame, Picture, Label, DropDown, CheckBox, TextBox, Button };

struct Control
{
    const char *name;
    Kind kind;
    const char *caption; // UTF-8, Chinese; shown through translated()
    Twips geometry;
    int tabIndex; // -1: not in the tab chain
};

// The bar
inline constexpr int BarWidth = 4395;
inline constexpr int BarCollapsedHeight = 2000;
inline constexpr int BarExpandedHeight = 5200;
inline constexpr Twips BarClientAsLaidOut{0, 0, 4305, 4905};

std::span<const Control> barSettingsPanel();
const Control &barControl(const char *name); // any control of the bar, by name

// Shape1 of the bar: an unfilled frame in the stored colour, that many pixels thick.
inline constexpr unsigned BarFrameColor = 0xC0C0C0;
inline constexpr int BarFrameWidth = 4;

// The notice window
inline constexpr int NoticeWidthPx = 230;
inline constexpr int NoticeHeightPx = 90;
inline constexpr Twips NoticeClientAsLaidOut{0, 0, 3495, 1335};
inline constexpr Twips NoticeDigitSize{0, 0, 500, 700}; // the load stretches each digit to this
inline constexpr unsigned NoticeBackColor = 0xC0FFC0;
inline constexpr unsigned NoticeFrameColor = 0xFFFFC0;
inline constexpr int NoticeFrameWidth = 6;
inline constexpr unsigned NoticeTextColor = 0xFF0000;
inline constexpr int NoticeFontPointSize = 24;

std::span<const Control> noticeControls();
const Control &noticeControl(const char *name);

// Popup menu of the bar, in display order. A caption of "-" is a separator.
struct MenuItem
{
    const char *name;
    const char *caption;
};
std::span<const MenuItem> barMenu();
inline constexpr const char *BarMenuName = "popmenu";

// A caption of these tables in the language of the installed translation (Chinese without one).
QString translated(const char *caption);

} // namespace Layout
