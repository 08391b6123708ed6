#pragma once

#include <QImage>
#include <QWidget>

// The bar's client area: the gradient picture at its own size on the plain back colour.
// A right-button release on the surface itself (not on a control) asks for the menu.
class BarSurface : public QWidget
{
    Q_OBJECT

public:
    explicit BarSurface(const QImage &picture, QWidget *parent = nullptr);

signals:
    void menuRequested(const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
};
