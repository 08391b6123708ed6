#include "soundpaths.h"
#include "wavprobe.h"

#include <QFileInfo>
#include <QTest>

#include <chrono>
#include <future>

using Verdict = WavProbe::Verdict;

Q_DECLARE_METATYPE(WavProbe::Verdict)

// What the probe makes of every kind of path a user can type or pick as the alert sound. It
// must answer quickly whatever it is given, and call Playable only what the player can play.
class TestWavProbe : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_paths.isValid()); }

    void verdict_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<Verdict>("expected");
        const QList<QPair<const char *, Verdict>> rows{
            {"missing", Verdict::Missing},
            {"empty path", Verdict::Missing},
            {"dangling symlink", Verdict::Missing},
            {"directory", Verdict::NotRegularFile},
            {"/dev/zero", Verdict::NotRegularFile},
            {"/dev/urandom", Verdict::NotRegularFile},
            // Opening a FIFO nobody writes to would block the checking thread for good.
            {"fifo", Verdict::NotRegularFile},
            {"symlink to a fifo", Verdict::NotRegularFile},
            {"1 GiB sparse", Verdict::TooLarge},
            {"empty file", Verdict::NotWav},
            {"not a WAV", Verdict::NotWav},
            {"RIFF but not WAVE", Verdict::NotWav},
            {"truncated in the header", Verdict::BadFormat},
            // The samples that are there could be played, but QSoundEffect waits for the rest
            // for ever and then blocks the UI thread at the next change of sound.
            {"truncated in the samples", Verdict::BadFormat},
            {"data size lies", Verdict::BadFormat},
            {"data ends mid-sample", Verdict::BadFormat},
            {"data before format", Verdict::BadFormat},
            {"zero channels", Verdict::BadFormat},
            {"absurd sample rate", Verdict::BadFormat},
            {"valid", Verdict::Playable},
            {"valid 24-bit stereo", Verdict::Playable},
            {"valid, odd name", Verdict::Playable},
            {"own alert sound", Verdict::Playable},
        };
        for (const auto &[key, expected] : rows)
            QTest::newRow(key) << QString::fromLatin1(key) << expected;
    }

    void verdict()
    {
        QFETCH(QString, key);
        QFETCH(Verdict, expected);
        const QString path = m_paths.path(key);
        if (key == QLatin1String("valid, odd name")) {
            QVERIFY(path.contains(QLatin1Char(' ')));
            QVERIFY(QFileInfo(path).fileName().size() > 200);
        }

        // On a thread with a deadline, so a probe that blocks fails instead of hanging.
        auto verdict = std::async(std::launch::async, [path] { return WavProbe::probe(path); });
        const bool answered =
            verdict.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
        if (!answered) {
            m_paths.releaseFifoReaders();
            verdict.wait();
        }
        QVERIFY2(answered, "the probe blocked");
        QCOMPARE(verdict.get(), expected);
    }

private:
    SoundPaths m_paths;
};

QTEST_GUILESS_MAIN(TestWavProbe)
#include "tst_wavprobe.moc"
