#pragma once

#include "soundplayer.h"

#include <QObject>

class QSoundEffect;

// Alert playback with QSoundEffect at half volume. The file is checked on a worker thread
// first, so neither a strange path nor a huge file can stall the countdown or fill memory.
class QtSoundPlayer final : public QObject, public SoundPlayer
{
    Q_OBJECT

public:
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
    quint64 m_request = 0; // the newest play/stop wins over checks still under way
};
