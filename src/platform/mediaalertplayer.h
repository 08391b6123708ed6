#pragma once

#include <QString>

class QObject;
class QThread;

// Alerts played with QMediaPlayer, a fresh player for each, on a thread of its own. With Qt's
// default media back end on Linux (GStreamer), every player opens a connection of its own to
// the sound server, so a player made after the server has restarted finds it again, where
// QSoundEffect's one shared connection never comes back. Starting and ending a player waits for
// the server (seconds while it hangs), so none of that happens on the calling thread; calls
// return at once and the newest one wins. Use it from the thread that made it.
class MediaAlertPlayer final
{
public:
    // How long its end waits at most for the last player to let go of the sound server.
    // Ending a player on a hung server lasts until GStreamer gives up on it (seconds); past
    // this the thread and its player are left to go once the server lets go of them, rather than
    // hold up the program's exit.
    static constexpr int EndWaitMs = 2000;

    // `volume` is linear, 0-1, as QSoundEffect's.
    explicit MediaAlertPlayer(float volume);
    ~MediaAlertPlayer();

    MediaAlertPlayer(const MediaAlertPlayer &) = delete;
    MediaAlertPlayer &operator=(const MediaAlertPlayer &) = delete;

    // Ends the alert still sounding, if any, and plays the sound at path once.
    void play(const QString &path);
    void stop();

private:
    float m_volume;
    QThread *m_thread;
    // Lives on m_thread and owns the player of the alert now sounding; only code run on that
    // thread touches either, so no lock is needed.
    QObject *m_context;
};
