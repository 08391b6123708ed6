#include "barplacement.h"

#include "layout.h"
#include "titlebar.h"
#include "windowops.h"

#include <QWidget>

#include <algorithm>
#include <utility>

BarPlacement::BarPlacement(QWidget &window, TitleBar &titleBar, QWidget &surface,
                           WindowOps &windows, int heightTwips)
    : m_window(window)
    , m_titleBar(titleBar)
    , m_surface(surface)
    , m_windows(windows)
    , m_heightTwips(heightTwips)
{}

void BarPlacement::setHeightTwips(int twips)
{
    m_heightTwips = twips;
    layoutChildren();
    QRect g(m_window.pos() + QPoint(0, std::exchange(m_liftedBy, 0)), outerSize());
    const QRect screen = m_windows.screenGeometry();
    if (g.bottom() > screen.bottom()) {
        m_liftedBy = std::max(std::min(g.bottom() - screen.bottom(), g.top() - screen.top()), 0);
        g.translate(0, -m_liftedBy);
    }
    m_window.setGeometry(g);
}

void BarPlacement::setBordered(bool bordered)
{
    if (bordered == m_bordered)
        return;
    m_bordered = bordered;
    relayout(QPoint(m_window.geometry().right(), m_window.y()));
}

// The surface is exactly the client area, so it never paints over the frame below it.
void BarPlacement::layoutChildren()
{
    const int frame = m_bordered ? 1 : 0;
    const int title = m_bordered ? TitleBar::preferredHeight() : 0;
    const int width = Layout::px(Layout::BarWidth);
    m_titleBar.setVisible(m_bordered);
    m_titleBar.setGeometry(frame, frame, width, title);
    m_surface.setGeometry(frame, frame + title, width, Layout::px(m_heightTwips));
}

void BarPlacement::followScreen(const QRect &before, const QRect &after)
{
    const QPoint fromCorner(before.right() - m_window.geometry().right(),
                            m_window.y() - before.top());
    relayout(QPoint(after.right() - fromCorner.x(), after.top() + fromCorner.y()));
}

QSize BarPlacement::outerSize() const
{
    const int frame = m_bordered ? 2 : 0;
    const int title = m_bordered ? TitleBar::preferredHeight() : 0;
    return QSize(Layout::px(Layout::BarWidth) + frame, Layout::px(m_heightTwips) + title + frame);
}

void BarPlacement::relayout(const QPoint &topRight)
{
    layoutChildren();
    moveOnScreen(QPoint(topRight.x() - outerSize().width() + 1, topRight.y()));
}

void BarPlacement::moveOnScreen(const QPoint &topLeft)
{
    const QSize size = outerSize();
    const QRect screen = m_windows.screenGeometry();
    const int x = std::clamp(topLeft.x(), screen.left(),
                             std::max(screen.left(), screen.right() - size.width() + 1));
    const int y = std::clamp(topLeft.y(), screen.top(),
                             std::max(screen.top(), screen.bottom() - size.height() + 1));
    m_liftedBy = 0;
    m_window.setGeometry(QRect(QPoint(x, y), size));
}
