#pragma once

#include <QColor>
#include <QImage>

// The seven-segment LED glyphs both windows draw their numbers from: one strip of 11 cells
// (digits 0-9, then the colon), painted at run time so it stays crisp at any scale.
namespace GlyphStrip {

inline constexpr int Width = 452;
inline constexpr int Height = 69;
inline constexpr int Columns = 11;
inline constexpr int CellWidth = Width / Columns; // 41; column 451 belongs to no cell
inline constexpr int ColonCell = 10;

inline const QColor Background{2, 2, 102};
inline const QColor Lit{0, 255, 255};
// The warning colours of the digits: a stage before the end, the last one and overtime.
inline const QColor Amber{255, 176, 0};
inline const QColor Red{255, 32, 32};

// The strip in logical pixels (Width x Height), painted at the given device pixel ratio, its
// glyphs in `lit` on the navy background.
QImage render(qreal devicePixelRatio = 1.0, const QColor &lit = Lit);

} // namespace GlyphStrip
