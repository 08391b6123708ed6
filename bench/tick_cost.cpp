// What one tick costs: runs the real bar and notice window offscreen on a clock that moves only
// when told, and delivers N bar ticks, then N notice ticks, each through a function of its own
// so callgrind can count them alone:
//
//   valgrind --tool=callgrind --collect-atstart=no --toggle-collect='tc_bench_*'
//            tick_cost [--ticks N]
//
//   tc_bench_bar_tick     the bar's timer delivering one second (Bar::tick and its redraw
//                         requests)
//   tc_bench_bar_paint    the repaint that second asks for, up to the window's backing store
//   tc_bench_notice_tick  the same for the notice window's counting timer (Notice's handler);
//   tc_bench_notice_paint   the alert is asked for on every fourth tick, from a stand-in
//                         player here, so playback itself is not counted
//
// Without valgrind it prints the wall time per call instead, which is only a rough guide.
#include "bar.h"
#include "barpicture.h"
#include "clock.h"
#include "glyphstrip.h"
#include "metronometimer.h"
#include "notice.h"
#include "noticewindow.h"
#include "picturebox.h"
#include "pictureclip.h"
#include "qtfiledialog.h"
#include "qtmessagebox.h"
#include "qtwindowops.h"
#include "quietoffscreen.h"
#include "settingspanel.h"
#include "soundplayer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>

#include <algorithm>
#include <cstdio>

namespace {

// Time stands still between ticks, so nothing but the tick under test ever falls due.
class ManualClock final : public Clock
{
public:
    qint64 nowMs() const override { return m_now; }
    void advance(qint64 ms) { m_now += ms; }

private:
    qint64 m_now = 1'000'000;
};

class CountingSound final : public SoundPlayer
{
public:
    void play(const QString &) override { ++plays; }
    void stop() override {}
    int plays = 0;
};

// Counts paint events, to show that each tick's redraw really happened.
class PaintCounter final : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

// The measured steps. Plain C names and no inlining, so a --toggle-collect pattern finds them.
extern "C" {
__attribute__((noinline)) void tc_bench_bar_tick(ManualClock *clock, MetronomeTimer *timer)
{
    clock->advance(1000);
    timer->processDue();
}
__attribute__((noinline)) void tc_bench_bar_paint()
{
    QCoreApplication::sendPostedEvents();
}
__attribute__((noinline)) void tc_bench_notice_tick(ManualClock *clock, MetronomeTimer *timer)
{
    clock->advance(1000);
    timer->processDue();
}
__attribute__((noinline)) void tc_bench_notice_paint()
{
    QCoreApplication::sendPostedEvents();
}
}

namespace {

// Lets the windows come up (or go) before anything is measured.
void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void warmTick(ManualClock &clock, MetronomeTimer *timer)
{
    clock.advance(1000);
    timer->processDue();
    QCoreApplication::sendPostedEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    QuietOffscreen::useOffscreen();
    QApplication app(argc, argv);
    int ticks = 200;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--ticks") && i + 1 < args.size()) {
            ticks = std::clamp(args.at(++i).toInt(), 1, 3000);
        } else {
            std::fprintf(stderr, "usage: tick_cost [--ticks N]\n");
            return 2;
        }
    }
    constexpr int warmUp = 3;

    // Built as the program builds its windows, with the clock and the sound player swapped.
    ManualClock clock;
    QtWindowOps windows;
    QtMessageBox messages;
    QtFileDialog fileDialog;
    CountingSound sound;
    const PictureClip strip(GlyphStrip::render(qApp->devicePixelRatio()), 1, GlyphStrip::Columns);
    Notice notice({clock, windows, sound, strip});
    Bar bar(
        {clock, windows, messages, fileDialog, strip, BarPicture::render(qApp->devicePixelRatio())},
        notice);
    bar.load();

    // A 59:59 talk with the reminder at 59 s: the bar's ticks never reach it here.
    constexpr int Reminder = 59;
    SettingsPanel::Values values = bar.panel()->values();
    values.minutes = 59;
    values.seconds = 59;
    values.reminder = Reminder;
    values.noReminder = false;
    bar.panel()->setValues(values);
    bar.applySettings();
    auto *tickTimer = bar.findChild<MetronomeTimer *>(QStringLiteral("Timer1"));
    bar.start();
    settle();

    PaintCounter barPaints;
    bar.findChild<PictureBox *>(QStringLiteral("Image5"))->installEventFilter(&barPaints);
    for (int i = 0; i < warmUp; ++i)
        warmTick(clock, tickTimer);
    barPaints.paints = 0;

    QElapsedTimer wall;
    wall.start();
    for (int i = 0; i < ticks; ++i) {
        tc_bench_bar_tick(&clock, tickTimer);
        tc_bench_bar_paint();
    }
    const double barNs = double(wall.nsecsElapsed()) / ticks;
    const int barRepaints = barPaints.paints;
    tickTimer->setEnabled(false);

    // The notice counts at most 59 s a showing; bring it up again as often as needed and
    // leave each showing's closing tick out.
    int noticeTicks = 0;
    int noticeRepaints = 0;
    int showings = 0;
    qint64 noticeNs = 0;
    const int playsBefore = sound.plays;
    while (noticeTicks < ticks) {
        notice.unload();
        settle();
        notice.open(Reminder, clock.nowMs());
        settle();
        ++showings;
        NoticeWindow *form = notice.window();
        PaintCounter paints;
        form->findChild<PictureBox *>(QStringLiteral("Image2"))->installEventFilter(&paints);
        for (int i = 0; i < warmUp && notice.counter().noticeSeconds() > 0; ++i)
            warmTick(clock, form->countTimer());
        paints.paints = 0;
        wall.restart();
        while (noticeTicks < ticks && notice.counter().noticeSeconds() > 0) {
            tc_bench_notice_tick(&clock, form->countTimer());
            tc_bench_notice_paint();
            ++noticeTicks;
        }
        noticeNs += wall.nsecsElapsed();
        noticeRepaints += paints.paints;
        form->findChild<PictureBox *>(QStringLiteral("Image2"))->removeEventFilter(&paints);
    }
    notice.unload();
    settle();

    std::printf("tick_cost: %d bar ticks, %d notice ticks over %d showing(s), %d alert "
                "request(s)\n",
                ticks, noticeTicks, showings, sound.plays - playsBefore);
    std::printf("tick_cost: last digit repainted %d times for the bar, %d for the notice\n",
                barRepaints, noticeRepaints);
    std::printf("tick_cost: wall time per tick with redraw: bar %.1f us, notice %.1f us "
                "(rough; use callgrind)\n",
                barNs / 1e3, double(noticeNs) / noticeTicks / 1e3);
    return 0;
}
