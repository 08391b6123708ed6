#pragma once

#include "barcommands.h"

#include <QString>
#include <QStringList>

// Keeps the desktop to one bar. The first start claims the desktop and answers later starts
// through its BarCommands; a later start finds the claim taken and asks the first instead.
class InstanceChannel
{
public:
    enum class Claim {
        Claimed, // this start has the desktop
        Taken,   // another bar has it: talk to it with activate() and command()
        Failed,  // this channel cannot tell; error() says why
    };

    virtual ~InstanceChannel() = default;

    virtual Claim claim() = 0;
    virtual QString error() const = 0;

    // Once claimed, requests from later starts go to `commands` (nullptr: refuse them all).
    virtual void serve(BarCommands *commands) = 0;

    // Once the claim is taken: requests to the bar that holds it.
    virtual CommandReply activate() = 0;
    virtual CommandReply command(const QString &verb, const QStringList &args) = 0;
};
