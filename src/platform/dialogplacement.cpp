#include "dialogplacement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

// The window manager's frame around a top-level widget, as far as Qt knows it yet. The
// window's own answer is fresh; the widget's frameGeometry() may still be the unframed one.
QMargins knownFrame(const QWidget &window)
{
    return window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
}

} // namespace

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
    if (event->type() == QEvent::Expose && watched == m_dialog->windowHandle()) {
        if (!m_frameChecked && m_dialog->windowHandle()->isExposed()) {
            m_frameChecked = true;
            QTimer::singleShot(FrameSettleMs, this, &DialogPlacement::correctForFrame);
        }
        return false;
    }
    if (watched != m_dialog)
        return false;
    switch (event->type()) {
    case QEvent::Show:
        m_frameChecked = false;
        place();
        // Qt hands the exposure to the dialog's window, not to the dialog.
        if (QWindow *window = m_dialog->windowHandle())
            window->installEventFilter(this);
        break;
    case QEvent::Resize:
        // A message box works out its size while it is being shown; follow it until it is on
        // screen, but leave a size the user drags afterwards alone.
        if (!m_dialog->windowHandle() || !m_dialog->windowHandle()->isExposed())
            place();
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
    // The room kept for the frame: the real one where Qt knows it already (some window
    // managers tell it before the dialog is mapped), else the allowance.
    const QMargins known = knownFrame(*m_dialog);
    const QMargins room = known.isNull() ? FrameAllowance : known;
    const QRect spot = besideRect(bar, m_dialog->size().grownBy(room), screen->geometry());
    placeInside(spot, room);
}

// The dialog itself goes in by the frame's margins, so its frame fills `spot`. Not with move():
// it would place the frame only by the frame the widget has cached, which stays empty well
// after the window manager has framed the dialog.
void DialogPlacement::placeInside(const QRect &spot, const QMargins &frame)
{
    m_dialog->setGeometry(
        QRect(spot.topLeft() + QPoint(frame.left(), frame.top()), m_dialog->size()));
}

// Once the window manager has framed the dialog, its real frame is known: if it came out larger
// than allowed for and now meets the bar or leaves the screen, place it again by the real size.
void DialogPlacement::correctForFrame()
{
    if (!m_anchor || !m_dialog->isVisible())
        return;
    const QMargins margins = knownFrame(*m_dialog);
    const QRect frame = m_dialog->geometry().marginsAdded(margins);
    const QRect bar = m_anchor->frameGeometry();
    const QScreen *screen = m_anchor->screen();
    if (!screen || (!frame.intersects(bar) && screen->geometry().contains(frame)))
        return;
    placeInside(besideRect(bar, frame.size(), screen->geometry()), margins);
}
