#pragma once

#include <QObject>

class Clock;
class Bar;
class ShowFollower;
class WindowOps;

// The bar following the slide show, for as long as this lives: the desktop's shows are
// watched, and the bar starts, continues and pauses as ShowFollower asks. Anything else that
// starts, pauses, continues or stops the bar (the menu, a later start's command, OK, time-up)
// drops a pause that is still due.
class ShowFollowing final : public QObject
{
    Q_OBJECT

public:
    ShowFollowing(Bar &bar, Clock &clock, WindowOps &windows);
    ~ShowFollowing() override;

    const ShowFollower &follower() const { return *m_follower; }

private:
    Bar &m_bar;
    WindowOps &m_windows;
    ShowFollower *m_follower = nullptr;
    bool m_acting = false; // the bar is doing what the follower asked
};
