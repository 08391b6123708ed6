#pragma once

#include <memory>

struct TalkOptions;
class Clock;
class BarCommands;
class Bar;
class Notice;

// Builds the real collaborators and both windows, and wires them together.
class Application
{
public:
    // The options are put on the bar once it is up; none leave it as start-up made it.
    explicit Application(const TalkOptions &options);
    ~Application();

    Bar &bar();
    Notice &notice();
    const Clock &clock() const;
    // What a later start of the program may ask of this one.
    BarCommands &commands();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};
