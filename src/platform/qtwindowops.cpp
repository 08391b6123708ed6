#include "qtwindowops.h"

#include "showwatcher.h"
#include "stackingwatcher.h"
#include "x11.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QWidget>
#include <QWindow>

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

QString QtWindowOps::screenList()
{
    QStringList names;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (qsizetype i = 0; i < screens.size(); ++i)
        names << QStringLiteral("%1 (%2)").arg(screens.at(i)->name()).arg(i);
    return names.join(u", ");
}

bool QtWindowOps::chooseScreen(const QString &nameOrNumber)
{
    if (!findScreen(nameOrNumber))
        return false;
    awaitScreen(nameOrNumber);
    return true;
}

void QtWindowOps::awaitScreen(const QString &nameOrNumber)
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
    // A compositor on XWayland would give the window the keyboard as it maps.
    if (X11::isXWayland() && !window->isVisible()) {
        window->winId();
        X11::setWindowType(window, X11::WindowType::Notification);
    }
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

void QtWindowOps::lendKeyboard(QWidget *window)
{
    m_owedLender = 0;
    const quint32 focus = X11::inputFocus();
    if (focus != window->internalWinId())
        m_keyboardLender = focus;
    m_keyboardLent = true;
    // XWayland: the compositor decides who has the keyboard.
    if (X11::isXWayland()) {
        m_xwaylandKeyboard.lend(window);
        return;
    }
    window->activateWindow();
}

void QtWindowOps::returnKeyboard(QWidget *window)
{
    const quint32 lender = std::exchange(m_keyboardLender, 0);
    if (!std::exchange(m_keyboardLent, false))
        return;
    if (X11::isXWayland()) {
        // The X focus says nothing here. Unmapping the window that has the keyboard makes the
        // compositor give it back to the window it had before; if the user has clicked
        // elsewhere meanwhile, unmapping changes nothing.
        m_xwaylandKeyboard.giveBack(window);
        return;
    }
    // Only if the keyboard is still here: the user may have clicked elsewhere meanwhile. A
    // dialog of ours that has it hands it on when it closes.
    if (lender && X11::inputFocus() == window->internalWinId())
        X11::setInputFocus(lender);
    else if (lender && QApplication::activeModalWidget())
        m_owedLender = lender;
}

void QtWindowOps::dialogClosed(QWidget *window)
{
    // Some window managers move the focus only after the dialog is unmapped: each hand-over
    // is asked for again after this long.
    constexpr int AskAgainMs = 250;
    if (m_keyboardLent) {
        if (!window->isVisible())
            return;
        window->activateWindow();
        QTimer::singleShot(AskAgainMs, window, [this, window] {
            if (m_keyboardLent && window->isVisible() && !window->isActiveWindow())
                window->activateWindow();
        });
        return;
    }
    const quint32 lender = std::exchange(m_owedLender, 0);
    if (!lender)
        return;
    X11::setInputFocus(lender);
    QTimer::singleShot(AskAgainMs, window, [this, lender] {
        const quint32 focus = X11::inputFocus();
        // Nobody, or a window of ours, has it: the window manager's choice.
        if (!m_keyboardLent && (focus == 0 || QGuiApplication::focusWindow()))
            X11::setInputFocus(lender);
    });
}

void QtWindowOps::watchScreen(QObject *context, ScreenChanged changed)
{
    connect(this, &QtWindowOps::screenChanged, context,
            [changed = std::move(changed)](const QRect &before, const QRect &after) {
                changed(before, after);
            });
}

bool QtWindowOps::seesShows() const
{
    return ShowWatcher::canWatch();
}

void QtWindowOps::watchShows(QObject *context, ShowsChanged changed)
{
    stopWatchingShows();
    m_shows = new ShowWatcher(this);
    connect(m_shows, &ShowWatcher::showsChanged, context, changed);
    changed(int(m_shows->shows().size()));
}

void QtWindowOps::stopWatchingShows()
{
    delete std::exchange(m_shows, nullptr);
}

// Tracks the geometry of whichever screen the windows belong on now (xrandr, a monitor plugged
// in or out, the chosen one gone or back).
void QtWindowOps::followScreen()
{
    QScreen *screen = m_chosenScreen.isEmpty() ? nullptr : findScreen(m_chosenScreen);
    // A number picks a screen once; from then on the windows follow that screen by its name,
    // wherever the list puts it when monitors come and go.
    if (screen && !screen->name().isEmpty())
        m_chosenScreen = screen->name();
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
    X11::flush();
}
