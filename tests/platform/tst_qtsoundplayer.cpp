#include "audiolog.h"
#include "mediaalertplayer.h"
#include "qtsoundplayer.h"
#include "soundpaths.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSoundEffect>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// Ends the process when a test function outlives its deadline: a player stuck inside Qt
// would otherwise hold the whole run until CTest's timeout, with no word on where.
class Watchdog
{
public:
    Watchdog(const QByteArray &what, std::chrono::seconds deadline)
        : m_thread([this, what, deadline] {
            std::unique_lock lock(m_mutex);
            if (!m_done.wait_for(lock, deadline, [this] { return m_disarmed; })) {
                std::fprintf(stderr, "FAIL! %s: still running after %lld s; something blocks\n",
                             what.constData(), static_cast<long long>(deadline.count()));
                std::fflush(stderr);
                std::_Exit(1);
            }
        })
    {}

    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_disarmed = true;
        }
        m_done.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_disarmed = false;
    std::thread m_thread;
};

// What tells a player that blocks from a busy machine. A blocked open (a FIFO, a device) lasts
// seconds or for ever; a loaded two-core machine under the sanitizers stalls the event loop
// for tens, at worst a few hundred, milliseconds.
constexpr qint64 HangMs = 2000;

// The longest time between two ticks of a 10 ms timer: how long the event loop stalled. A
// thread of its own lets go of anything stuck opening the test's FIFOs once the loop has
// stalled for HangMs, so a player that blocks the UI thread fails the test rather than hang it.
class StallMeter
{
public:
    explicit StallMeter(const QStringList &fifos)
        : m_lastTick(nowMs())
        , m_watcher([this, fifos] {
            std::unique_lock lock(m_mutex);
            while (
                !m_done.wait_for(lock, std::chrono::milliseconds(20), [this] { return m_stop; })) {
                if (nowMs() - m_lastTick >= HangMs)
                    SoundPaths::releaseReaders(fifos);
            }
        })
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = nowMs();
            m_longest = std::max(m_longest, now - m_lastTick);
            m_lastTick = now;
        });
        m_timer.start();
    }

    ~StallMeter()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_done.notify_all();
        m_watcher.join();
    }

    qint64 longestMs() const { return std::max(m_longest, nowMs() - m_lastTick); }

private:
    static qint64 nowMs()
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    QTimer m_timer;
    qint64 m_longest = 0;
    std::atomic<qint64> m_lastTick;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_stop = false;
    std::thread m_watcher;
};

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// A sound server that hangs: its socket takes connections into the backlog and nothing ever
// answers them. Clients named to it through PULSE_SERVER wait for their handshake until they
// give up on their own.
class HungServer
{
public:
    explicit HungServer(const QString &socketPath)
        : m_fd(::socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = socketPath.toLocal8Bit();
        if (m_fd < 0 || path.size() >= qsizetype(sizeof address.sun_path))
            return;
        std::copy(path.begin(), path.end(), address.sun_path);
        m_listening =
            ::bind(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0
            && ::listen(m_fd, 16) == 0;
        if (m_listening) {
            m_previous = qgetenv("PULSE_SERVER");
            qputenv("PULSE_SERVER", "unix:" + path);
        }
    }

    ~HungServer()
    {
        if (m_listening)
            qputenv("PULSE_SERVER", m_previous);
        if (m_fd >= 0)
            ::close(m_fd);
    }

    HungServer(const HungServer &) = delete;
    HungServer &operator=(const HungServer &) = delete;

    bool listening() const { return m_listening; }

private:
    int m_fd;
    bool m_listening = false;
    QByteArray m_previous;
};

int g_messages = 0;
QtMessageHandler g_previousHandler = nullptr;

// Counts what Qt and its audio back end say, and passes it on so it still shows.
void countMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    ++g_messages;
    if (g_previousHandler)
        g_previousHandler(type, context, text);
}

} // namespace

// The real player with every kind of path, on whatever sound server this machine has (often
// none). Whatever it is given, it must answer at once, keep the event loop running, never
// leave a thread blocked, and not grow.
class TestQtSoundPlayer : public QObject
{
    Q_OBJECT

private:
    static bool playable(const QString &key)
    {
        return key.startsWith(QLatin1String("valid")) || key == QLatin1String("own alert sound");
    }

    static QUrl sourceOf(const QtSoundPlayer &player)
    {
        const QSoundEffect *effect = player.currentEffect();
        return effect ? effect->source() : QUrl();
    }

    static QSoundEffect::Status statusOf(const QtSoundPlayer &player)
    {
        const QSoundEffect *effect = player.currentEffect();
        return effect ? effect->status() : QSoundEffect::Null;
    }

