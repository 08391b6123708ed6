#pragma once

#include "soundplayer.h"
#include "wavprobe.h"

#include <QObject>

#include <atomic>
#include <memory>

class QSoundEffect;

// Alert playback with QSoundEffect at half volume. The file is checked on a worker thread
// first, so neither a strange path nor a huge file can stall the countdown or fill memory.
// Once Qt's audio has lost its sound server for good, alerts go to the server directly, over a
// connection of their own on a worker thread (PulseStream), which finds a restarted server.
class QtSoundPlayer final : public QObject, public SoundPlayer
{
    Q_OBJECT

public:
    // Linear, as QSoundEffect's volume.
    static constexpr float Volume = 0.5f;

    explicit QtSoundPlayer(QObject *parent = nullptr);
    ~QtSoundPlayer() override;

    void play(const QString &path) override;
    void stop() override;

    // The effect of the alert now sounding or loading, if any.
    const QSoundEffect *currentEffect() const { return m_effect; }

private:
    void startChecked(quint64 request, const QString &path, bool playable,
                      const WavProbe::Layout &layout);
    void playDirectly(quint64 request, const QString &path, const WavProbe::Layout &layout);
    void dropEffect();

    QSoundEffect *m_effect = nullptr;
    bool m_direct = false; // Qt's audio has lost the server: alerts bypass it
    // The newest play/stop wins over checks and direct plays still under way, which read it on
    // their worker threads.
    std::shared_ptr<std::atomic<quint64>> m_request = std::make_shared<std::atomic<quint64>>(0);
};
