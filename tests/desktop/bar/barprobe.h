#pragma once

#include "desktopsession.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>

// What the bar tests know about the bar from the outside, and how they look at it: its size,
// where its controls sit on its client area (in pixels, relative to the client area's top-left
// corner), how to read its LED digits off a screen grab, and how to find and work its popup menu.
namespace BarProbe {

using WindowId = DesktopSession::WindowId;

inline constexpr int Width = 293;
inline constexpr int CollapsedHeight = 133;
inline constexpr int ExpandedHeight = 347;
inline constexpr int BorderedWidth = Width + 2; // a 1 px frame on each side

// The five LED digit pictures: two minute digits, the colon, two second digits.
inline constexpr int DigitTop = 16;
inline constexpr int DigitLefts[] = {32, 80, 128, 176, 224};

// The settings panel's controls.
inline constexpr QRect Combo1{72, 181, 57, 20};    // minutes
inline constexpr QRect Combo2{160, 181, 57, 20};   // seconds
inline constexpr QRect Combo3{72, 213, 57, 20};    // reminder
inline constexpr QRect Command2{136, 280, 57, 25}; // OK
inline constexpr QRect Command3{224, 280, 57, 25}; // Cancel
inline constexpr QRect Check2{8, 280, 65, 17};     // no border

// The colour of the fake slide show.
inline const QColor ShowColour{255, 0, 255};

// The bar: the one visible window of the program that is Width pixels wide (or BorderedWidth
// with its own frame), so a menu or a list that happens to be open is never mistaken for it.
WindowId findBar(DesktopSession &session, int timeoutMs = 10000);

// Every visible window of the program right now.
QList<WindowId> programWindows(DesktopSession &session);

// Waits for a visible window of the program that is not among `known`; 0 if none shows up.
WindowId waitForNewWindow(DesktopSession &session, const QList<WindowId> &known, int timeoutMs);

// The top-left corner of the bar's client area on the screen. A bar with its own frame and
// title bar has them above and around the client area; the title bar takes what the client area
// (collapsed or with the settings panel open) leaves of the height.
QPoint clientOrigin(const QRect &barGeometry, bool bordered);

// The share of pixels (0..1) of the 41x69 region at `at` that differ from glyph cell `cell`.
double glyphMismatch(const QImage &screen, const QPoint &at, int cell);

// The largest share of differing pixels still read as the same glyph.
inline constexpr double GlyphTolerance = 0.01;

// Reads the five digit pictures of a client area whose top-left corner is at `client`:
// "00:05", with '?' for a picture that is no glyph.
QString readDigits(const QImage &screen, const QPoint &client);

// The fewest pixels by which any two glyph cells differ, as a share of a cell.
double smallestGlyphDifference();

// How many pixels within `area` have the colour.
int countColour(const QImage &screen, const QRect &area, const QColor &colour);

// Saves a screen grab for a person to look at after a failure, named after the test function
// and row ($TC_SHOT_DIR, else the temporary folder); returns where.
QString keepForInspection(const QImage &image);

// The bar's popup menu, measured on a menu of the same entries built in this process: the
// program and the test share the display, the style and the fonts, so the entries sit at the
// same places.
class MenuRuler
{
public:
    enum Entry { Start, Pause, Settings, Exit };

    MenuRuler();
    QSize size() const { return m_size; }
    // The middle of an entry, relative to the menu window's top-left corner.
    QPoint centre(Entry entry) const { return m_centres[entry]; }

private:
    QSize m_size;
    QPoint m_centres[4];
};

// Right-clicks at `at` and returns the menu window that opens, or 0 when none opens within
// `timeoutMs`.
WindowId rightClickForMenu(DesktopSession &session, const QPoint &at, int timeoutMs = 5000);

} // namespace BarProbe

// QVERIFY2 that also keeps a screen grab when the condition fails. The message and the image are
// worked out only then, so a message can report what the condition saw.
#define BAR_VERIFY(condition, message, image)                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            QFAIL(qPrintable(QStringLiteral("'%1' returned FALSE. (%2; screen kept in %3)")        \
                                 .arg(QStringLiteral(#condition), QString(message),                \
                                      BarProbe::keepForInspection(image))));                       \
        }                                                                                          \
    } while (false)
