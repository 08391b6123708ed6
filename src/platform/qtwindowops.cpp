#include "qtwindowops.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#if TC_HAVE_XCB
#include <cstdlib>
#include <xcb/xcb.h>
#endif

#include <utility>

QtWindowOps::QtWindowOps(QObject *parent)
    : QObject(parent)
{
    m_raiseTimer.setInterval(1000);
    m_raiseTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_raiseTimer, &QTimer::timeout, this, &QtWindowOps::raiseAll);
    if (qGuiApp) {
        connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &QtWindowOps::followScreen);
        connect(qGuiApp, &QGuiApplication::screenAdded, this, &QtWindowOps::followScreen);
        // Queued: while the signal is out, the going screen is still in the list.
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, &QtWindowOps::followScreen,
                Qt::QueuedConnection);
        followScreen();
    }
}

QScreen *QtWindowOps::findScreen(const QString &nameOrNumber)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (QScreen *s : screens) {
        if (s->name() == nameOrNumber)
            return s;
    }
    bool isNumber = false;
    const int number = nameOrNumber.toInt(&isNumber);
    return isNumber && number >= 0 && number < screens.size() ? screens.at(number) : nullptr;
}

void QtWindowOps::chooseScreen(const QString &nameOrNumber)
{
    m_chosenScreen = nameOrNumber;
    followScreen();
}

QRect QtWindowOps::screenGeometry() const
{
    const QScreen *screen = m_chosenScreen.isEmpty() ? nullptr : findScreen(m_chosenScreen);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

Qt::WindowFlags QtWindowOps::topmostFlags()
{
    return Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
           | Qt::X11BypassWindowManagerHint;
}

void QtWindowOps::showTopmost(QWidget *window, const QRect &geometry)
{
    if ((window->windowFlags() & topmostFlags()) != topmostFlags())
        window->setWindowFlags(window->windowFlags() | topmostFlags());
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setGeometry(geometry);
    window->show();
    window->raise();
}

void QtWindowOps::keepOnTop(QWidget *window)
{
    if (!m_kept.contains(window))
        m_kept.append(window);
    if (!m_raiseTimer.isActive())
        m_raiseTimer.start();
}

namespace {

#if TC_HAVE_XCB
// Only Qt's xcb platform has a connection; others (offscreen) may still answer the X11
// interface, without one.
xcb_connection_t *xcbConnection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// The X window that has the keyboard, or 0 (also for "none" and "pointer root").
quint32 keyboardFocus(xcb_connection_t *connection)
{
    xcb_get_input_focus_reply_t *reply =
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    const quint32 focus = reply && reply->focus > XCB_INPUT_FOCUS_POINTER_ROOT ? reply->focus : 0;
    free(reply);
    return focus;
}
#endif

} // namespace

void QtWindowOps::lendKeyboard(QWidget *window)
{
#if TC_HAVE_XCB
    if (xcb_connection_t *connection = xcbConnection()) {
        const quint32 focus = keyboardFocus(connection);
        if (focus != window->winId())
            m_keyboardLender = focus;
    }
#endif
    window->activateWindow();
}

void QtWindowOps::returnKeyboard(QWidget *window)
{
    const quint32 lender = std::exchange(m_keyboardLender, 0);
#if TC_HAVE_XCB
    xcb_connection_t *connection = xcbConnection();
    if (!connection || !lender || keyboardFocus(connection) != window->winId())
        return;
    // The slide show may have closed meanwhile: its error is expected and stays quiet.
    const xcb_void_cookie_t cookie = xcb_set_input_focus_checked(
        connection, XCB_INPUT_FOCUS_POINTER_ROOT, lender, XCB_CURRENT_TIME);
    free(xcb_request_check(connection, cookie));
#else
    Q_UNUSED(lender);
    Q_UNUSED(window);
#endif
}

void QtWindowOps::watchScreen(QObject *context, ScreenChanged changed)
{
    connect(this, &QtWindowOps::screenChanged, context,
            [changed = std::move(changed)](const QRect &before, const QRect &after) {
                changed(before, after);
            });
}

// Tracks the geometry of whichever screen the windows belong on now (xrandr, a monitor plugged
// in or out, the chosen one gone or back).
void QtWindowOps::followScreen()
{
    QScreen *screen = m_chosenScreen.isEmpty() ? nullptr : findScreen(m_chosenScreen);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    disconnect(m_screenConnection);
    const QRect before = m_screenGeometry;
    m_screenGeometry = screenGeometry();
    if (screen) {
        m_screenConnection =
            connect(screen, &QScreen::geometryChanged, this, [this](const QRect &g) {
                const QRect old = m_screenGeometry;
                m_screenGeometry = g;
                if (old != g)
                    emit screenChanged(old, g);
            });
    }
    if (before.isValid() && before != m_screenGeometry)
        emit screenChanged(before, m_screenGeometry);
}

void QtWindowOps::raiseAll()
{
    m_kept.removeAll(nullptr);
    if (m_kept.isEmpty()) {
        m_raiseTimer.stop();
        return;
    }
    // Raising now would put the bar over its own menu, list or dialog.
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return;
    for (const QPointer<QWidget> &w : std::as_const(m_kept)) {
        if (w->isVisible())
            w->raise();
    }
    flushWindowSystem();
}

void QtWindowOps::flushWindowSystem()
{
#if TC_HAVE_XCB
    // Qt sends queued X requests only when it next handles events; on an idle bar that can
    // be never, and the raise would not reach the window manager until the mouse moves.
    if (xcb_connection_t *connection = xcbConnection())
        xcb_flush(connection);
#endif
}
