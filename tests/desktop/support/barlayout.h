#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>

// The program's windows as the tests know them from the outside, written down in pixels: the
// bar's size and where its controls sit on its client area (relative to the client area's
// top-left corner), the notice window's parts in its own coordinates, and the colours looked for.
namespace BarLayout {

inline constexpr int Width = 293;
inline constexpr int CollapsedHeight = 133;
inline constexpr int ExpandedHeight = 347;      // with the settings panel open
inline constexpr int BorderedWidth = Width + 2; // a 1 px frame on each side

// The five LED digit pictures, each an unscaled glyph cell: two minute digits, the colon, two
// second digits.
inline constexpr int DigitTop = 16;
inline constexpr int DigitLefts[] = {32, 80, 128, 176, 224};
inline constexpr QSize DigitSize(41, 69);

// The blue margin left of the digits' frame: a right click there opens the menu.
inline constexpr QPoint MenuSpot(5, 60);

// The settings panel's controls.
inline constexpr QRect MinutesList(72, 181, 57, 20);
inline constexpr QRect SecondsList(160, 181, 57, 20);
inline constexpr QRect ReminderList(72, 213, 57, 20);
inline constexpr QRect SoundPathBox(72, 248, 145, 18);
inline constexpr QRect BrowseButton(216, 248, 33, 17); // "..."
inline constexpr QRect NoBorderBox(8, 280, 65, 17);
inline constexpr QRect OkButton(136, 280, 57, 25);
inline constexpr QRect CancelButton(224, 280, 57, 25);

} // namespace BarLayout

namespace NoticeLayout {

inline constexpr QSize Size(230, 90);
inline constexpr QRect TensDigit(88, 24, 33, 47);
inline constexpr QRect UnitsDigit(136, 24, 33, 47);

inline const QColor Back(192, 255, 192);
inline const QColor Frame(255, 255, 192);
inline const QColor Text(255, 0, 0);
inline const QColor GlyphBack(2, 2, 102);
inline const QColor GlyphLit(0, 255, 255);

} // namespace NoticeLayout

// The colour of the fake slide show (tests/desktop/fakeshow).
inline const QColor ShowColour(255, 0, 255);
