#include "qtsoundplayer.h"

#include "mediaalertplayer.h"
#include "wavprobe.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSoundEffect>
#include <QThreadPool>

QtSoundPlayer::QtSoundPlayer(QObject *parent)
    : QObject(parent)
{}

QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::play(const QString &path)
{
    const quint64 request = ++*m_request;
    QPointer<QtSoundPlayer> self(this);
    QThreadPool::globalInstance()->start([self, request, path] {
        const bool playable = WavProbe::probe(path) == WavProbe::Verdict::Playable;
        // Back on the UI thread; the player may be gone by then.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, request, path, playable] {
                if (self)
                    self->startChecked(request, path, playable);
            },
            Qt::QueuedConnection);
    });
}

void QtSoundPlayer::stop()
{
    ++*m_request;
    dropEffect();
    if (m_fallback)
        m_fallback->stop();
}

void QtSoundPlayer::dropEffect()
{
    if (!m_effect)
        return;
    m_effect->disconnect(this);
    m_effect->stop();
    m_effect->deleteLater();
    m_effect = nullptr;
}

void QtSoundPlayer::startChecked(quint64 request, const QString &path, bool playable)
{
    if (request != *m_request)
        return;
    dropEffect();
    if (m_fallback) {
        if (playable)
            m_fallback->play(path);
        else
            m_fallback->stop();
        return;
    }
    if (!playable)
        return;
    // A fresh effect for every alert: with PulseAudio, Qt 6.4's QSoundEffect falls silent
    // for good after a handful of replays of the same instance. The decoded sample is
    // cached by URL, so a new effect costs no file read.
    m_effect = new QSoundEffect(this);
    m_effect->setVolume(Volume);
    m_effect->setLoopCount(1);
    // An effect that stops by itself with its one loop still to play never got its sound to
    // the server: Qt's audio has lost it. Qt reconnects only once, three seconds after the
    // loss, and gives up for good if the server is not back by then; so this alert and every
    // later one go through media players of their own. (Our own stops come disconnected.)
    connect(m_effect, &QSoundEffect::playingChanged, this, [this, path] {
        if (!m_effect || m_effect->isPlaying() || m_effect->loopsRemaining() == 0)
            return;
        dropEffect();
        m_fallback = std::make_unique<MediaAlertPlayer>(Volume);
        m_fallback->play(path);
    });
    m_effect->setSource(QUrl::fromLocalFile(path));
    m_effect->play();
}
