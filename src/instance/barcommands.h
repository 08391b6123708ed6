#pragma once

#include <QString>
#include <QStringList>

// How long a later start waits for the running bar's answer. The bar answers at once (it never
// opens a window for a request), so this only tells a hung bar from a busy machine.
inline constexpr int ReplyTimeoutMs = 10000;

// A running bar's answer to a request from a later start of the program.
struct CommandReply
{
    bool ok = false;
    QString message; // what was done, or why it was refused
    // Refused for what was asked (a setting the bar's OK would refuse, a screen it lacks): the
    // later start's input is wrong, not the channel.
    bool invalid = false;
};

// What a running bar does when a later start of the program asks (see InstanceChannel).
class BarCommands
{
public:
    // The verb of the command that carries a later start's arguments: its working folder
    // first (the base of a relative path), then its command-line arguments without the
    // program's name.
    static inline const QString ArgumentsVerb = QStringLiteral("arguments");

    virtual ~BarCommands() = default;

    // Bring the bar into view: shown, above other windows.
    virtual void activate() = 0;

    // A command from the later start's command line: `verb` and its arguments.
    virtual CommandReply command(const QString &verb, const QStringList &args) = 0;
};
