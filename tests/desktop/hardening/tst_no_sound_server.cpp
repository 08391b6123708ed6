// A speaker's laptop without a running sound server: the talk must go on silently. Two whole
// talks of 0:05 with the reminder at 3 s are run in one program, so that both the first
// attempt to reach the server and a later one are covered; the notice must come and go, the
// bar must be back at its preset, and the program must neither crash nor fill its stderr.

#include "mmss.h"
#include "talkwatch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The number of lines in a piece of program output, ignoring a missing final newline.
int lineCount(const QString &text)
{
    return int(text.split(u'\n', Qt::SkipEmptyParts).size());
}

// Says whether a PulseAudio client with this environment reaches a server at all.
bool soundServerReachable(const QProcessEnvironment &env, QString *why)
{
    QProcess pactl;
    pactl.setProcessEnvironment(env);
    pactl.start(u"pactl"_s, {u"info"_s});
    if (!pactl.waitForStarted()) {
        *why = u"pactl cannot be started: "_s + pactl.errorString();
        return true; // unknown counts as reachable: the test must not pass on a guess
    }
    if (!pactl.waitForFinished(10000)) {
        pactl.kill();
        pactl.waitForFinished();
        *why = u"pactl info hung"_s;
        return true;
    }
    *why = QString::fromLocal8Bit(pactl.readAllStandardOutput() + pactl.readAllStandardError())
               .trimmed();
    return pactl.exitStatus() == QProcess::NormalExit && pactl.exitCode() == 0;
}

} // namespace

class TestNoSoundServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void talkGoesOn_data();
    void talkGoesOn();

private:
    DesktopSession m_session;
};

void TestNoSoundServer::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsEmpty("TC_PULSE_MONITOR"),
             "runs on a desktop without a sound server (with-desktop.sh without --sound)");
}

void TestNoSoundServer::talkGoesOn_data()
{
    QTest::addColumn<bool>("serverNamed"); // PULSE_SERVER set, to a socket that is not there

    // A configured server that is down, and no server configured with autospawn turned off
    // (so libpulse cannot start one behind the test's back).
    QTest::newRow("PULSE_SERVER names a missing socket") << true;
    QTest::newRow("no PULSE_SERVER, autospawn off") << false;
}

void TestNoSoundServer::talkGoesOn()
{
    QFETCH(bool, serverNamed);

    // A home of its own, so that nothing the sound client does lands in a real one.
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString config = home.filePath(u".config"_s);
    const QString runtime = home.filePath(u"runtime"_s);
    QVERIFY(QDir().mkpath(config + u"/pulse"_s));
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home.path());
    env.insert(u"XDG_CONFIG_HOME"_s, config);
    env.insert(u"XDG_CACHE_HOME"_s, home.filePath(u".cache"_s));
    env.insert(u"XDG_DATA_HOME"_s, home.filePath(u".local/share"_s));
    env.insert(u"XDG_RUNTIME_DIR"_s, runtime);
    if (serverNamed) {
        env.insert(u"PULSE_SERVER"_s, u"unix:"_s + home.filePath(u"gone/pulse/native"_s));
    } else {
        env.remove(u"PULSE_SERVER"_s);
        QFile conf(config + u"/pulse/client.conf"_s);
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("autospawn = no\n");
    }
    QString why;
    QVERIFY2(!soundServerReachable(env, &why),
             qPrintable(u"a sound server answers, so this is no test: "_s + why));

    BarDriver driver(m_session);
    QVERIFY(driver.start(env));
    QVERIFY(driver.setTalk(0, 5, 3));
    QTRY_COMPARE(driver.read(), mmss(5));

    TalkWatch watch(driver, TalkWatch::Watch::Windows);
    for (int round = 1; round <= 2; ++round) {
        const TalkWatch::Talk talk = watch.run();
        qInfo("talk %d: notice at %.0f ms, gone at %.0f ms, bar then %s", round, talk.listedMs,
              talk.goneMs, qPrintable(talk.barAfter));
        QVERIFY2(talk.started, "Start could not be chosen");
        QVERIFY2(!m_session.programCrashed(), "the program crashed");
        QVERIFY2(m_session.programRunning(), "the program ended during the talk");
        QVERIFY2(talk.listedMs >= 0, "the notice never came up");
        // The reminder is due two ticks after Start.
        QVERIFY2(talk.listedMs >= 1500 && talk.listedMs <= 3500,
                 qPrintable(u"%1 ms"_s.arg(talk.listedMs)));
        QVERIFY2(talk.goneMs >= 0, "the notice never closed");
        // Four counting ticks, the closing message, four more ticks.
        const double shown = talk.goneMs - talk.listedMs;
        QVERIFY2(shown >= 7000 && shown <= 9500, qPrintable(u"shown %1 ms"_s.arg(shown)));
        QCOMPARE(talk.barAfter, mmss(5));
    }

    const QString errors = m_session.standardError();
    qInfo().noquote() << "stderr:" << (errors.isEmpty() ? u"(empty)"_s : u"\n"_s + errors);
    QVERIFY(driver.exitThroughMenu());
    const QString all = m_session.standardError();
    QVERIFY2(lineCount(all) <= 1,
             qPrintable(u"%1 lines on stderr:\n%2"_s.arg(lineCount(all)).arg(all)));
}

QTEST_MAIN(TestNoSoundServer)
#include "tst_no_sound_server.moc"
