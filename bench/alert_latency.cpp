// From the notice tick that asks for the alert to the alert's first sound in the sound
// server's output. Runs the real notice window (offscreen) with the real player, and records
// the sink's monitor with parecord at the same time, reading its raw output as it comes so
// every block of samples gets a time of arrival on the same monotonic clock as the ticks.
//
//   alert_latency [--plays N] [--sound FILE] [--device SOURCE] [--wav OUT.wav]
//                 [--threshold LEVEL]
//
// Run it where PulseAudio is reachable, e.g. tests/desktop/with-desktop.sh --sound, which
// provides a null sink and names its monitor in TC_PULSE_MONITOR (the default --device).
//
// Sample n of the recording was in the server no later than block arrival - (samples after n)
// / rate; the tightest such bound over the nearby blocks places the recording on the clock.
// The real time of a sample can only be earlier than that, so the latencies printed are upper
// bounds, too high by at most the quickest block's delivery delay.
#include "application.h"
#include "bar.h"
#include "metronometimer.h"
#include "notice.h"
#include "noticewindow.h"
#include "quietoffscreen.h"
#include "settingspanel.h"
#include "talkoptions.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr int Rate = 44100;

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct Block
{
    qsizetype endSample; // samples received so far, this block included
    double arrivedMs;
};

// parecord writing raw mono 16-bit samples into a pipe that a thread drains.
class Recorder
{
public:
    bool start(const QString &device)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addclose(&actions, fds[1]);
        const QByteArray deviceArg = "--device=" + device.toLocal8Bit();
        const QByteArray rateArg = "--rate=" + QByteArray::number(Rate);
        char *argv[] = {const_cast<char *>("parecord"),
                        const_cast<char *>("--raw"),
                        const_cast<char *>(deviceArg.constData()),
                        const_cast<char *>("--latency-msec=10"),
                        const_cast<char *>("--format=s16le"),
                        const_cast<char *>(rateArg.constData()),
                        const_cast<char *>("--channels=1"),
                        nullptr};
        const int rc = posix_spawnp(&m_pid, "parecord", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (rc != 0) {
            close(fds[0]);
            std::fprintf(stderr, "alert_latency: cannot start parecord: %s\n", std::strerror(rc));
            return false;
        }
        m_fd = fds[0];
        m_reader = std::thread([this] { drain(); });
        return true;
    }

    void stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = 0;
        }
        if (m_reader.joinable())
            m_reader.join();
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }

    qsizetype received() const { return m_received.load(); }

    // Only after stop().
    const std::vector<qint16> &samples() const { return m_samples; }
    const std::vector<Block> &blocks() const { return m_blocks; }

private:
    void drain()
    {
        char buffer[4096];
        std::vector<char> pending;
        for (;;) {
            const ssize_t n = read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            const double at = nowMs();
            pending.insert(pending.end(), buffer, buffer + n);
            const size_t whole = pending.size() / 2;
            for (size_t i = 0; i < whole; ++i) {
                const auto lo = quint8(pending[2 * i]);
                const auto hi = quint8(pending[2 * i + 1]);
                m_samples.push_back(qint16(quint16(lo | (hi << 8))));
            }
            pending.erase(pending.begin(), pending.begin() + qsizetype(whole * 2));
            m_blocks.push_back(Block{qsizetype(m_samples.size()), at});
            m_received = qsizetype(m_samples.size());
        }
    }

    pid_t m_pid = 0;
    int m_fd = -1;
    std::thread m_reader;
    std::vector<qint16> m_samples;
    std::vector<Block> m_blocks;
    std::atomic<qsizetype> m_received{0};
};

// Where sample 0 of the recording sits on the monotonic clock, judged from the blocks that
// arrived within a few seconds of `sample`.
double recordingStartMs(const std::vector<Block> &blocks, qsizetype sample)
{
    const qsizetype window = 3 * Rate;
    double best = 1e300;
    for (const Block &b : blocks) {
        if (std::abs(b.endSample - sample) > window)
            continue;
        best = std::min(best, b.arrivedMs - double(b.endSample) * 1000.0 / Rate);
    }
    return best;
}

