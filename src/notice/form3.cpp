#include "form3.h"

#include "layout.h"
#include "metronometimer.h"
#include "noticeform.h"
#include "picturebox.h"
#include "showtwodigits.h"
#include "soundplayer.h"
#include "windowops.h"

#include <QLabel>

#include <cmath>

QString Form3::closingMessage()
{
    return tr("时间到，谢谢！");
}

namespace {

// Half a pixel goes to the even neighbour, as the original placement rounds.
int halfToEven(int twice)
{
    return int(std::lrint(twice / 2.0));
}

} // namespace

Form3::Form3(const Services &services, BarReadout bar, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_bar(std::move(bar))
{
    m_services.windows.watchScreen(this, [this](const QRect &, const QRect &) {
        if (isLoaded())
            m_window->setGeometry(centredGeometry());
    });
}

QRect Form3::centredGeometry() const
{
    const QRect screen = m_services.windows.screenGeometry();
    return QRect(screen.x() + halfToEven(screen.width() - Layout::NoticeWidthPx),
                 screen.y() + halfToEven(screen.height() - Layout::NoticeHeightPx),
                 Layout::NoticeWidthPx, Layout::NoticeHeightPx);
}

Form3::~Form3()
{
    delete m_window.data();
}

void Form3::load(qint64 dueMs)
{
    auto *window = new NoticeForm(m_services.clock);
    m_window = window;
    m_soundOwed = false;
    connect(window->countTimer, &MetronomeTimer::timeout, this, &Form3::countTick);
    connect(window->closeTimer, &MetronomeTimer::timeout, this, &Form3::closeTick);

    m_services.windows.showTopmost(window, centredGeometry());
    m_services.windows.keepOnTop(window);

    window->countTimer->startAt(dueMs);

    m_counter.load(m_bar.reminderText().toInt());
    showTwoDigits(m_counter.noticeSeconds(), window->tensDigit, window->unitsDigit,
                  m_services.strip);

    const QSize digit = Layout::NoticeDigitSize.toPixels().size();
    for (PictureBox *image : {window->tensDigit, window->unitsDigit}) {
        image->setStretch(true);
        image->resize(digit);
    }
    window->closeTimer->setEnabled(false);
}

void Form3::open(qint64 dueMs)
{
    if (!isLoaded())
        load(dueMs);
    if (!m_window->isVisible())
        m_window->show();
    m_window->raise();
}

void Form3::openClosingMessage(qint64 dueMs)
{
    if (!isLoaded())
        load(dueMs);
    m_window->showClosingMessage(closingMessage());
    open(dueMs);
}

void Form3::unload()
{
    if (!isLoaded())
        return;
    NoticeForm *window = m_window.data();
    m_window.clear();
    m_services.sound.stop();
    window->countTimer->setEnabled(false);
    window->closeTimer->setEnabled(false);
    window->hide();
    // May run inside one of the window's own timer ticks.
    window->deleteLater();
}

void Form3::countTick()
{
    NoticeForm *window = m_window.data();
    if (!window)
        return;
    const NoticeCounter::Step step = m_counter.tick();
    if (step == NoticeCounter::Step::Closing) {
        m_soundOwed = false;
        window->showClosingMessage(closingMessage());
        // The closing delay runs from when this tick was due, like everything else.
        const qint64 due = window->countTimer->lastDue();
        window->countTimer->setEnabled(false);
        window->closeTimer->startAt(due);
        return;
    }
    showTwoDigits(m_counter.noticeSeconds(), window->tensDigit, window->unitsDigit,
                  m_services.strip);
    // Ticks missed in a stall come in a burst: their alerts make one sound, at its end.
    m_soundOwed = m_soundOwed || step == NoticeCounter::Step::CountedWithSound;
    if (m_soundOwed && !window->countTimer->isBehind()) {
        m_soundOwed = false;
        m_services.sound.play(m_bar.soundPath());
    }
}

void Form3::closeTick()
{
    if (m_counter.closingTick())
        unload();
}
