#include "qtsoundplayer.h"

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
    const quint64 request = ++m_request;
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
    ++m_request;
    dropEffect();
}

void QtSoundPlayer::dropEffect()
{
    if (!m_effect)
        return;
    m_effect->stop();
    m_effect->deleteLater();
    m_effect = nullptr;
}

void QtSoundPlayer::startChecked(quint64 request, const QString &path, bool playable)
{
    if (request != m_request)
        return;
    dropEffect();
    if (!playable)
        return;
    // A fresh effect for every alert: with PulseAudio, Qt 6.4's QSoundEffect falls silent
    // for good after a handful of replays of the same instance. The decoded sample is
    // cached by URL, so a new effect costs no file read.
    m_effect = new QSoundEffect(this);
    m_effect->setVolume(0.5);
    m_effect->setLoopCount(1);
    m_effect->setSource(QUrl::fromLocalFile(path));
    m_effect->play();
}
