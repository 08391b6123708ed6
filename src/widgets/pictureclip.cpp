#include "pictureclip.h"

PictureClip::PictureClip(const QImage &picture, int rows, int columns)
{
    if (picture.isNull() || rows <= 0 || columns <= 0)
        return;

    // Cells are measured in logical pixels, so a high-density strip is cut at the same places
    // as its standard one and every cell stays sharp.
    const qreal dpr = picture.devicePixelRatio();
    const QSizeF logical = picture.deviceIndependentSize();
    // The epsilon stops rounding noise in the division (e.g. 68.9999 for 69) losing a pixel.
    const int cellWidth = int(logical.width() / columns + 1e-6);
    const int cellHeight = int(logical.height() / rows + 1e-6);
    m_cellSize = QSize(cellWidth, cellHeight);
    if (cellWidth <= 0 || cellHeight <= 0)
        return;

    m_cells.reserve(rows * columns);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const int left = qRound(column * cellWidth * dpr);
            const int top = qRound(row * cellHeight * dpr);
            const int right = qRound((column + 1) * cellWidth * dpr);
            const int bottom = qRound((row + 1) * cellHeight * dpr);
            QPixmap cell = QPixmap::fromImage(picture.copy(left, top, right - left, bottom - top));
            cell.setDevicePixelRatio(dpr);
            m_cells.append(cell);
        }
    }
}

QPixmap PictureClip::cell(int index) const
{
    if (index < 0 || index >= m_cells.size())
        return QPixmap();
    return m_cells.at(index);
}
