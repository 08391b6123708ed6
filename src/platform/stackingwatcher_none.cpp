// Built where the X client library is missing: nothing to watch, so QtWindowOps falls back to
// raising its windows periodically.

#include "stackingwatcher.h"

StackingWatcher::StackingWatcher(QObject *parent)
    : QObject(parent)
{}

StackingWatcher::~StackingWatcher() = default;

bool StackingWatcher::isWatching() const
{
    return false;
}

void StackingWatcher::readEvents() {}

bool StackingWatcher::takeEvents(bool)
{
    return false;
}

bool StackingWatcher::othersAbove(const QList<WindowId> &, const QSet<WindowId> &)
{
    return false;
}
