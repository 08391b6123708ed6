#include "shapeframe.h"

#include <QPainter>

ShapeFrame::ShapeFrame(const QColor &color, int lineWidth, QWidget *parent)
    : QWidget(parent)
    , m_color(color)
    , m_lineWidth(lineWidth)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeFrame::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int w = m_lineWidth;
    const QRect r = rect();
    // Four bands rather than a wide pen, so the frame is exactly w pixels inside the bounds.
    painter.fillRect(QRect(r.left(), r.top(), r.width(), w), m_color);
    painter.fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), m_color);
    painter.fillRect(QRect(r.left(), r.top(), w, r.height()), m_color);
    painter.fillRect(QRect(r.right() - w + 1, r.top(), w, r.height()), m_color);
}
