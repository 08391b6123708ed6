#include "mediaalertplayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QThread>
#include <QUrl>

namespace {

QMediaPlayer *playerOf(QObject *context)
{
    return context->findChild<QMediaPlayer *>(QString(), Qt::FindDirectChildrenOnly);
}

// On the player's thread. Deleting the player ends its pipeline and frees its server stream.
void endPlayer(QObject *context)
{
    delete playerOf(context);
}

} // namespace

MediaAlertPlayer::MediaAlertPlayer(float volume)
    : m_volume(volume)
    , m_thread(new QThread)
    , m_context(new QObject)
{
    m_thread->setObjectName(QStringLiteral("alert player"));
    m_context->moveToThread(m_thread);
    m_thread->start();
}

MediaAlertPlayer::~MediaAlertPlayer()
{
    QThread *thread = m_thread;
    QObject *context = m_context;
    // Once the thread has ended, the player and the thread go; a running QThread must not be
    // deleted. Queued to this thread, so it runs after the wait below or, when the thread is
    // still stuck on a hung server then, as soon as the server lets go of it.
    QObject::connect(thread, &QThread::finished, thread, [thread, context] {
        delete context;
        thread->deleteLater();
    });
    thread->quit();
    if (thread->wait(QDeadlineTimer(EndWaitMs))) {
        delete context;
        delete thread; // and the clean-up queued for it
    }
}

void MediaAlertPlayer::play(const QString &path)
{
    QObject *context = m_context;
    const float volume = m_volume;
    QMetaObject::invokeMethod(
        context,
        [context, volume, path] {
            endPlayer(context);
            auto *player = new QMediaPlayer(context);
            auto *output = new QAudioOutput(player);
            output->setVolume(volume);
            player->setAudioOutput(output);
            // A finished player still holds its stream on the server; let it go at once.
            QObject::connect(player, &QMediaPlayer::mediaStatusChanged, player,
                             [player](QMediaPlayer::MediaStatus status) {
                                 if (status == QMediaPlayer::EndOfMedia)
                                     player->deleteLater();
                             });
            // While the server is away the player fails with an error and stays silent, as
            // QSoundEffect does; the next alert's player tries again.
            player->setSource(QUrl::fromLocalFile(path));
            player->play();
        },
        Qt::QueuedConnection);
}

void MediaAlertPlayer::stop()
{
    QObject *context = m_context;
    QMetaObject::invokeMethod(
        context, [context] { endPlayer(context); }, Qt::QueuedConnection);
}
