#include "barmenu.h"

#include "layout.h"

#include <QAction>

QString BarMenu::pauseCaption()
{
    return tr("暂停");
}

QString BarMenu::continueCaption()
{
    return tr("继续");
}

QString BarMenu::addMinuteCaption()
{
    return tr("加一分钟");
}

QString BarMenu::removeMinuteCaption()
{
    return tr("减一分钟");
}

BarMenu::BarMenu(QWidget *parent)
    : QMenu(parent)
{
    setObjectName(QLatin1String(Layout::BarMenuName));
    setTitle(QStringLiteral("R3"));
    QAction **targets[] = {&m_startAction, &m_pauseAction, &m_separator, &m_settingsAction,
                           &m_exitAction};
    int i = 0;
    for (const Layout::MenuItem &item : Layout::barMenu()) {
        const QString caption = Layout::translated(item.caption);
        QAction *action = caption == QLatin1String("-") ? addSeparator() : addAction(caption);
        action->setObjectName(QLatin1String(item.name));
        *targets[i++] = action;
    }
    connect(m_startAction, &QAction::triggered, this, &BarMenu::startChosen);
    connect(m_pauseAction, &QAction::triggered, this, &BarMenu::pauseChosen);
    connect(m_settingsAction, &QAction::triggered, this, &BarMenu::settingsChosen);
    connect(m_exitAction, &QAction::triggered, this, &BarMenu::exitChosen);
}

void BarMenu::setOffersContinue(bool offersContinue)
{
    m_pauseAction->setText(offersContinue ? continueCaption() : pauseCaption());
}

void BarMenu::addMinuteItems()
{
    if (m_addMinuteAction)
        return;
    m_addMinuteAction = new QAction(addMinuteCaption(), this);
    m_addMinuteAction->setObjectName(QStringLiteral("addMinute"));
    m_removeMinuteAction = new QAction(removeMinuteCaption(), this);
    m_removeMinuteAction->setObjectName(QStringLiteral("removeMinute"));
    insertActions(m_separator, {m_addMinuteAction, m_removeMinuteAction});
    connect(m_addMinuteAction, &QAction::triggered, this, &BarMenu::addMinuteChosen);
    connect(m_removeMinuteAction, &QAction::triggered, this, &BarMenu::removeMinuteChosen);
}
