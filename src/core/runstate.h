#pragma once

// Whether the countdown runs, and what the Pause/Continue item offers next. The item offers
// Continue after a pause; Start and time-up leave its offer as it was, so the countdown can
// run while the item still offers Continue (choosing it then only puts the offer right).
class RunState
{
public:
    enum class State {
        Stopped, // not counting; the item offers Pause
        Running, // counting; the item offers Pause
        Paused,  // not counting; the item offers Continue
        RunningOffersContinue,
    };

    State state() const { return m_state; }
    bool isRunning() const;
    bool offersContinue() const;

    // What a toggle did: a stopped bar starts, a counting one pauses, a paused one continues.
    enum class Toggled { Started, Paused, Continued };

    void start();
    void pauseOrContinue();
    // One key to begin, pause and go on, whatever the menu item offers; Started asks the
    // caller for the rest of Start (the time left from the preset).
    Toggled toggle();
    void timeUp();
    void applied(); // an accepted OK on the settings panel stops the countdown

private:
    void set(bool running, bool offersContinue);

    State m_state = State::Stopped;
};
