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

const QString Form3::ClosingMessage = QStringLiteral("时间到，谢谢！");

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
    m_services.windows.watchPrimaryScreen(this, [this](const QRect &, const QRect &) {
        if (isLoaded())
            m_window->setGeometry(centredGeometry());
    });
}

QRect Form3::centredGeometry() const
{
    const QRect screen = m_services.windows.primaryScreenGeometry();
    return QRect(screen.x() + halfToEven(screen.width() - Layout::NoticeWidthPx),
                 screen.y() + halfToEven(screen.height() - Layout::NoticeHeightPx),
                 Layout::NoticeWidthPx, Layout::NoticeHeightPx);
}

Form3::~Form3()
{
    delete m_window.data();
}

void Form3::load()
{
    auto *window = new NoticeForm(m_services.clock);
    m_window = window;
    connect(window->Timer1, &MetronomeTimer::timeout, this, &Form3::onTimer1);
    connect(window->Timer2, &MetronomeTimer::timeout, this, &Form3::onTimer2);

    m_services.windows.showTopmost(window, centredGeometry());
    m_services.windows.keepOnTop(window);

    window->Timer1->setEnabled(true);

    m_counter.load(m_bar.reminderText().toInt());
    showTwoDigits(m_counter.noticeSeconds, window->Image1, window->Image2, m_services.strip);

    const QSize digit = Layout::NoticeDigitSize.toPixels().size();
    for (PictureBox *image : {window->Image1, window->Image2}) {
        image->setStretch(true);
        image->resize(digit);
    }
    window->Timer2->setEnabled(false);
}

void Form3::open()
{
    if (!isLoaded())
        load();
    if (!m_window->isVisible())
        m_window->show();
    m_window->raise();
}

void Form3::openClosingMessage()
{
    if (!isLoaded())
        load();
    m_window->showClosingMessage(ClosingMessage);
    open();
}

void Form3::unload()
{
    if (!isLoaded())
        return;
    NoticeForm *window = m_window.data();
    m_window.clear();
    m_services.sound.stop();
    window->Timer1->setEnabled(false);
    window->Timer2->setEnabled(false);
    window->hide();
    // May run inside one of the window's own timer ticks.
    window->deleteLater();
}

void Form3::onTimer1()
{
    NoticeForm *window = m_window.data();
    if (!window)
        return;
    const NoticeCounter::Step step = m_counter.tick();
    if (step == NoticeCounter::Step::Closing) {
        window->showClosingMessage(ClosingMessage);
        window->Timer1->setEnabled(false);
        window->Timer2->setEnabled(true);
        return;
    }
    showTwoDigits(m_counter.noticeSeconds, window->Image1, window->Image2, m_services.strip);
    if (step == NoticeCounter::Step::CountedWithSound)
        m_services.sound.play(m_bar.soundPath());
}

void Form3::onTimer2()
{
    if (m_counter.closingTick())
        unload();
}
