// The sound server dies while the notice's sound is playing: the countdown and the notice must
// carry on, and so must a later talk that has no server at all to play on. Once the server is
// back, the next talk's alert must be heard again. The sound is a four-second tone written
// here, so the server can be killed well inside the playback.

#include "mmss.h"
#include "procinfo.h"
#include "talkwatch.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Whether the server has an uncorked stream of this process, i.e. it is playing for it now.
bool playingFor(qint64 pid)
{
    QString out;
    if (!DesktopSession::run(u"pactl"_s, {u"list"_s, u"sink-inputs"_s}, &out, 3000))
        return false;
    for (const QString &input : out.split(u"Sink Input #"_s)) {
        if (input.contains(u"application.process.id = \"%1\""_s.arg(pid))
            && input.contains(u"Corked: no"_s))
            return true;
    }
    return false;
}

// Whether the helper tool comes to succeed within `timeoutMs`, tried again and again.
bool succeeds(const QString &program, const QStringList &args, int timeoutMs = 15000)
{
    return QTest::qWaitFor([&] { return DesktopSession::run(program, args, nullptr, 3000); },
                           timeoutMs);
}

// What the monitor delivers within a third of a second.
bool monitorLive()
{
    QProcess record;
    record.start(u"parecord"_s, {u"--raw"_s, u"--latency-msec=10"_s,
                                 u"--device="_s + qEnvironmentVariable("TC_PULSE_MONITOR")});
    QTest::qWait(300);
    record.terminate();
    record.waitForFinished(3000);
    return !record.readAllStandardOutput().isEmpty();
}

} // namespace

class TestSoundServerDies : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void talkSurvivesServerDeath();

private:
    bool restartServer();

    DesktopSession m_session;
    QTemporaryDir m_dir;
    qint64 m_server = 0;
    QProcess m_restarted; // the server started again, as with-desktop.sh starts it
    QProcess m_keeper;    // its silent stream, which keeps the sink running
};

// Started again where clients look for it, with the same null sink and a silent stream on it.
bool TestSoundServerDies::restartServer()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, m_dir.filePath(u"home"_s));
    m_restarted.setProcessEnvironment(env);
    m_restarted.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_restarted.start(u"pulseaudio"_s,
                      {u"-n"_s, u"--daemonize=no"_s, u"--exit-idle-time=-1"_s, u"--realtime=no"_s,
                       u"--high-priority=no"_s, u"--log-target=stderr"_s, u"--log-level=0"_s,
                       u"--load=module-null-sink sink_name=nullsink"_s,
                       u"--load=module-native-protocol-unix auth-anonymous=1"_s});
    if (!m_restarted.waitForStarted() || !succeeds(u"pactl"_s, {u"info"_s})
        || !DesktopSession::run(u"pactl"_s, {u"set-default-sink"_s, u"nullsink"_s}))
        return false;
    m_keeper.start(u"pacat"_s, {u"--latency-msec=20"_s, u"--raw"_s, u"/dev/zero"_s});
    const auto keeperPlaying = [] {
        QString out;
        return DesktopSession::run(u"pactl"_s, {u"list"_s, u"short"_s, u"sink-inputs"_s}, &out)
               && !out.trimmed().isEmpty();
    };
    if (!m_keeper.waitForStarted() || !QTest::qWaitFor(keeperPlaying, 15000))
        return false;
    // The null sink's first block is two seconds long; a suspend and resume shortens it.
    const QStringList suspend{u"suspend-sink"_s, u"nullsink"_s};
    return DesktopSession::run(u"pactl"_s, suspend + QStringList{u"1"_s})
           && DesktopSession::run(u"pactl"_s, suspend + QStringList{u"0"_s})
           && QTest::qWaitFor(monitorLive, 15000);
}

void TestSoundServerDies::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("TC_PULSE_MONITOR"),
             "needs the sound server of with-desktop.sh --sound");
    QVERIFY(m_dir.isValid());

    // with-desktop.sh started the server as its own child; only that process may be killed.
    QFile pidFile(qEnvironmentVariable("XDG_RUNTIME_DIR") + u"/pulse/pid"_s);
    QVERIFY2(pidFile.open(QIODevice::ReadOnly), qPrintable(pidFile.fileName()));
    m_server = pidFile.readAll().trimmed().toLongLong();
    QVERIFY(m_server > 1);
    QCOMPARE(ProcInfo::read(m_server, "comm").trimmed(), u"pulseaudio"_s);
    QCOMPARE(ProcInfo::parentOf(m_server), qint64(getppid()));
}

