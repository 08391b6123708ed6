#pragma once

#include "wavfile.h"

#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>

#include <optional>

// Records a PulseAudio monitor source to a WAV file with parecord, and works out when the
// file's first frame was captured on the caller's clock, so that a sound in the recording can
// be compared with what was seen on screen.
//
// parecord writes as the samples arrive, so at any moment the file holds at most what has been
// captured since its first frame: now - written/rate is never earlier than that frame. The
// earliest such estimate over all the times poll() looked is the best one.
class MonitorRecorder
{
public:
    explicit MonitorRecorder(const QElapsedTimer &clock);
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder &) = delete;
    MonitorRecorder &operator=(const MonitorRecorder &) = delete;

    // Starts recording and returns once sound data is reaching the file.
    bool start(const QString &device, const QString &path, int timeoutMs = 5000);
    // Notes how much has been written by now; call it often while recording.
    void poll();
    // Stops parecord the way Ctrl+C does, so it finishes the file's header.
    bool stop();
    // Stops and reads the recording back.
    std::optional<WavFile> stopAndRead(QString *error);

    // When the recording's first frame was captured, in ms on the clock; -1 before any data.
    double firstFrameAtMs(const WavFile &wav) const;

private:
    const QElapsedTimer &m_clock;
    QProcess m_process;
    QString m_path;
    QList<QPair<qint64, qint64>> m_sizes; // (ns on the clock, file size)
};
