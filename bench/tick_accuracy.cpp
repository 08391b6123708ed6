// How punctual are the program's once-a-second ticks? Runs the real bar beside a plain
// QTimer(1000) in one event loop and prints each one's lateness against start + k seconds.
// While the bar counts, the bench also brings up the notice window again and again, the way
// a talk does it (the bar reaches the reminder second), and times the notice's own counting
// timer against its start + k seconds, one showing at a time.
//
//   tick_accuracy [--seconds N] [--busy] [--reminder R] [--sound FILE]
//
// --seconds  length of the run (default 120)
// --busy     keeps another core spinning for the whole run
// --reminder seconds the notice counts per showing, 1-59 (default 59)
// --sound    alert file the notice plays; by default the bar's default path, which holds
//            no sound beside this bench, so the alert stays silent
#include "application.h"
#include "bar.h"
#include "countdown.h"
#include "metronometimer.h"
#include "notice.h"
#include "noticewindow.h"
#include "quietoffscreen.h"
#include "settingspanel.h"
#include "talkoptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace {

struct Series
{
    const char *name;
    QList<double> lateMs; // tick k against start + k * 1000 ms
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

void report(const Series &s)
{
    if (s.lateMs.isEmpty()) {
        std::printf("%-22s no ticks\n", s.name);
        return;
    }
    const double worst = *std::max_element(s.lateMs.cbegin(), s.lateMs.cend());
    std::printf("%-22s ticks %4lld  median %8.2f ms  max %8.2f ms  final drift %8.2f ms\n", s.name,
                static_cast<long long>(s.lateMs.size()), median(s.lateMs), worst, s.lateMs.last());
}

// Every showing is its own schedule, so each one's last tick is its final drift.
void reportShowings(const QList<Series> &showings)
{
    Series all{"notice Timer1", {}};
    QList<double> finals;
    for (const Series &s : showings) {
        all.lateMs << s.lateMs;
        if (!s.lateMs.isEmpty())
            finals << s.lateMs.last();
    }
    report(all);
    if (finals.isEmpty())
        return;
    const auto [least, most] = std::minmax_element(finals.cbegin(), finals.cend());
    std::printf("%-22s showings %lld  final drift per showing: median %.2f ms  range %.2f .. "
                "%.2f ms\n",
                "", static_cast<long long>(showings.size()), median(finals), *least, *most);
}

} // namespace

int main(int argc, char *argv[])
{
    QuietOffscreen::useOffscreen();
    QApplication app(argc, argv);
    int seconds = 120;
    int reminder = 59;
    bool busy = false;
    QString sound;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = std::max(2, args.at(++i).toInt());
        else if (args.at(i) == QLatin1String("--busy"))
            busy = true;
        else if (args.at(i) == QLatin1String("--reminder") && i + 1 < args.size())
            reminder = std::clamp(args.at(++i).toInt(), 1, 59);
        else if (args.at(i) == QLatin1String("--sound") && i + 1 < args.size())
            sound = args.at(++i);
        else {
            std::fprintf(stderr, "usage: tick_accuracy [--seconds N] [--busy] [--reminder R] "
                                 "[--sound FILE]\n");
            return 2;
        }
    }

    std::atomic<bool> stop{false};
    std::thread spinner;
    if (busy) {
        spinner = std::thread([&stop] {
            volatile unsigned long x = 0;
            while (!stop.load(std::memory_order_relaxed))
                x = x + 1;
        });
    }

    Application program{TalkOptions{}};
    Bar &bar = program.bar();
    Notice &notice = program.notice();
    // A talk long enough for the whole run (59:59), with the reminder the notice counts from.
    SettingsPanel::Values values = bar.panel()->values();
    values.minutes = 59;
    values.seconds = 59;
    values.reminder = reminder;
    values.noReminder = false;
    if (!sound.isEmpty())
        values.soundPath = sound;
    bar.panel()->setValues(values);
    bar.applySettings();
    auto *tickTimer = bar.findChild<MetronomeTimer *>(QStringLiteral("Timer1"));

    Series barSeries{"bar Timer1", {}};
    Series plainSeries{"plain QTimer(1000)", {}};
    QList<Series> showings;
    QElapsedTimer clock;
    QTimer plain;
    plain.setInterval(Countdown::TickMs);
    qint64 barStartMs = 0; // on the program's own clock, like the notice's start below
    QPointer<NoticeWindow> shown;
    // A showing lasts its counting ticks and the closing tick.
    const qint64 showingMs = (reminder + 1) * 1000LL;

    auto elapsedMs = [&clock] { return clock.nsecsElapsed() / 1e6; };

    // The bar's tick is put between two of ours: the first times the delivery, before the
    // bar's own work (which may load the notice window); the second steers the talk.
    QObject::disconnect(tickTimer, &MetronomeTimer::timeout, &bar, &Bar::tick);
    QObject::connect(tickTimer, &MetronomeTimer::timeout, &app, [&] {
        const qint64 k = barSeries.lateMs.size() + 1;
        barSeries.lateMs << elapsedMs() - k * 1000.0;
    });
    QObject::connect(tickTimer, &MetronomeTimer::timeout, &bar, &Bar::tick);
    QObject::connect(tickTimer, &MetronomeTimer::timeout, &app, [&] {
        NoticeWindow *form = notice.window();
        if (form && form != shown) {
            // This tick reached the reminder and loaded a fresh notice window.
            shown = form;
            const qint64 startOffsetMs =
                form->countTimer()->nextDeadline() - Countdown::TickMs - barStartMs;
            showings.append(Series{"notice Timer1", {}});
            const qsizetype index = showings.size() - 1;
            // The notice's own handler runs first; it only redraws two digits and may ask
            // for the sound, so this stamp is a fraction of a millisecond after delivery.
            QObject::connect(form->countTimer(), &MetronomeTimer::timeout, &app,
                             [&, index, startOffsetMs] {
                                 Series &s = showings[index];
                                 const qint64 n = s.lateMs.size() + 1;
                                 s.lateMs << elapsedMs() - (startOffsetMs + n * 1000.0);
                             });
            // Wind the bar back up so it never reaches time-up while the notice counts.
            bar.setTimeLeft(59, 59);
        } else if (!notice.isLoaded()
                   && elapsedMs() + 1000.0 + showingMs <= seconds * 1000.0 + 400.0) {
            // Put the bar one second before its reminder point; its next tick opens the notice.
            bar.setTimeLeft(0, reminder + 1);
        }
    });
    QObject::connect(&plain, &QTimer::timeout, &app, [&] {
        const qint64 k = plainSeries.lateMs.size() + 1;
        plainSeries.lateMs << elapsedMs() - k * 1000.0;
    });

    clock.start();
    bar.start();
    barStartMs = tickTimer->nextDeadline() - Countdown::TickMs;
    plain.start();
    QTimer::singleShot(seconds * 1000 + 500, Qt::PreciseTimer, &app, &QCoreApplication::quit);
    std::printf("tick_accuracy: %d s, %s, notice counts %d s per showing\n", seconds,
                busy ? "other core busy" : "idle", reminder);
    std::fflush(stdout);
    app.exec();

    stop = true;
    if (spinner.joinable())
        spinner.join();
    report(barSeries);
    reportShowings(showings);
    report(plainSeries);
    return 0;
}
