#pragma once

#include <QtGlobal>

// What the bar does with the notice window. The window loads itself on first use.
class NoticeHandle
{
public:
    virtual ~NoticeHandle() = default;

    // Show the window (loading it first if needed) with whatever it shows now. A window loaded
    // here counts from `dueMs` on the clock: when the bar's tick that opens it was due.
    virtual void open(qint64 dueMs) = 0;
    // Time-up without a reminder: only the closing message shows, the count runs on behind it.
    virtual void openClosingMessage(qint64 dueMs) = 0;
    // Close the window at once, sound included. Nothing happens when it is not loaded.
    virtual void unload() = 0;
    virtual bool isLoaded() const = 0;
};
