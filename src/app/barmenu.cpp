#include "barmenu.h"

#include "layout.h"

#include <QAction>

const QString BarMenu::PauseCaption = QStringLiteral("暂停");
const QString BarMenu::ContinueCaption = QStringLiteral("继续");
const QString BarMenu::AddMinuteCaption = QStringLiteral("加一分钟");
const QString BarMenu::RemoveMinuteCaption = QStringLiteral("减一分钟");

BarMenu::BarMenu(QWidget *parent)
    : QMenu(parent)
{
    setObjectName(QLatin1String(Layout::BarMenuName));
    setTitle(QStringLiteral("R3"));
    QAction **targets[] = {&startAction, &pauseAction, &separator, &settingsAction, &exitAction};
    int i = 0;
    for (const Layout::MenuItem &item : Layout::barMenu()) {
        const QString caption = QString::fromUtf8(item.caption);
        QAction *action = caption == QLatin1String("-") ? addSeparator() : addAction(caption);
        action->setObjectName(QLatin1String(item.name));
        *targets[i++] = action;
    }
}

void BarMenu::addMinuteItems()
{
    if (addMinuteAction)
        return;
    addMinuteAction = new QAction(AddMinuteCaption, this);
    addMinuteAction->setObjectName(QStringLiteral("addMinute"));
    removeMinuteAction = new QAction(RemoveMinuteCaption, this);
    removeMinuteAction->setObjectName(QStringLiteral("removeMinute"));
    insertActions(separator, {addMinuteAction, removeMinuteAction});
}
