#include "qtwindowops.h"

#include "stackingwatcher.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QWidget>
#include <QWindow>

#if TC_HAVE_XCB
#include <cstdlib>
#include <xcb/xcb.h>
#endif

#include <utility>

QtWindowOps::QtWindowOps(QObject *parent)
    : QtWindowOps(Options(), parent)
{}

QtWindowOps::QtWindowOps(const Options &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_watcher(new StackingWatcher(this))
{
    m_clock.start();
    connect(m_watcher, &StackingWatcher::stackingChanged, this, &QtWindowOps::restackIfCovered);
    m_fallbackTimer.setInterval(m_options.fallbackRaise);
    m_fallbackTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_fallbackTimer, &QTimer::timeout, this, &QtWindowOps::restackIfCovered);
    m_budgetTimer.setSingleShot(true);
    connect(&m_budgetTimer, &QTimer::timeout, this, &QtWindowOps::restackIfCovered);
    if (qGuiApp) {
        connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &QtWindowOps::followScreen);
        connect(qGuiApp, &QGuiApplication::screenAdded, this, &QtWindowOps::followScreen);
        // Queued: while the signal is out, the going screen is still in the list.
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, &QtWindowOps::followScreen,
                Qt::QueuedConnection);
        followScreen();
    }
}

QtWindowOps::~QtWindowOps() = default;

bool QtWindowOps::watchesStacking() const
{
    return m_watcher->isWatching();
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

bool QtWindowOps::chooseScreen(const QString &nameOrNumber)
{
    if (!findScreen(nameOrNumber))
        return false;
    m_chosenScreen = nameOrNumber;
    followScreen();
    return true;
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
    flushWindowSystem();
}

void QtWindowOps::keepOnTop(QWidget *window)
{
    if (!m_kept.contains(window))
        m_kept.append(window);
    if (!watchesStacking() && m_options.fallbackRaise.count() > 0 && !m_fallbackTimer.isActive())
        m_fallbackTimer.start();
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

void QtWindowOps::restackIfCovered()
{
    m_kept.removeAll(nullptr);
    if (m_kept.isEmpty()) {
        m_fallbackTimer.stop();
        return;
    }
    QList<StackingWatcher::WindowId> shown;
    for (const QPointer<QWidget> &w : std::as_const(m_kept)) {
        if (w->isVisible() && w->internalWinId())
            shown << StackingWatcher::WindowId(w->internalWinId());
    }
    if (shown.isEmpty() || ownWindowOpen())
        return;
    if (watchesStacking()) {
        QSet<StackingWatcher::WindowId> ours;
        for (const QWindow *w : QGuiApplication::allWindows()) {
            if (w->handle())
                ours.insert(StackingWatcher::WindowId(w->winId()));
        }
        if (!m_watcher->othersAbove(shown, ours))
            return;
    }
    if (withinRaiseBudget())
        raiseAll();
}

// Raising now would put the bar over its own menu, list or dialog: it waits for that to close.
bool QtWindowOps::ownWindowOpen()
{
    QWidget *open = QApplication::activePopupWidget();
    if (!open)
        open = QApplication::activeModalWidget();
    if (!open)
        return false;
    if (open != m_ownWindow) {
        if (m_ownWindow)
            m_ownWindow->removeEventFilter(this);
        m_ownWindow = open;
        open->installEventFilter(this);
        connect(open, &QObject::destroyed, this, &QtWindowOps::restackIfCovered,
                Qt::QueuedConnection);
    }
    return true;
}

bool QtWindowOps::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ownWindow && event->type() == QEvent::Hide) {
        m_ownWindow->removeEventFilter(this);
        m_ownWindow = nullptr;
        // Once the window is really gone, and the next popup or dialog (if any) is up.
        QTimer::singleShot(0, this, &QtWindowOps::restackIfCovered);
    }
    return QObject::eventFilter(watched, event);
}

bool QtWindowOps::withinRaiseBudget()
{
    const qint64 now = m_clock.elapsed();
    while (!m_raiseTimes.isEmpty() && now - m_raiseTimes.first() >= 1000)
        m_raiseTimes.removeFirst();
    if (m_raiseTimes.size() < m_options.maxRaisesPerSecond) {
        m_raiseTimes << now;
        return true;
    }
    if (!m_budgetTimer.isActive())
        m_budgetTimer.start(int(1000 - (now - m_raiseTimes.first())));
    return false;
}

void QtWindowOps::raiseAll()
{
    for (const QPointer<QWidget> &w : std::as_const(m_kept)) {
        if (w->isVisible())
            w->raise();
    }
    flushWindowSystem();
    emit raised();
}

void QtWindowOps::flushWindowSystem()
{
#if TC_HAVE_XCB
    // Qt sends queued X requests only when it next handles events; on an idle bar that can
    // be much later, and the raise would not reach the server until the mouse moves.
    if (xcb_connection_t *connection = xcbConnection())
        xcb_flush(connection);
#endif
}
