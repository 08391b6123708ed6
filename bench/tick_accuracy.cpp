// How punctual is the bar's once-a-second tick? Runs the real bar's timer beside a plain
// QTimer(1000) in one event loop and prints each one's lateness against start + k seconds.
//
//   tick_accuracy [--seconds N] [--busy]
//
// --busy keeps another core spinning for the whole run.
#include "application.h"
#include "form2.h"
#include "metronometimer.h"
#include "settingspanel.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
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

void report(const Series &s)
{
    if (s.lateMs.isEmpty()) {
        std::printf("%-22s no ticks\n", s.name);
        return;
    }
    QList<double> sorted = s.lateMs;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted.at(sorted.size() / 2);
    std::printf("%-22s ticks %4lld  median %8.2f ms  max %8.2f ms  final drift %8.2f ms\n", s.name,
                static_cast<long long>(s.lateMs.size()), median, sorted.last(), s.lateMs.last());
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 120;
    bool busy = false;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = std::max(2, args.at(++i).toInt());
        else if (args.at(i) == QLatin1String("--busy"))
            busy = true;
    }

    std::atomic<bool> stop{false};
    std::thread spinner;
    if (busy) {
        spinner = std::thread([&stop] {
            volatile unsigned long x = 0;
            while (!stop.load(std::memory_order_relaxed))
                ++x;
        });
    }

    Application program;
    Form2 &bar = program.bar();
    // A talk long enough for the whole run: 59:59.
    bar.panel()->Combo1->setCurrentIndex(59);
    bar.panel()->Combo2->setCurrentIndex(59);
    bar.applySettings();

    Series barSeries{"bar Timer1", {}};
    Series plainSeries{"plain QTimer(1000)", {}};
    QElapsedTimer clock;
    QTimer plain;
    plain.setInterval(1000);

    QObject::connect(bar.Timer1, &MetronomeTimer::timeout, &app, [&] {
        const qint64 k = barSeries.lateMs.size() + 1;
        barSeries.lateMs << clock.nsecsElapsed() / 1e6 - k * 1000.0;
    });
    QObject::connect(&plain, &QTimer::timeout, &app, [&] {
        const qint64 k = plainSeries.lateMs.size() + 1;
        plainSeries.lateMs << clock.nsecsElapsed() / 1e6 - k * 1000.0;
    });

    clock.start();
    bar.start();
    plain.start();
    QTimer::singleShot(seconds * 1000 + 500, &app, &QCoreApplication::quit);
    std::printf("tick_accuracy: %d s, %s\n", seconds, busy ? "other core busy" : "idle");
    std::fflush(stdout);
    app.exec();

    stop = true;
    if (spinner.joinable())
        spinner.join();
    report(barSeries);
    report(plainSeries);
    return 0;
}
