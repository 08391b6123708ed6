#include "showfollowing.h"

#include "barmenu.h"
#include "form2.h"
#include "showfollower.h"
#include "windowops.h"

#include <QAction>

ShowFollowing::ShowFollowing(Form2 &bar, Clock &clock, WindowOps &windows)
    : m_bar(bar)
    , m_windows(windows)
    , m_follower(new ShowFollower(clock, bar.runState(), this))
{
    m_follower->setObjectName(QStringLiteral("showFollower"));
    connect(m_follower, &ShowFollower::wanted, this, [this](ShowFollower::Action action) {
        // Start as 启动 does; Continue and Pause as 继续 and 暂停 do, so the menu then offers
        // 暂停 or 继续.
        if (action == ShowFollower::Action::Start)
            m_bar.start();
        else
            m_bar.toggle();
    });
    for (QAction *manual : {m_bar.menu->startAction, m_bar.menu->pauseAction})
        connect(manual, &QAction::triggered, m_follower, &ShowFollower::speakerActed);
    m_windows.watchShows(this, [this](int count) { m_follower->setShowCount(count); });
}

ShowFollowing::~ShowFollowing()
{
    m_windows.stopWatchingShows();
}
