#include "runstate.h"

bool RunState::isRunning() const
{
    return m_state == State::Running || m_state == State::RunningOffersContinue;
}

bool RunState::offersContinue() const
{
    return m_state == State::Paused || m_state == State::RunningOffersContinue;
}

void RunState::set(bool running, bool offersContinue)
{
    if (running)
        m_state = offersContinue ? State::RunningOffersContinue : State::Running;
    else
        m_state = offersContinue ? State::Paused : State::Stopped;
}

void RunState::start()
{
    set(true, offersContinue());
}

void RunState::pauseOrContinue()
{
    // Pause when the item offers Pause, whether or not the countdown runs; Continue otherwise.
    set(offersContinue(), !offersContinue());
}

RunState::Toggled RunState::toggle()
{
    switch (m_state) {
    case State::Stopped:
        start();
        return Toggled::Started;
    case State::Running:
    case State::RunningOffersContinue:
        set(false, true);
        return Toggled::Paused;
    case State::Paused:
        break;
    }
    set(true, false);
    return Toggled::Continued;
}

void RunState::timeUp()
{
    set(false, offersContinue());
}

void RunState::applied()
{
    set(false, offersContinue());
}
