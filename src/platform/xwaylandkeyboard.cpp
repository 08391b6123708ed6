#include "xwaylandkeyboard.h"

#include "x11.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <thread>
#include <utility>

namespace {

// How often to look whether the window manager has let go of a withdrawn window, and for how
// long at most: KWin and Mutter do so within milliseconds of the withdrawal, and the bar must
// not be resized before (inside the window manager's frame, its position would count from the
// frame's, and the bar would land off the screen). Longer than that, the panel closing would
// stall. The keyboard goes back to the show meanwhile: the compositor returns it on the unmap.
constexpr std::chrono::milliseconds ReleasePoll{2};
constexpr std::chrono::milliseconds MaxReleaseWait{500};

} // namespace

XWaylandKeyboard::XWaylandKeyboard(QObject *parent)
    : QObject(parent)
{
    // A popup list or menu of ours takes the keyboard grab, and closing it drops the grab:
    // the window takes it again once our focus has settled.
    if (qGuiApp) {
        connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &XWaylandKeyboard::grabAgain,
                Qt::QueuedConnection);
    }
}

// wlroots' own window manager names itself so; the wlroots compositors (sway among them) focus
// unmanaged windows and never put a managed one above a full-screen window.
XWaylandKeyboard::Way XWaylandKeyboard::way()
{
    static const Way chosen = X11::windowManagerName() == QLatin1String("wlroots wm")
                                  ? Way::UnmanagedWithGrab
                                  : Way::Managed;
    return chosen;
}

void XWaylandKeyboard::lend(QWidget *window)
{
    if (m_lentTo == window) {
        // Lent already; a click brought the user back to it (the compositor focuses it on the
        // click by itself). Mapping it again here would cost that click.
        if (way() == Way::UnmanagedWithGrab) {
            // The window is a notification: a click into it gave the compositor's keyboard to
            // nobody. After the pointer was elsewhere, the keyboard may be too.
            if (std::exchange(m_pointerLeft, false))
                mapTaker(window);
            grabAgain();
        } else if (!window->isActiveWindow())
            X11::requestActivation(window);
        return;
    }
    m_lentTo = window;
    if (way() == Way::UnmanagedWithGrab) {
        m_pointerLeft = false;
        window->installEventFilter(this);
        qApp->installEventFilter(this);
        mapTaker(window);
        X11::grabKeyboard(window);
        return;
    }
    X11::setWindowType(window, X11::WindowType::Normal);
    X11::setOverrideRedirect(window, false);
    X11::remap(window);
    X11::requestActivation(window);
}

void XWaylandKeyboard::giveBack(QWidget *window)
{
    if (m_lentTo != window)
        return;
    m_lentTo = nullptr;
    if (way() == Way::UnmanagedWithGrab) {
        window->removeEventFilter(this);
        qApp->removeEventFilter(this);
        X11::ungrabKeyboard();
        // The compositor gives the keyboard back to the window that had it before the taker.
        if (m_taker)
            m_taker->hide();
        X11::flush();
        return;
    }
    X11::setWindowType(window, X11::WindowType::Notification);
    // Withdrawn, the window manager lets go of it and focuses the window before it; mapped
    // again before that, it would map it inside its old frame.
    X11::setOverrideRedirect(window, true);
    X11::withdraw(window);
    QElapsedTimer waited;
    waited.start();
    while (X11::heldByWindowManager(window) && waited.elapsed() < MaxReleaseWait.count())
        std::this_thread::sleep_for(ReleasePoll);
    // Mapped once the bar has taken its new size and place, as the caller gives it them now.
    QTimer::singleShot(0, window, [window] {
        if (!window->isVisible())
            return;
        const qreal scale = window->devicePixelRatioF();
        const QRect g = window->geometry();
        X11::mapAt(window, QRect((QPointF(g.topLeft()) * scale).toPoint(),
                                 (QSizeF(g.size()) * scale).toSize()));
        window->raise();
    });
}

void XWaylandKeyboard::grabAgain()
{
    if (!m_lentTo || way() != Way::UnmanagedWithGrab || !m_lentTo->isVisible()
        || QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return;
    X11::grabKeyboard(m_lentTo);
}

// Maps the taker, again if it is mapped: as it maps, the compositor gives it the keyboard. It
// covers one pixel at the window's top-left corner, in the window's background colour, above
// the window (the compositor stacks unmanaged windows in the order they map); never under the
// pointer on the window's controls.
void XWaylandKeyboard::mapTaker(QWidget *window)
{
    if (!m_taker) {
        m_taker = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint
                                           | Qt::X11BypassWindowManagerHint);
        m_taker->setAttribute(Qt::WA_ShowWithoutActivating);
        m_taker->setAttribute(Qt::WA_QuitOnClose, false);
        m_taker->setAttribute(Qt::WA_DeleteOnClose);
        m_taker->setAutoFillBackground(true);
        m_taker->setWindowTitle(window->windowTitle());
        connect(this, &QObject::destroyed, m_taker, &QWidget::close);
    }
    m_taker->setPalette(window->palette());
    m_taker->setGeometry(QRect(window->geometry().topLeft(), QSize(1, 1)));
    m_taker->winId();
    X11::setWindowType(m_taker, X11::WindowType::Normal);
    // Through Qt, so it paints the window again: the compositor maps it only with a picture.
    m_taker->hide();
    m_taker->show();
    X11::flush();
}

bool XWaylandKeyboard::eventFilter(QObject *watched, QEvent *event)
{
    // sway gives the keyboard to a popup list or menu of ours as it maps, and as it unmaps, back
    // to its transient parent only if that parent takes the keyboard, which the notification
    // does not: the taker becomes its parent, before the popup maps (Qt sends the show event
    // first, and sets WM_TRANSIENT_FOR from the transient parent as it maps the window).
    if (event->type() == QEvent::Show && m_taker && m_lentTo && watched->isWidgetType()) {
        auto *popup = static_cast<QWidget *>(watched);
        if (popup->windowType() == Qt::Popup && popup->windowHandle() && m_taker->windowHandle())
            popup->windowHandle()->setTransientParent(m_taker->windowHandle());
    }
    // Into a popup list or menu of ours, or a dialog, the keyboard goes with the pointer.
    if (watched == m_lentTo && event->type() == QEvent::Leave && !QApplication::activePopupWidget()
        && !QApplication::activeModalWidget())
        m_pointerLeft = true;
    return false;
}
