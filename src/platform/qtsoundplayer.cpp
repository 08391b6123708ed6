#include "qtsoundplayer.h"

#include "pulsestream.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSoundEffect>
#include <QThreadPool>

QtSoundPlayer::QtSoundPlayer(QObject *parent)
    : QObject(parent)
{}

// A direct play still under way stops at its next piece.
QtSoundPlayer::~QtSoundPlayer()
{
    ++*m_request;
}

void QtSoundPlayer::play(const QString &path)
{
    const quint64 request = ++*m_request;
    QPointer<QtSoundPlayer> self(this);
    QThreadPool::globalInstance()->start([self, request, path] {
        WavProbe::Layout layout;
        const bool playable = WavProbe::probe(path, &layout) == WavProbe::Verdict::Playable;
        // Back on the UI thread; the player may be gone by then.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, request, path, playable, layout] {
                if (self)
                    self->startChecked(request, path, playable, layout);
            },
            Qt::QueuedConnection);
    });
}

void QtSoundPlayer::stop()
{
    ++*m_request;
    dropEffect();
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

void QtSoundPlayer::startChecked(quint64 request, const QString &path, bool playable,
                                 const WavProbe::Layout &layout)
{
    if (request != *m_request)
        return;
    dropEffect();
    if (!playable)
        return;
    if (m_direct) {
        playDirectly(request, path, layout);
        return;
    }
    // A fresh effect for every alert: with PulseAudio, Qt 6.4's QSoundEffect falls silent
    // for good after a handful of replays of the same instance. The decoded sample is
    // cached by URL, so a new effect costs no file read.
    m_effect = new QSoundEffect(this);
    m_effect->setVolume(Volume);
    m_effect->setLoopCount(1);
    // An effect that stops by itself with its one loop still to play never got its sound to
    // the server: Qt's audio has lost it. Qt reconnects only once, three seconds after the
    // loss, and gives up for good if the server is not back by then; so this alert and every
    // later one go to the server directly. (Our own stops come disconnected.)
    connect(m_effect, &QSoundEffect::playingChanged, this, [this, request, path, layout] {
        if (!m_effect || m_effect->isPlaying() || m_effect->loopsRemaining() == 0
            || !PulseStream::available())
            return;
        m_direct = true;
        dropEffect();
        playDirectly(request, path, layout);
    });
    m_effect->setSource(QUrl::fromLocalFile(path));
    m_effect->play();
}

void QtSoundPlayer::playDirectly(quint64 request, const QString &path,
                                 const WavProbe::Layout &layout)
{
    QThreadPool::globalInstance()->start([latest = m_request, request, path, layout] {
        // Silence while the server is away, as with Qt's audio; the next alert tries again.
        PulseStream::play(path, layout, Volume, [&] { return *latest != request; });
    });
}
