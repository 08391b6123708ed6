#pragma once

#include "wavprobe.h"

#include <QString>

#include <functional>

// One sound played on the PulseAudio server over a connection of its own, opened for this sound
// and closed after it. Qt's audio keeps one connection for the life of the program and, once
// the server has been gone for longer than it waits to reconnect, never makes another; this
// one finds a restarted server at the next sound. It blocks until the sound has played, so it
// runs on a worker thread, never on the UI thread.
class PulseStream
{
public:
    // Whether this build can play this way (it needs libpulse-simple).
    static bool available();

    // Plays the samples `layout` describes at `volume` (0-1, linear, as QSoundEffect's), until
    // they end or `cancelled` returns true; it is asked every few tens of milliseconds. False
    // when the server could not be reached or the file read; `error` then says why.
    static bool play(const QString &path, const WavProbe::Layout &layout, float volume,
                     const std::function<bool()> &cancelled, QString *error = nullptr);
};
