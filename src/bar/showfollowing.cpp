#include "showfollowing.h"

#include "bar.h"
#include "showfollower.h"
#include "windowops.h"

ShowFollowing::ShowFollowing(Bar &bar, Clock &clock, WindowOps &windows)
    : m_bar(bar)
    , m_windows(windows)
    , m_follower(new ShowFollower(clock, bar.runState(), this))
{
    m_follower->setObjectName(QStringLiteral("showFollower"));
    connect(m_follower, &ShowFollower::wanted, this, [this](ShowFollower::Action action) {
        // Start as 启动 does; Continue and Pause as 继续 and 暂停 do, so the menu then offers
        // 暂停 or 继续.
        m_acting = true;
        if (action == ShowFollower::Action::Start)
            m_bar.start();
        else
            m_bar.toggle();
        m_acting = false;
    });
    connect(&m_bar, &Bar::runStateChanged, this, [this] {
        if (!m_acting)
            m_follower->speakerActed();
    });
    m_windows.watchShows(this, [this](int count) { m_follower->setShowCount(count); });
}

ShowFollowing::~ShowFollowing()
{
    m_windows.stopWatchingShows();
}
