#include "qtsoundplayer.h"

#include "wavprobe.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSoundEffect>
#include <QThreadPool>

QtSoundPlayer::QtSoundPlayer(QObject *parent)
    : QObject(parent)
    , m_effect(new QSoundEffect(this))
{
    m_effect->setVolume(0.5);
    m_effect->setLoopCount(1);
}

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
    m_effect->stop();
}

void QtSoundPlayer::startChecked(quint64 request, const QString &path, bool playable)
{
    if (request != m_request)
        return;
    m_effect->stop();
    if (!playable)
        return;
    const QUrl url = QUrl::fromLocalFile(path);
    if (m_effect->source() != url)
        m_effect->setSource(url);
    m_effect->play();
}
