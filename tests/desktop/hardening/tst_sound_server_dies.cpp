// The sound server dies while the notice's sound is playing: the countdown and the notice must
// carry on, and so must a later talk that has no server at all to play on. The sound is a
// four-second tone written here, so the server can be killed well inside the playback.

#include "mmss.h"
#include "procinfo.h"
#include "talkwatch.h"

#include <QDir>
#include <QFile>
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

} // namespace

class TestSoundServerDies : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void talkSurvivesServerDeath();

private:
    DesktopSession m_session;
    QTemporaryDir m_dir;
    qint64 m_server = 0;
};

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

    const QString errors = m_session.standardError();
    qInfo().noquote() << "stderr:" << (errors.isEmpty() ? u"(empty)"_s : u"\n"_s + errors);
    QVERIFY(driver.exitThroughMenu());
}

QTEST_MAIN(TestSoundServerDies)
#include "tst_sound_server_dies.moc"
