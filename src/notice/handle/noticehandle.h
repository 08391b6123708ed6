#pragma once

#include <QString>

// What the bar does with the notice window. The window loads itself on first use.
class NoticeHandle
{
public:
    virtual ~NoticeHandle() = default;

    // Show the window (loading it first if needed) with whatever it shows now. A window loaded
    // here shows the bar's `seconds` left and counts them from `dueMs` on the clock: when the
    // bar's tick that opens it was due.
    virtual void open(int seconds, qint64 dueMs) = 0;
    // Time-up without a reminder: only the closing message shows, the count runs on behind it.
    virtual void openClosingMessage(qint64 dueMs) = 0;
    // The bar's time left moved between ticks (a minute less): a counting window shows it.
    virtual void follow(int seconds) = 0;
    // The bar's time is up with the reminder on: a counting window shows the closing message
    // now and closes as usual, counted from `dueMs`; a closing one goes on. When `owed` (the
    // talk's notice never came), a window that is not loaded opens with the message alone.
    virtual void finish(qint64 dueMs, bool owed) = 0;
    // Close the window at once, sound included. Nothing happens when it is not loaded.
    virtual void unload() = 0;
    virtual bool isLoaded() const = 0;

    // What the bar's panel shows now: the reminder point, from which the count behind a
    // closing message alone runs (read at each load), and the alert sound (read at each
    // sound). The bar tells it whenever either may have changed.
    virtual void setDetails(int reminderSeconds, const QString &soundPath) = 0;
};
