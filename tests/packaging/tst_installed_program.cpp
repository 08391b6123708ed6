// The program as the .deb installs it, started through its bin/ link in the scratch root
// ($TC_PROGRAM): it comes up as the bar in the top-right corner, and its notice rings the
// package's default sound. The program looks for that sound beside its own file, so it is heard
// only if the link leads the program to the folder it was installed in with the sound.

#include "mmss.h"
#include "talkwatch.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// How long a sound stays above a tenth of its own peak: the same for the file and for a
// recording of it played at any volume.
double audibleSeconds(const WavFile &wav)
{
    const QList<Burst> bursts = findBursts(wav, 0.1f * wav.peak());
    return bursts.isEmpty() ? 0 : bursts.last().end - bursts.first().start;
}

} // namespace

class TestInstalledProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void barComesUpInCorner();
    void noticeRingsInstalledSound();
    void exitsThroughMenu();

private:
    DesktopSession m_session;
    BarDriver m_driver{m_session};
    QTemporaryDir m_dir;
    QString m_realProgram;
    std::optional<WavFile> m_blip;
};

void TestInstalledProgram::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("TC_PULSE_MONITOR"),
             "needs the null sink of with-desktop.sh --sound");
    QVERIFY(m_dir.isValid());

    // The link in bin/, and the file it leads to inside the unpacked package.
    const QFileInfo link(qEnvironmentVariable("TC_PROGRAM"));
    const QString root = QDir(qEnvironmentVariable("TC_DEB_ROOT")).canonicalPath();
    QVERIFY2(!root.isEmpty(), "TC_DEB_ROOT names no folder; is package_deb_build done?");
    QVERIFY2(QDir(link.absolutePath()).canonicalPath().startsWith(root + u'/'),
             qPrintable(u"%1 is not inside the unpacked package %2"_s.arg(link.filePath(), root)));
    m_realProgram = link.canonicalFilePath();
    QVERIFY2(m_realProgram.startsWith(root + u'/'),
             qPrintable(u"%1 leads to %2"_s.arg(link.filePath(), m_realProgram)));

    // The package's one sound is the default; where the program looks for it is the question.
    QStringList sounds;
    QDirIterator it(root, {u"*.wav"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        sounds << it.next();
    QVERIFY2(sounds.size() == 1, qPrintable(u"the package has these sounds: %1"_s.arg(
                                     sounds.isEmpty() ? u"none"_s : sounds.join(u", "_s))));
    QString error;
    m_blip = WavFile::read(sounds.first(), &error);
    QVERIFY2(m_blip, qPrintable(error));
    QVERIFY2(m_blip->peak() > 0.3f, "the installed default sound is a clearly audible tone");

    // A home of its own, and no library path: the installed program must find everything it
    // needs on the system and in its package.
    QVERIFY(QDir().mkpath(m_dir.filePath(u"home/.config"_s)));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, m_dir.filePath(u"home"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, m_dir.filePath(u"home/.config"_s));
    env.remove(u"LD_LIBRARY_PATH"_s);
    QVERIFY(m_driver.start(env));
}

void TestInstalledProgram::barComesUpInCorner()
{
    // The process running is the installed file, not one found elsewhere.
    const qint64 pid = m_session.program()->processId();
    QCOMPARE(QFileInfo(u"/proc/%1/exe"_s.arg(pid)).canonicalFilePath(), m_realProgram);
    QCOMPARE(m_driver.geometry(), m_driver.expected());
    QTRY_COMPARE(m_driver.read(), mmss(0));
}

void TestInstalledProgram::noticeRingsInstalledSound()
{
    // The sound path is left as the program found it.
    QVERIFY(m_driver.setTalk(0, 5, 3));
    QTRY_COMPARE(m_driver.read(), mmss(5));

    TalkWatch watch(m_driver, TalkWatch::Watch::Windows);
    QVERIFY(watch.record(m_dir.filePath(u"monitor.wav"_s), m_blip->peak()));
    const TalkWatch::Talk talk = watch.run();
    QVERIFY2(talk.failure.isEmpty(), qPrintable(talk.failure));
    QVERIFY2(talk.listedMs >= 0, "the notice never came up");
    QVERIFY2(talk.goneMs >= 0, "the notice did not close");

    const std::optional<WavFile> &recording = talk.recording;
    QVERIFY(recording);
    // Silence on the null sink is digital zero; a twentieth of the file's peak is sound.
    const QList<Burst> &heard = talk.bursts;
    for (const Burst &b : heard)
        qInfo("sound from %.3f s to %.3f s, peak %.3f", b.start, b.end, b.peak);
    QVERIFY2(!heard.isEmpty(),
             qPrintable(u"nothing was heard; the program said:\n"_s + m_session.standardError()));
    QCOMPARE(heard.size(), 1);

    const double fileLength = audibleSeconds(*m_blip);
    const double heardLength = audibleSeconds(*recording);
    qInfo("audible for %.3f s in the file, %.3f s in the recording", fileLength, heardLength);
    QVERIFY2(std::abs(heardLength - fileLength) <= 0.08,
             qPrintable(u"the sound heard lasts %1 s, the installed file's %2 s"_s.arg(heardLength)
                            .arg(fileLength)));
}

void TestInstalledProgram::exitsThroughMenu()
{
    QVERIFY(m_driver.exitThroughMenu());
}

QTEST_MAIN(TestInstalledProgram)
#include "tst_installed_program.moc"
