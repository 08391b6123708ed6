#pragma once

#include <QObject>

class Clock;
class MetronomeTimer;
class RunState;

// The talk follows the slide show. Told how many shows (full-screen windows of other programs)
// are up, it asks the bar to start or continue when one appears where none was, and to pause
// when the last one has stayed away for a grace period. A show that is still up asks nothing
// more: a manual pause holds, and time-up is not undone, until a show appears again.
class ShowFollower final : public QObject
{
    Q_OBJECT

public:
    enum class Action { Start, Continue, Pause };

    // A program that replaces its show window, or the speaker leaving the show for the desktop
    // and going back, is back within this; pausing the talk then would time it wrong.
    static constexpr int GraceMs = 2000;

    // `run` is the bar's run state, read when a show appears or the grace ends.
    ShowFollower(Clock &clock, const RunState &run, QObject *parent = nullptr);
    ~ShowFollower() override;

    // How many shows are up now; may be told the same count again.
    void setShowCount(int count);
    int showCount() const { return m_shows; }
    // The last show is gone and the grace is running.
    bool pauseDue() const;
    // The speaker started, paused or continued the talk: a pause still due is dropped.
    void speakerActed();

signals:
    void wanted(ShowFollower::Action action);

private:
    void graceOver();

    const RunState &m_run;
    MetronomeTimer *m_grace = nullptr;
    int m_shows = 0;
};
