#include "xwaylandkeyboard.h"

#include "x11.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <chrono>

namespace {

// How often to look whether the window manager has let go of a withdrawn window, and for how
// long at most. KWin and Mutter do so as they handle the unmap, within milliseconds, and gives the
// keyboard back to the window before on its own; the bar is mapped again only after that (in
// the window manager's frame, its position would count from the frame's). The bar's own events
// go on meanwhile: a window manager slow to let go delays only the bar's reappearance.
constexpr std::chrono::milliseconds ReleasePoll{2};
constexpr std::chrono::milliseconds MaxReleaseWait{1000};

} // namespace

XWaylandKeyboard::XWaylandKeyboard(QObject *parent)
    : QObject(parent)
{
    m_releasePoll.setInterval(ReleasePoll);
    connect(&m_releasePoll, &QTimer::timeout, this, &XWaylandKeyboard::mapWhenReleased);
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
        if (way() == Way::UnmanagedWithGrab)
            grabAgain();
        else if (!window->isActiveWindow())
            X11::requestActivation(window);
        return;
    }
    m_lentTo = window;
    // Opened again before the window manager let go of it: it is taken in again as it is.
    m_releasePoll.stop();
    m_releasing = nullptr;
    X11::setWindowType(window, X11::WindowType::Normal);
    if (way() == Way::UnmanagedWithGrab) {
        X11::remap(window);
        X11::grabKeyboard(window);
        return;
    }
    X11::setOverrideRedirect(window, false);
    X11::remap(window);
    X11::requestActivation(window);
}

void XWaylandKeyboard::giveBack(QWidget *window)
{
    if (m_lentTo != window)
        return;
    m_lentTo = nullptr;
    X11::setWindowType(window, X11::WindowType::Notification);
    if (way() == Way::UnmanagedWithGrab) {
        X11::ungrabKeyboard();
        X11::remap(window);
        return;
    }
    // Withdrawn, the window manager lets go of it and focuses the window before it; mapped
    // again before that, it would map it inside its old frame.
    X11::setOverrideRedirect(window, true);
    X11::withdraw(window);
    m_releasing = window;
    m_releaseWaited.start();
    m_releasePoll.start();
}

// Maps the withdrawn window again once the window manager has let go of it, with the size and
// place the caller has given it meanwhile (a window manager may drop a resize asked for while
// it let go).
void XWaylandKeyboard::mapWhenReleased()
{
    QWidget *window = m_releasing;
    if (window && X11::heldByWindowManager(window)
        && m_releaseWaited.elapsed() < MaxReleaseWait.count())
        return;
    m_releasePoll.stop();
    m_releasing = nullptr;
    if (!window || !window->isVisible())
        return;
    const qreal scale = window->devicePixelRatioF();
    const QRect g = window->geometry();
    X11::mapAt(window, QRect((QPointF(g.topLeft()) * scale).toPoint(),
                             (QSizeF(g.size()) * scale).toSize()));
    window->raise();
}

void XWaylandKeyboard::grabAgain()
{
    if (!m_lentTo || way() != Way::UnmanagedWithGrab || !m_lentTo->isVisible()
        || QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return;
    X11::grabKeyboard(m_lentTo);
}
