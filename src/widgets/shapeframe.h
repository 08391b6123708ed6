#pragma once

#include <QColor>
#include <QWidget>

// An unfilled rectangle drawn inside its bounds. Clicks pass through it to the window.
class ShapeFrame : public QWidget
{
    Q_OBJECT

public:
    explicit ShapeFrame(const QColor &color, int lineWidth, QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    int lineWidth() const { return m_lineWidth; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color;
    int m_lineWidth;
};
