#include "showfollower.h"

#include "metronometimer.h"
#include "runstate.h"

ShowFollower::ShowFollower(Clock &clock, const RunState &run, QObject *parent)
    : QObject(parent)
    , m_run(run)
    , m_grace(new MetronomeTimer(clock, this))
{
    m_grace->setObjectName(QStringLiteral("showGrace"));
    m_grace->setInterval(GraceMs);
    connect(m_grace, &MetronomeTimer::timeout, this, &ShowFollower::graceOver);
}

ShowFollower::~ShowFollower() = default;

bool ShowFollower::pauseDue() const
{
    return m_grace->isEnabled();
}

void ShowFollower::setShowCount(int count)
{
    const bool wasUp = m_shows > 0;
    m_shows = count;
    if (count > 0 && !wasUp) {
        // Back within the grace: the same show goes on, and so does whatever the bar does.
        if (pauseDue()) {
            m_grace->setEnabled(false);
            return;
        }
        if (m_run.state() == RunState::State::Stopped)
            emit wanted(Action::Start);
        else if (m_run.state() == RunState::State::Paused)
            emit wanted(Action::Continue);
    } else if (count == 0 && wasUp) {
        m_grace->restart();
    }
}

void ShowFollower::speakerActed()
{
    m_grace->setEnabled(false);
}

void ShowFollower::graceOver()
{
    m_grace->setEnabled(false);
    if (m_shows == 0 && m_run.isRunning())
        emit wanted(Action::Pause);
}
