#pragma once

#include "soundplayer.h"

#include <QObject>

#include <atomic>
#include <memory>

class MediaAlertPlayer;
class QSoundEffect;

// Alert playback with QSoundEffect at half volume. The file is checked on a worker thread
// first, so neither a strange path nor a huge file can stall the countdown or fill memory.
// Once Qt's audio has lost its sound server for good, alerts go through a media player of their
// own each (MediaAlertPlayer), which finds a restarted server.
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
    void startChecked(quint64 request, const QString &path, bool playable);
    void dropEffect();

    QSoundEffect *m_effect = nullptr;
    // Made once Qt's audio has lost the server; from then on every alert goes through it.
    std::unique_ptr<MediaAlertPlayer> m_fallback;
    // The newest play/stop wins over file checks still under way, which read it on their
    // worker threads.
    std::shared_ptr<std::atomic<quint64>> m_request = std::make_shared<std::atomic<quint64>>(0);
};
