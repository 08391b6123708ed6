// Built where the X client library is missing: no show can be seen.

#include "showwatcher.h"

ShowWatcher::ShowWatcher(QObject *parent)
    : QObject(parent)
{}

ShowWatcher::~ShowWatcher() = default;

bool ShowWatcher::canWatch()
{
    return false;
}

bool ShowWatcher::isWatching() const
{
    return false;
}

void ShowWatcher::readEvents() {}

bool ShowWatcher::takeEvents(bool)
{
    return false;
}

void ShowWatcher::recount() {}

ShowWatcher::WindowId ShowWatcher::clientOf(WindowId topLevel)
{
    return topLevel;
}
