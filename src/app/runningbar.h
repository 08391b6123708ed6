#pragma once

#include "barcommands.h"

class QWidget;
class WindowOps;

// The requests a later start of the program can make of the running bar.
class RunningBar final : public BarCommands
{
public:
    RunningBar(QWidget &bar, WindowOps &windows);

    void activate() override;
    CommandReply command(const QString &verb, const QStringList &args) override;

private:
    QWidget &m_bar;
    WindowOps &m_windows;
};
