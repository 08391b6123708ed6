#include "barsurface.h"

#include <QMouseEvent>
#include <QPainter>

BarSurface::BarSurface(const QImage &picture, QWidget *parent)
    : QWidget(parent)
    , m_picture(picture)
{
    setAutoFillBackground(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BarSurface::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Button));
    painter.drawImage(QPoint(0, 0), m_picture);
}

void BarSurface::mouseReleaseEvent(QMouseEvent *event)
{
    // Buttons and check boxes let a right release through to here; it is still theirs.
    if (event->button() == Qt::RightButton && !childAt(event->position().toPoint()))
        emit menuRequested(event->globalPosition().toPoint());
    event->accept();
}
