#pragma once

#include <QImage>

// The bar's background: a smooth blue gradient behind the digits.
namespace BarPicture {

inline constexpr int Width = 302;
inline constexpr int Height = 172;

QImage render(qreal devicePixelRatio = 1.0);

} // namespace BarPicture
