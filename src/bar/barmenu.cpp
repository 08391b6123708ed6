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
    QAction **targets[] = {&startAction, &pauseAction, &separator, &settingsAction, &exitAction};
    int i = 0;
    for (const Layout::MenuItem &item : Layout::barMenu()) {
        const QString caption = Layout::translated(item.caption);
        QAction *action = caption == QLatin1String("-") ? addSeparator() : addAction(caption);
        action->setObjectName(QLatin1String(item.name));
        *targets[i++] = action;
    }
}

void BarMenu::addMinuteItems()
{
    if (addMinuteAction)
        return;
    addMinuteAction = new QAction(addMinuteCaption(), this);
    addMinuteAction->setObjectName(QStringLiteral("addMinute"));
    removeMinuteAction = new QAction(removeMinuteCaption(), this);
    removeMinuteAction->setObjectName(QStringLiteral("removeMinute"));
    insertActions(separator, {addMinuteAction, removeMinuteAction});
}
