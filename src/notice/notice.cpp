#include "notice.h"

#include "layout.h"
#include "metronometimer.h"
#include "noticewindow.h"
#include "soundplayer.h"
#include "windowops.h"

#include <cmath>

QString Notice::closingMessage()
{
    return tr("时间到，谢谢！");
}

namespace {

// Half a pixel goes to the even neighbour (banker's rounding), so the centre is the same on
// every run and screen of the same size.
int halfToEven(int twice)
{
    return int(std::lrint(twice / 2.0));
}

} // namespace

Notice::Notice(const Services &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
{
    m_services.windows.watchScreen(this, [this](const QRect &, const QRect &) {
        if (isLoaded())
            m_window->setGeometry(centredGeometry());
    });
}

QRect Notice::centredGeometry() const
{
    const QRect screen = m_services.windows.screenGeometry();
    return QRect(screen.x() + halfToEven(screen.width() - Layout::NoticeWidthPx),
                 screen.y() + halfToEven(screen.height() - Layout::NoticeHeightPx),
                 Layout::NoticeWidthPx, Layout::NoticeHeightPx);
}

Notice::~Notice()
{
    delete m_window.data();
}

void Notice::load(int seconds, qint64 dueMs)
{
    auto *window = new NoticeWindow(m_services.clock);
    m_window = window;
    m_soundOwed = false;
    connect(window->countTimer(), &MetronomeTimer::timeout, this, &Notice::countTick);
    connect(window->closeTimer(), &MetronomeTimer::timeout, this, &Notice::closeTick);

    m_services.windows.showTopmost(window, centredGeometry());
    m_services.windows.keepOnTop(window);

    window->countTimer()->startAt(dueMs);

    m_counter.load(seconds);
    drawSeconds();

    window->stretchDigits();
    window->closeTimer()->setEnabled(false);
}

void Notice::drawSeconds()
{
    m_window->showSeconds(m_counter.noticeSeconds(), m_services.strip);
}

void Notice::setDetails(int reminderSeconds, const QString &soundPath)
{
    m_reminderSeconds = reminderSeconds;
    m_soundPath = soundPath;
}

void Notice::open(int seconds, qint64 dueMs)
{
    if (!isLoaded())
        load(seconds, dueMs);
    if (!m_window->isVisible())
        m_window->show();
    m_window->raise();
}

void Notice::openClosingMessage(qint64 dueMs)
{
    // The count behind the message runs from the panel's reminder point.
    const int seconds = m_reminderSeconds;
    if (!isLoaded())
        load(seconds, dueMs);
    m_window->showClosingMessage(closingMessage());
    open(seconds, dueMs);
}

void Notice::follow(int seconds)
{
    if (!isLoaded() || !m_window->countTimer()->isEnabled())
        return;
    m_counter.follow(seconds);
    drawSeconds();
}

void Notice::finish(qint64 dueMs, bool owed)
{
    if (!isLoaded()) {
        if (!owed)
            return;
        load(0, dueMs);
        open(0, dueMs);
    }
    const MetronomeTimer *count = m_window->countTimer();
    // Counted down in step with the bar, its own tick says thanks at this very moment.
    const bool ownTickDue = m_counter.noticeSeconds() == 0 && count->nextDeadline() <= dueMs;
    if (count->isEnabled() && !ownTickDue)
        startClosing(dueMs);
}

void Notice::startClosing(qint64 dueMs)
{
    m_soundOwed = false;
    m_window->showClosingMessage(closingMessage());
    m_window->countTimer()->setEnabled(false);
    m_window->closeTimer()->startAt(dueMs);
}

void Notice::unload()
{
    if (!isLoaded())
        return;
    NoticeWindow *window = m_window.data();
    m_window.clear();
    m_services.sound.stop();
    window->countTimer()->setEnabled(false);
    window->closeTimer()->setEnabled(false);
    window->hide();
    // May run inside one of the window's own timer ticks.
    window->deleteLater();
}

void Notice::countTick()
{
    NoticeWindow *window = m_window.data();
    if (!window)
        return;
    const NoticeCounter::Step step = m_counter.tick();
    if (step == NoticeCounter::Step::Closing) {
        // The closing delay runs from when this tick was due, like everything else.
        startClosing(window->countTimer()->lastDue());
        return;
    }
    drawSeconds();
    // Ticks missed in a stall come in a burst: their alerts make one sound, at its end.
    m_soundOwed = m_soundOwed || step == NoticeCounter::Step::CountedWithSound;
    if (m_soundOwed && !window->countTimer()->isBehind()) {
        m_soundOwed = false;
        m_services.sound.play(m_soundPath);
    }
}

void Notice::closeTick()
{
    if (m_counter.closingTick())
        unload();
}
