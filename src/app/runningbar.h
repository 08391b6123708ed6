#pragma once

#include "barcommands.h"

class Bar;
class WindowOps;

// The requests a later start of the program can make of the running bar: come into view, or
// take the later start's arguments (read as its command line reads them) and carry out their
// options and commands, as the panel's OK and the menu would.
class RunningBar final : public BarCommands
{
public:
    RunningBar(Bar &bar, WindowOps &windows);

    void activate() override;
    CommandReply command(const QString &verb, const QStringList &args) override;

private:
    Bar &m_bar;
    WindowOps &m_windows;
};
