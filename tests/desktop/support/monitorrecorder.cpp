#include "monitorrecorder.h"

#include <QDebug>
#include <QFileInfo>
#include <QTest>

#include <csignal>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// A WAV header is at least this long; anything beyond it is sound.
constexpr qint64 MinimalHeader = 44;

} // namespace

MonitorRecorder::MonitorRecorder(const QElapsedTimer &clock)
    : m_clock(clock)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

MonitorRecorder::~MonitorRecorder()
{
    stop();
}

bool MonitorRecorder::start(const QString &device, const QString &path, int timeoutMs)
{
    m_path = path;
    m_sizes.clear();
    m_process.start(u"parecord"_s, {u"--device="_s + device, u"--latency-msec=10"_s,
                                    u"--file-format=wav"_s, path});
    if (!m_process.waitForStarted()) {
        qWarning() << "cannot start parecord:" << m_process.errorString();
        return false;
    }
    const bool flowing = QTest::qWaitFor(
        [&] {
            poll();
            return !m_sizes.isEmpty() && m_sizes.last().second > MinimalHeader;
        },
        timeoutMs);
    if (!flowing)
        qWarning() << "parecord wrote no sound to" << path << "within" << timeoutMs << "ms";
    return flowing;
}

void MonitorRecorder::poll()
{
    if (m_process.state() != QProcess::Running)
        return;
    const qint64 at = m_clock.nsecsElapsed();
    const qint64 size = QFileInfo(m_path).size();
    if (size > MinimalHeader)
        m_sizes.append({at, size});
}

bool MonitorRecorder::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit;
    poll();
    ::kill(pid_t(m_process.processId()), SIGINT);
    if (!m_process.waitForFinished(3000)) {
        qWarning() << "parecord did not stop on SIGINT";
        m_process.kill();
        m_process.waitForFinished();
        return false;
    }
    return true;
}

std::optional<WavFile> MonitorRecorder::stopAndRead(QString *error)
{
    if (!stop()) {
        *error = u"parecord did not stop cleanly"_s;
        return std::nullopt;
    }
    return WavFile::read(m_path, error);
}

double MonitorRecorder::firstFrameAtMs(const WavFile &wav) const
{
    const qint64 dataOffset = wav.dataOffset;
    const int bytesPerSecond = wav.bytesPerSecond();
    double earliest = std::numeric_limits<double>::max();
    for (const auto &[atNs, size] : m_sizes) {
        if (size <= dataOffset)
            continue;
        const double capturedMs = double(size - dataOffset) * 1000.0 / bytesPerSecond;
        earliest = std::min(earliest, double(atNs) / 1e6 - capturedMs);
    }
    return earliest == std::numeric_limits<double>::max() ? -1 : earliest;
}