    // Waits for the player's file checks and delivers their answers.
    bool settle()
    {
        bool done = QThreadPool::globalInstance()->waitForDone(int(HangMs));
        if (!done) {
            // A check stuck opening a FIFO: let it go, so the run can go on to report it.
            for (int i = 0; i < 50 && !done; ++i) {
                m_paths.releaseFifoReaders();
                done = QThreadPool::globalInstance()->waitForDone(100);
            }
            return false;
        }
        QCoreApplication::sendPostedEvents();
        return true;
    }

    // Asks the player to play path every interval ms, `times` times, and returns the
    // longest that any play() call took.
    static qint64 playRepeatedly(QtSoundPlayer &player, const QString &path, int times,
                                 int intervalMs)
    {
        qint64 longest = 0;
        QElapsedTimer call;
        for (int i = 0; i < times; ++i) {
            call.start();
            player.play(path);
            longest = std::max(longest, call.elapsed());
            QTest::qWait(intervalMs);
        }
        return longest;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_paths.isValid());
        g_previousHandler = qInstallMessageHandler(countMessage);
        AudioLog::install(); // as the program does, in front of the counter
    }

    void cleanupTestCase() { qInstallMessageHandler(g_previousHandler); }

    void init()
    {
        QByteArray what = QTest::currentTestFunction();
        if (QTest::currentDataTag())
            what += QByteArray("(") + QTest::currentDataTag() + ')';
        m_watchdog = std::make_unique<Watchdog>(what, std::chrono::seconds(60));
    }

    void cleanup() { m_watchdog.reset(); }

    void everyPath_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("playable");
        for (const QString &key : SoundPaths::keys())
            QTest::newRow(qPrintable(key)) << key << playable(key);
    }

    // A speaker's alert every 250 ms for two seconds, then a good sound picked afterwards.
    void everyPath()
    {
        QFETCH(QString, key);
        QFETCH(bool, playable);
        const QString path = m_paths.path(key);
        const QString good = m_paths.path(QStringLiteral("valid"));
        QtSoundPlayer player;

        const StallMeter stalls(m_paths.fifos());
        const qint64 longestCall = playRepeatedly(player, path, 8, 250);
        QVERIFY2(settle(), "a file check blocked");
        const QUrl loaded = sourceOf(player);

        // The player must still load a good sound after whatever it was given.
        playRepeatedly(player, good, 2, 250);
        QVERIFY2(settle(), "a file check blocked");
        QCOMPARE(sourceOf(player), QUrl::fromLocalFile(good));
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(player), QSoundEffect::Ready, 5000);

        // Only what passed the check ever reached QSoundEffect.
        QCOMPARE(loaded, playable ? QUrl::fromLocalFile(path) : QUrl());

        qInfo("longest play() call %lld ms, longest stall of the event loop %lld ms", longestCall,
              stalls.longestMs());
        QVERIFY2(longestCall < HangMs,
                 qPrintable(QStringLiteral("play() took %1 ms").arg(longestCall)));
        QVERIFY2(stalls.longestMs() < HangMs,
                 qPrintable(QStringLiteral("event loop stalled %1 ms").arg(stalls.longestMs())));
    }

    void fallbackNeverBlocks_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("stopAtEnd");  // or left to play out
        QTest::addColumn<bool>("hungServer"); // or whatever server this machine has
        QTest::newRow("valid, played out") << QStringLiteral("valid") << false << false;
        QTest::newRow("valid, stopped") << QStringLiteral("valid") << true << false;
        QTest::newRow("own alert sound, stopped")
            << QStringLiteral("own alert sound") << true << false;
        QTest::newRow("hung server, played out") << QStringLiteral("valid") << false << true;
        QTest::newRow("hung server, stopped") << QStringLiteral("valid") << true << true;
    }

    // The player that takes over once Qt's audio has lost the server, a fresh media player for
    // every alert, with an alert every 250 ms on whatever server this machine has or on one that
    // hangs: its calls must return at once and keep the event loop running, and its end must
    // wait no longer than it says.
    void fallbackNeverBlocks()
    {
        QFETCH(QString, key);
        QFETCH(bool, stopAtEnd);
        QFETCH(bool, hungServer);
        const QString path = m_paths.path(key);
        QTemporaryDir serverDir;
        std::optional<HungServer> server;
        if (hungServer) {
            server.emplace(serverDir.filePath(QStringLiteral("native")));
            QVERIFY(server->listening());
        }
        const StallMeter stalls(m_paths.fifos());
        QElapsedTimer call;
        qint64 longestCall = 0;
        qint64 stallMs = 0;
        {
            MediaAlertPlayer player(QtSoundPlayer::Volume);
            for (int i = 0; i < 8; ++i) {
                call.start();
                player.play(path);
                longestCall = std::max(longestCall, call.elapsed());
                QTest::qWait(250);
            }
            if (stopAtEnd) {
                call.start();
                player.stop();
                longestCall = std::max(longestCall, call.elapsed());
            }
            QTest::qWait(250);
            stallMs = stalls.longestMs();
            call.start();
        }
        const qint64 endMs = call.elapsed();
        qInfo("longest call %lld ms, longest stall of the event loop %lld ms, end %lld ms",
              longestCall, stallMs, endMs);
        QVERIFY2(longestCall < HangMs,
                 qPrintable(QStringLiteral("a call took %1 ms").arg(longestCall)));
        QVERIFY2(stallMs < HangMs,
                 qPrintable(QStringLiteral("event loop stalled %1 ms").arg(stallMs)));
        QVERIFY2(endMs < MediaAlertPlayer::EndWaitMs + HangMs,
                 qPrintable(QStringLiteral("the end took %1 ms").arg(endMs)));
        // The server lets go: the player left on it goes too (LeakSanitizer checks that).
        server.reset();
        if (hungServer)
            QTest::qWait(MediaAlertPlayer::EndWaitMs);
    }

    void memoryStaysFlat_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("1 GiB sparse") << QStringLiteral("1 GiB sparse");
        QTest::newRow("/dev/urandom") << QStringLiteral("/dev/urandom");
        QTest::newRow("valid") << QStringLiteral("valid");
    }

    void memoryStaysFlat()
    {
        QFETCH(QString, key);
        const QString path = m_paths.path(key);
        QtSoundPlayer player;
        playRepeatedly(player, path, 5, 20); // whatever is loaded once
        QVERIFY(settle());
        const qint64 before = residentKiB();
        QVERIFY(before > 0);
        playRepeatedly(player, path, 40, 20);
        QVERIFY(settle());
        const qint64 grown = residentKiB() - before;
        QVERIFY2(grown < 4096, qPrintable(QStringLiteral("grew by %1 KiB").arg(grown)));
    }

    void newestRequestWins_data()
    {
        QTest::addColumn<QStringList>("requests"); // keys to play, or "stop"
        QTest::addColumn<QString>("source");       // key whose file the effect holds, or ""
        QTest::newRow("play, stop") << QStringList{"valid", "stop"} << "";
        QTest::newRow("play, play a missing file") << QStringList{"valid", "missing"} << "";
        QTest::newRow("play a missing file, play") << QStringList{"missing", "valid"} << "valid";
        QTest::newRow("play, play another")
            << QStringList{"valid", "valid, odd name"} << "valid, odd name";
        QTest::newRow("stop, play") << QStringList{"stop", "valid"} << "valid";
    }

    // A notice closed while its sound is still being checked must stay silent.
    void newestRequestWins()
    {
        QFETCH(QStringList, requests);
        QFETCH(QString, source);
        QtSoundPlayer player;
        for (const QString &request : requests) {
            if (request == QLatin1String("stop"))
                player.stop();
            else
                player.play(m_paths.path(request));
        }
        QVERIFY(settle());
        QCOMPARE(sourceOf(player),
                 source.isEmpty() ? QUrl() : QUrl::fromLocalFile(m_paths.path(source)));
    }

    // Without a sound server, Qt's audio back end complains for every sound effect it makes;
    // the program passes on only the first complaint. Alerts with the same sound, and paths
    // that cannot be played in between, must add nothing to the log.
    void repeatedPlaysSayNothing()
    {
        const QString good = m_paths.path(QStringLiteral("valid"));
        QtSoundPlayer player;
        player.play(good);
        QVERIFY(settle());
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(player), QSoundEffect::Ready, 5000);
        QTest::qWait(300);
        g_messages = 0;
        for (const QString &key : SoundPaths::keys()) {
            if (playable(key))
                continue;
            for (int i = 0; i < 3; ++i) {
                player.play(m_paths.path(key));
                QTest::qWait(20);
                player.play(good);
                QTest::qWait(20);
            }
        }
        QVERIFY(settle());
        QTest::qWait(300);
        QCOMPARE(g_messages, 0);
    }

private:
    SoundPaths m_paths;
    std::unique_ptr<Watchdog> m_watchdog;
};

QTEST_MAIN(TestQtSoundPlayer)
#include "tst_qtsoundplayer.moc"
