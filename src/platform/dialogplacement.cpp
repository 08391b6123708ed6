#include "dialogplacement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

DialogPlacement::DialogPlacement(QWidget *dialog, QWidget *anchor)
    : QObject(dialog)
    , m_dialog(dialog)
    , m_anchor(anchor ? anchor->window() : nullptr)
{
    dialog->installEventFilter(this);
}

DialogPlacement::~DialogPlacement() = default;

QRect DialogPlacement::besideRect(const QRect &anchor, const QSize &size, const QRect &screen)
{
    const int right = anchor.right() + 1;
    const int bottom = anchor.bottom() + 1;
    const auto clampX = [&](int x) {
        return std::clamp(x, screen.left(),
                          std::max(screen.left(), screen.right() + 1 - size.width()));
    };
    const auto clampY = [&](int y) {
        return std::clamp(y, screen.top(),
                          std::max(screen.top(), screen.bottom() + 1 - size.height()));
    };
    const QRect candidates[] = {
        QRect(QPoint(anchor.left() - Gap - size.width(), clampY(anchor.top())), size), // left
        QRect(QPoint(clampX(right - size.width()), bottom + Gap), size),               // below
        QRect(QPoint(right + Gap, clampY(anchor.top())), size),                        // right
        QRect(QPoint(clampX(right - size.width()), anchor.top() - Gap - size.height()), size),
    };
    for (const QRect &r : candidates) {
        if (screen.contains(r))
            return r;
    }
    return QRect(QPoint(clampX(screen.left()), clampY(anchor.top())), size);
}

bool DialogPlacement::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_dialog)
        return false;
    switch (event->type()) {
    case QEvent::Show:
        m_frameChecked = false;
        place();
        break;
    case QEvent::Resize:
        // A message box works out its size while it is being shown; follow it until it is on
        // screen, but leave a size the user drags afterwards alone.
        if (!m_dialog->windowHandle() || !m_dialog->windowHandle()->isExposed())
            place();
        break;
    case QEvent::Expose:
        if (!m_frameChecked && m_dialog->windowHandle() && m_dialog->windowHandle()->isExposed()) {
            m_frameChecked = true;
            QTimer::singleShot(100, this, &DialogPlacement::correctForFrame);
        }
        break;
    default:
        break;
    }
    return false;
}

void DialogPlacement::place()
{
    if (!m_anchor)
        return;
    const QRect bar = m_anchor->frameGeometry();
    const QScreen *screen =
        m_anchor->screen() ? m_anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize framed = m_dialog->size().grownBy(FrameAllowance);
    const QRect spot = besideRect(bar, framed, screen->geometry());
    // move() places the window manager's frame, so the frame's corner goes to the spot.
    m_dialog->move(spot.topLeft());
}

// Once the window manager has framed the dialog, its real frame is known: if it came out larger
// than allowed for and now meets the bar or leaves the screen, place it again by the real size.
void DialogPlacement::correctForFrame()
{
    if (!m_anchor || !m_dialog->isVisible())
        return;
    const QRect frame = m_dialog->frameGeometry();
    const QRect bar = m_anchor->frameGeometry();
    const QScreen *screen = m_anchor->screen();
    if (!screen || (!frame.intersects(bar) && screen->geometry().contains(frame)))
        return;
    m_dialog->move(besideRect(bar, frame.size(), screen->geometry()).topLeft());
}
