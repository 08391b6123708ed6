#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;
class TitleBar;
class WindowOps;

// Where the bar sits and how big it is: its own frame and title bar when it has a border, the
// client area's height (the panel covered or uncovered), and the whole window kept on its
// screen: dragged, grown by the panel or after the screen changed.
class BarPlacement
{
public:
    BarPlacement(QWidget &window, TitleBar &titleBar, QWidget &surface, WindowOps &windows,
                 int heightTwips);

    int heightTwips() const { return m_heightTwips; }
    bool bordered() const { return m_bordered; }

    // Top and left stay, so the bar grows downwards, unless it would reach below the screen:
    // then it moves up as far as needed, and back down when it shrinks again.
    void setHeightTwips(int twips);
    // The frame and title bar come or go; the top-right corner stays.
    void setBordered(bool bordered);
    // Lays out the frame, title bar and surface, keeping the given top-right corner and the
    // whole window on screen.
    void relayout(const QPoint &topRight);
    // The top-left corner as near `topLeft` as keeps the bar wholly on screen.
    void moveOnScreen(const QPoint &topLeft);
    // As far from the screen's top-right corner as before the screen changed.
    void followScreen(const QRect &before, const QRect &after);

private:
    void layoutChildren();
    QSize outerSize() const;

    QWidget &m_window;
    TitleBar &m_titleBar;
    QWidget &m_surface;
    WindowOps &m_windows;
    int m_heightTwips;
    bool m_bordered = false;
    int m_liftedBy = 0; // how far the open panel pushed the bar up to stay on screen
};