void TestSoundServerDies::talkSurvivesServerDeath()
{
    const QString tone = m_dir.filePath(u"tone.wav"_s);
    // A quiet 440 Hz sine.
    QVERIFY(
        WavFile::save(tone, WavFile::encode({.rate = 44100}, WavFile::sine(44100, 4, 440, 8000))));
    QVERIFY(QDir().mkpath(m_dir.filePath(u"home"_s)));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, m_dir.filePath(u"home"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, m_dir.filePath(u"home/.config"_s));

    BarDriver driver(m_session);
    QVERIFY(driver.start(env));
    QVERIFY(driver.setTalk(0, 5, 3, tone));
    QTRY_COMPARE(driver.read(), mmss(5));

    // Kill the server half a second into the tone.
    double playingSince = -1;
    double killedAt = -1;
    const qint64 program = m_session.program()->processId();
    TalkWatch watch(driver, TalkWatch::Watch::Windows);
    watch.setPoll([&](double now) {
        if (killedAt >= 0)
            return;
        if (playingSince < 0) {
            if (playingFor(program))
                playingSince = now;
        } else if (now >= playingSince + 500 && playingFor(program)) {
            killedAt = now;
            ::kill(pid_t(m_server), SIGKILL);
        }
    });
    const TalkWatch::Talk talk = watch.run();
    qInfo("sound from %.0f ms, server killed at %.0f ms; notice at %.0f ms, gone at %.0f ms",
          playingSince, killedAt, talk.listedMs, talk.goneMs);
    QVERIFY2(playingSince >= 0, "the server never played the notice's sound");
    QVERIFY2(killedAt >= 0, "the sound stopped before the server could be killed");
    QVERIFY2(QTest::qWaitFor([&] { return ProcInfo::gone(m_server); }, 5000),
             "the sound server survived SIGKILL");
    QVERIFY2(!m_session.programCrashed(), "the program crashed");
    QVERIFY2(m_session.programRunning(), "the program ended");
    QVERIFY2(talk.listedMs >= 0 && talk.listedMs < killedAt, "the notice never came up");
    QVERIFY2(talk.goneMs >= 0, "the notice did not close after the server died");
    const double shown = talk.goneMs - talk.listedMs;
    QVERIFY2(shown >= 7000 && shown <= 9500, qPrintable(u"shown %1 ms"_s.arg(shown)));
    QCOMPARE(talk.barAfter, mmss(5));

    // Another talk, with nothing to play on.
    watch.setPoll({});
    const TalkWatch::Talk again = watch.run();
    qInfo("second talk: notice at %.0f ms, gone at %.0f ms", again.listedMs, again.goneMs);
    QVERIFY2(!m_session.programCrashed(), "the program crashed in the talk after the server died");
    QVERIFY2(again.listedMs >= 1500 && again.listedMs <= 3500,
             qPrintable(u"notice at %1 ms"_s.arg(again.listedMs)));
    QVERIFY2(again.goneMs >= 0, "the notice did not close");
    QCOMPARE(again.barAfter, mmss(5));

    // The server back, long after Qt's audio gave up on it: the next alert is heard. The
    // notice's sound beat runs on across talks, so a five-second notice makes sure one falls
    // due; the short default sound keeps alerts apart.
    QVERIFY2(restartServer(), "the sound server did not come back");
    const QString blip = DesktopSession::programDir() + u"/blip.wav"_s;
    QString error;
    const std::optional<WavFile> blipWav = WavFile::read(blip, &error);
    QVERIFY2(blipWav, qPrintable(error));
    QVERIFY(driver.setTalk(0, 8, 5, blip));
    QTRY_COMPARE(driver.read(), mmss(8));
    TalkWatch listen(driver, TalkWatch::Watch::Windows);
    QVERIFY(listen.record(m_dir.filePath(u"after.wav"_s), blipWav->peak()));
    const TalkWatch::Talk back = listen.run();
    QVERIFY2(!m_session.programCrashed(), "the program crashed after the server came back");
    QVERIFY2(back.recording, "nothing was recorded");
    QStringList heard;
    for (const Burst &b : back.bursts)
        heard << QString::number(*back.recordingStartMs + b.start * 1000 - back.listedMs, 'f', 0);
    qInfo().noquote() << "after the restart: notice at" << back.listedMs << "ms; alerts heard"
                      << heard.size()
                      << "(ms after the notice:" << heard.join(u", "_s) + u"), peak"_s
                      << (back.bursts.isEmpty() ? 0 : back.bursts.first().peak);
    QVERIFY2(back.listedMs >= 2000 && back.listedMs <= 4500,
             qPrintable(u"notice at %1 ms"_s.arg(back.listedMs)));
    QVERIFY2(!back.bursts.isEmpty(), "no alert was heard after the server came back");
    // At half volume, as before the server went.
    const double ratio = back.bursts.first().peak / blipWav->peak();
    QVERIFY2(ratio >= 0.35 && ratio <= 0.65, qPrintable(u"ratio %1"_s.arg(ratio)));
    QCOMPARE(back.barAfter, mmss(8));

    const QString errors = m_session.standardError();
    qInfo().noquote() << "stderr:" << (errors.isEmpty() ? u"(empty)"_s : u"\n"_s + errors);
    QVERIFY(driver.exitThroughMenu());
}

QTEST_MAIN(TestSoundServerDies)
#include "tst_sound_server_dies.moc"
