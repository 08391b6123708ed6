// The sound server dies while the notice's sound is playing: the countdown and the notice must
// carry on, and so must a later talk that has no server at all to play on. The sound is a
// four-second tone written here, so the server can be killed well inside the playback.

#include "talkdriver.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <numbers>
#include <signal.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// 16-bit mono PCM, a quiet 440 Hz sine.
bool writeTone(const QString &path, double seconds)
{
    constexpr int rate = 44100;
    const quint32 frames = quint32(seconds * rate);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 dataBytes = frames * 2;
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    for (quint32 i = 0; i < frames; ++i)
        out << qint16(std::lround(8000 * std::sin(2 * std::numbers::pi * 440 * i / rate)));
    return out.status() == QDataStream::Ok;
}

QString readProc(qint64 pid, const char *entry)
{
    QFile f(u"/proc/%1/%2"_s.arg(pid).arg(QLatin1String(entry)));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

// The parent process id, from /proc/<pid>/stat ("pid (comm) state ppid ...").
qint64 parentOf(qint64 pid)
{
    const QString stat = readProc(pid, "stat");
    const QStringList rest = stat.mid(stat.lastIndexOf(u')') + 2).split(u' ');
    return rest.size() > 1 ? rest[1].toLongLong() : 0;
}

// Gone, or a zombie waiting for with-desktop.sh to collect it.
bool processGone(qint64 pid)
{
    const QString stat = readProc(pid, "stat");
    return stat.isEmpty() || stat.mid(stat.lastIndexOf(u')') + 2).startsWith(u'Z');
}

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
    QCOMPARE(readProc(m_server, "comm").trimmed(), u"pulseaudio"_s);
    QCOMPARE(parentOf(m_server), qint64(getppid()));
}

void TestSoundServerDies::talkSurvivesServerDeath()
{
    const QString tone = m_dir.filePath(u"tone.wav"_s);
    QVERIFY(writeTone(tone, 4));
    QVERIFY(QDir().mkpath(m_dir.filePath(u"home"_s)));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, m_dir.filePath(u"home"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, m_dir.filePath(u"home/.config"_s));

    TalkDriver driver(m_session);
    QVERIFY(driver.start(env));
    QVERIFY(driver.setTalk(0, 5, 3, tone));
    QTRY_COMPARE(driver.readBar(), u"00:05"_s);

    // Kill the server half a second into the tone.
    double playingSince = -1;
    double killedAt = -1;
    const qint64 program = driver.pid();
    const TalkDriver::Talk talk = driver.runTalk(20000, [&](double now) {
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
    qInfo("sound from %.0f ms, server killed at %.0f ms; notice at %.0f ms, gone at %.0f ms",
          playingSince, killedAt, talk.noticeAtMs, talk.noticeGoneMs);
    QVERIFY2(playingSince >= 0, "the server never played the notice's sound");
    QVERIFY2(killedAt >= 0, "the sound stopped before the server could be killed");
    QVERIFY2(QTest::qWaitFor([&] { return processGone(m_server); }, 5000),
             "the sound server survived SIGKILL");
    QVERIFY2(!driver.crashed(), "the program crashed");
    QVERIFY2(driver.isRunning(), "the program ended");
    QVERIFY2(talk.noticeAtMs >= 0 && talk.noticeAtMs < killedAt, "the notice never came up");
    QVERIFY2(talk.noticeGoneMs >= 0, "the notice did not close after the server died");
    const double shown = talk.noticeGoneMs - talk.noticeAtMs;
    QVERIFY2(shown >= 7000 && shown <= 9500, qPrintable(u"shown %1 ms"_s.arg(shown)));
    QCOMPARE(talk.barAfter, u"00:05"_s);

    // Another talk, with nothing to play on.
    const TalkDriver::Talk again = driver.runTalk();
    qInfo("second talk: notice at %.0f ms, gone at %.0f ms", again.noticeAtMs, again.noticeGoneMs);
    QVERIFY2(!driver.crashed(), "the program crashed in the talk after the server died");
    QVERIFY2(again.noticeAtMs >= 1500 && again.noticeAtMs <= 3500,
             qPrintable(u"notice at %1 ms"_s.arg(again.noticeAtMs)));
    QVERIFY2(again.noticeGoneMs >= 0, "the notice did not close");
    QCOMPARE(again.barAfter, u"00:05"_s);

    const QString errors = driver.standardError();
    qInfo().noquote() << "stderr:" << (errors.isEmpty() ? u"(empty)"_s : u"\n"_s + errors);
    QVERIFY(driver.exitThroughMenu());
}

QTEST_MAIN(TestSoundServerDies)
#include "tst_sound_server_dies.moc"
