#pragma once

#include <QWidget>

class QToolButton;

// The thin title bar the bar draws for itself when it has a border: the window manager must
// not frame the bar, or a focused full-screen window would cover it.
class TitleBar : public QWidget
{
    Q_OBJECT

public:
    explicit TitleBar(QWidget *parent = nullptr);

    static QFont titleFont();
    static int preferredHeight();

    void setTitle(const QString &title);
    QString title() const { return m_title; }

signals:
    void closeClicked();
    // The user drags the title bar: the window's top-left corner should go to `topLeft`.
    void dragged(const QPoint &topLeft);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_title;
    QToolButton *m_close;
    QPoint m_grabOffset;
    bool m_dragging = false;
};
