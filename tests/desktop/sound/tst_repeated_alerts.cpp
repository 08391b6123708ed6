// The real sound player on a real (null) PulseAudio sink: every alert in a long run of them
// must be heard, the way a notice window starts the same sound over and over in a talk.

#include "desktopsession.h"
#include "monitorrecorder.h"
#include "qtsoundplayer.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestRepeatedAlerts : public QObject
{
    Q_OBJECT

private slots:
    void everyAlertSounds_data()
    {
        QTest::addColumn<int>("alerts");
        QTest::addColumn<int>("intervalMs");
        // A notice window rings every fourth second (shortened here); the sound file ends in
        // silence, so at 400 ms each alert is restarted while the last is still playing.
        QTest::newRow("a dozen, well apart") << 12 << 700;
        QTest::newRow("a dozen, each restarting the last") << 12 << 400;
    }

    void everyAlertSounds()
    {
        QFETCH(int, alerts);
        QFETCH(int, intervalMs);
        const QString monitor = qEnvironmentVariable("TC_PULSE_MONITOR");
        QVERIFY2(!monitor.isEmpty(), "run under with-desktop.sh --sound");
        const QString blip = DesktopSession::programDir() + u"/blip.wav"_s;
        QVERIFY2(QFileInfo::exists(blip), qPrintable(blip));
        QTemporaryDir dir;
        QVERIFY(dir.isValid());

        QElapsedTimer clock;
        clock.start();
        MonitorRecorder recorder(clock);
        const QString recording = dir.filePath(u"monitor.wav"_s);
        QVERIFY(recorder.start(monitor, recording));

        QtSoundPlayer player;
        for (int i = 0; i < alerts; ++i) {
            player.play(blip);
            QElapsedTimer wait;
            wait.start();
            while (wait.elapsed() < intervalMs) {
                QTest::qWait(20);
                recorder.poll();
            }
        }
        QTest::qWait(800); // the last one's tail
        recorder.poll();
        player.stop();
        QString error;
        const std::optional<WavFile> wav = recorder.stopAndRead(&error);
        QVERIFY2(wav, qPrintable(error));
        QVERIFY2(wav->peak() > 0.05f, "nothing was heard at all");
        // Only a quiet 5 ms window separates two alerts; within one the envelope never dips.
        const QList<Burst> bursts = findBursts(*wav, 0.25f * wav->peak(), 0.004);
        QStringList starts;
        for (const Burst &b : bursts)
            starts << QString::number(b.start, 'f', 2);
        qInfo().noquote() << bursts.size() << "bursts at" << starts.join(u", "_s);
        QCOMPARE(bursts.size(), alerts);
    }
};

QTEST_GUILESS_MAIN(TestRepeatedAlerts)
#include "tst_repeated_alerts.moc"
