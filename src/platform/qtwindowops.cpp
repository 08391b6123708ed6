#include "qtwindowops.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#if TC_HAVE_XCB
#include <xcb/xcb.h>
#endif

QtWindowOps::QtWindowOps(QObject *parent)
    : QObject(parent)
{
    m_raiseTimer.setInterval(1000);
    m_raiseTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_raiseTimer, &QTimer::timeout, this, &QtWindowOps::raiseAll);
    if (qGuiApp) {
        connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this,
                &QtWindowOps::followPrimaryScreen);
        followPrimaryScreen();
    }
}

QRect QtWindowOps::primaryScreenGeometry() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
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

void QtWindowOps::watchPrimaryScreen(QObject *context, ScreenChanged changed)
{
    connect(this, &QtWindowOps::primaryScreenChanged, context,
            [changed = std::move(changed)](const QRect &before, const QRect &after) {
                changed(before, after);
            });
}

// Tracks the geometry of whichever screen is primary now (xrandr, a monitor plugged in).
void QtWindowOps::followPrimaryScreen()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    disconnect(m_screenConnection);
    const QRect before = m_screenGeometry;
    m_screenGeometry = primaryScreenGeometry();
    if (screen) {
        m_screenConnection =
            connect(screen, &QScreen::geometryChanged, this, [this](const QRect &g) {
                const QRect old = m_screenGeometry;
                m_screenGeometry = g;
                if (old != g)
                    emit primaryScreenChanged(old, g);
            });
    }
    if (before.isValid() && before != m_screenGeometry)
        emit primaryScreenChanged(before, m_screenGeometry);
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
    // Only Qt's xcb platform has a connection to flush; others (offscreen) may still answer
    // the X11 interface, without one.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    if (auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
        if (xcb_connection_t *connection = x11->connection())
            xcb_flush(connection);
    }
#endif
}
