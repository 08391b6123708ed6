#include "runningbar.h"

#include "windowops.h"

#include <QWidget>

RunningBar::RunningBar(QWidget &bar, WindowOps &windows)
    : m_bar(bar)
    , m_windows(windows)
{}

void RunningBar::activate()
{
    // Where it is, shown and on top; never activated, so the slide show keeps the keyboard.
    m_windows.showTopmost(&m_bar, m_bar.geometry());
}

CommandReply RunningBar::command(const QString &verb, const QStringList &)
{
    return {false, QStringLiteral("unknown command '%1'").arg(verb)};
}
