#pragma once

#include <QImage>
#include <QPixmap>
#include <QVector>

// An image strip cut into equal cells (width / columns, rounded down), handed out by index.
class PictureClip
{
public:
    PictureClip() = default;
    explicit PictureClip(const QImage &picture, int rows = 1, int columns = 1);

    // Cell `index`, counted left to right, top to bottom; an empty pixmap when out of range.
    QPixmap cell(int index) const;

    int cellCount() const { return int(m_cells.size()); }
    QSize cellSize() const { return m_cellSize; } // logical pixels

private:
    QVector<QPixmap> m_cells;
    QSize m_cellSize;
};
