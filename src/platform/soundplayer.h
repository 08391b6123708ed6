#pragma once

#include <QString>

// Plays an alert sound file once from its start. Starting it again restarts it; a path that
// holds no playable sound is silence, never an error shown to the user.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString &path) = 0;
    virtual void stop() = 0;
};