// First loud sample after at least 100 ms of quiet.
std::vector<qsizetype> onsets(const std::vector<qint16> &samples, int threshold)
{
    std::vector<qsizetype> found;
    qsizetype quiet = Rate; // the recording starts after silence
    for (qsizetype i = 0; i < qsizetype(samples.size()); ++i) {
        if (std::abs(int(samples[size_t(i)])) >= threshold) {
            if (quiet >= Rate / 10)
                found.push_back(i);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return found;
}

bool writeWav(const QString &path, const std::vector<qint16> &samples)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    auto put32 = [&file](quint32 v) {
        const char b[] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        file.write(b, 4);
    };
    auto put16 = [&file](quint16 v) {
        const char b[] = {char(v), char(v >> 8)};
        file.write(b, 2);
    };
    const auto bytes = quint32(samples.size() * 2);
    file.write("RIFF", 4);
    put32(36 + bytes);
    file.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(1);
    put32(Rate);
    put32(Rate * 2);
    put16(2);
    put16(16);
    file.write("data", 4);
    put32(bytes);
    for (qint16 s : samples)
        put16(quint16(s));
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int usage()
{
    std::fprintf(stderr, "usage: alert_latency [--plays N] [--sound FILE] [--device SOURCE] "
                         "[--wav OUT.wav] [--threshold LEVEL]\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QuietOffscreen::useOffscreen();
    QApplication app(argc, argv);
    int plays = 20;
    int threshold = 1000; // of 32767; the alert peaks near 11000 at the player's half volume
    QString sound = QStringLiteral(TC_BLIP_WAV);
    QString device = qEnvironmentVariable("TC_PULSE_MONITOR");
    QString wavOut;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--plays") && hasValue)
            plays = std::max(1, args.at(++i).toInt());
        else if (a == QLatin1String("--sound") && hasValue)
            sound = args.at(++i);
        else if (a == QLatin1String("--device") && hasValue)
            device = args.at(++i);
        else if (a == QLatin1String("--wav") && hasValue)
            wavOut = args.at(++i);
        else if (a == QLatin1String("--threshold") && hasValue)
            threshold = std::max(1, args.at(++i).toInt());
        else
            return usage();
    }
    if (device.isEmpty()) {
        std::fprintf(stderr, "alert_latency: no monitor source; pass --device or run under "
                             "tests/desktop/with-desktop.sh --sound\n");
        return 2;
    }
    if (!QFile::exists(sound)) {
        std::fprintf(stderr, "alert_latency: no sound file at %s\n", qPrintable(sound));
        return 2;
    }

    Recorder recorder;
    if (!recorder.start(device))
        return 2;
    // Wait for the recording to flow, then give it a moment of silence to start from.
    const double waitFrom = nowMs();
    while (recorder.received() == 0 && nowMs() - waitFrom < 5000)
        usleep(10000);
    if (recorder.received() == 0) {
        std::fprintf(stderr, "alert_latency: no sound arrives from %s\n", qPrintable(device));
        recorder.stop();
        return 1;
    }
    usleep(300000);

    Application program{TalkOptions{}};
    Bar &bar = program.bar();
    Notice &notice = program.notice();
    // The notice counts 59 s and asks for the alert on every fourth of its ticks.
    constexpr int Reminder = 59;
    SettingsPanel::Values values = bar.panel()->values();
    values.reminder = Reminder;
    values.soundPath = sound;
    bar.panel()->setValues(values);

    std::vector<double> requests; // tick times that asked for the alert
    QPointer<NoticeWindow> hooked;
    double lastRequest = 0;
    qint16 phase = 0;

    auto hook = [&] {
        NoticeWindow *form = notice.window();
        if (!form || form == hooked)
            return;
        hooked = form;
        phase = notice.counter().soundTicks();
        // Runs right after the notice's own handler, which asks the player to start.
        QObject::connect(form->countTimer(), &MetronomeTimer::timeout, &app, [&, form] {
            const double at = nowMs();
            const qint16 soundTicks = notice.counter().soundTicks();
            // Every counting tick steps the sound phase; landing on 2 means this tick asked for
            // the alert. The closing tick leaves the phase alone.
            if (soundTicks != phase && soundTicks % 4 == 2) {
                requests.push_back(at);
                lastRequest = at;
            }
            phase = soundTicks;
            if (notice.counter().noticeSeconds() == 0 && int(requests.size()) < plays) {
                // The showing has counted out: close it before its closing message, once any
                // alert of this last second has played (closing stops the sound).
                QTimer::singleShot(800, &app, [&, form = QPointer<NoticeWindow>(form)] {
                    if (form && notice.window() == form)
                        notice.unload();
                });
            }
        });
    };

    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        if (!notice.isLoaded() && int(requests.size()) < plays)
            notice.open(Reminder, program.clock().nowMs());
        hook();
        // Let the last alert play out before stopping.
        if (int(requests.size()) >= plays && nowMs() - lastRequest > 1500)
            app.quit();
    });
    std::printf("alert_latency: %d alert(s) of %s, recording %s\n", plays, qPrintable(sound),
                qPrintable(device));
    std::fflush(stdout);
    notice.open(Reminder, program.clock().nowMs());
    hook();
    watch.start();
    app.exec();
    notice.unload();
    recorder.stop();

    const std::vector<qint16> &samples = recorder.samples();
    const std::vector<Block> &blocks = recorder.blocks();
    if (!wavOut.isEmpty() && !writeWav(wavOut, samples))
        std::fprintf(stderr, "alert_latency: cannot write %s\n", qPrintable(wavOut));

    const std::vector<qsizetype> found = onsets(samples, threshold);
    std::vector<double> onsetMs;
    for (qsizetype n : found)
        onsetMs.push_back(recordingStartMs(blocks, n) + double(n) * 1000.0 / Rate);

    // Spread of the blocks' delivery, which bounds how far off the clock placement can be.
    std::vector<double> delays;
    const double start = recordingStartMs(blocks, qsizetype(samples.size()) / 2);
    for (const Block &b : blocks)
        delays.push_back(b.arrivedMs - (start + double(b.endSample) * 1000.0 / Rate));

    // The placement above can only put an onset late, never early: an onset before the tick
    // cannot be that tick's alert.
    std::vector<double> latencies;
    std::vector<bool> explained(onsetMs.size(), false);
    int missing = 0;
    bool firstHeard = false;
    for (size_t i = 0; i < requests.size(); ++i) {
        const double asked = requests[i];
        const auto it = std::find_if(onsetMs.cbegin(), onsetMs.cend(),
                                     [asked](double o) { return o >= asked; });
        if (it == onsetMs.cend() || *it > asked + 1000.0) {
            ++missing;
            std::printf("  alert %2zu: not heard within 1 s\n", i + 1);
            continue;
        }
        explained[size_t(it - onsetMs.cbegin())] = true;
        latencies.push_back(*it - asked);
        if (i == 0)
            firstHeard = true;
        std::printf("  alert %2zu: %7.2f ms\n", i + 1, *it - asked);
    }
    const auto stray = std::count(explained.cbegin(), explained.cend(), false);
    std::printf("recording: %.1f s in %zu blocks, block delivery spread: median %.2f ms  max "
                "%.2f ms; %zu onsets found, %lld not following any tick within 1 s\n",
                double(samples.size()) / Rate, blocks.size(), delays.empty() ? 0.0 : median(delays),
                delays.empty() ? 0.0 : *std::max_element(delays.cbegin(), delays.cend()),
                onsetMs.size(), static_cast<long long>(stray));
    if (latencies.empty()) {
        std::printf("alert latency: none of %zu alerts heard; target < 50 ms\n", requests.size());
        return 0;
    }
    std::printf("alert latency: %zu heard of %zu, median %.2f ms, max %.2f ms", latencies.size(),
                requests.size(), median(latencies),
                *std::max_element(latencies.cbegin(), latencies.cend()));
    if (firstHeard && latencies.size() > 1) {
        const std::vector<double> later(latencies.begin() + 1, latencies.end());
        std::printf(" (first %.2f ms; the rest: median %.2f ms, max %.2f ms)", latencies.front(),
                    median(later), *std::max_element(later.cbegin(), later.cend()));
    }
    std::printf("; target < 50 ms\n");
    if (missing)
        std::printf("alert latency: %d of %zu alerts not heard within 1 s of their tick\n", missing,
                    requests.size());
    return 0;
}
