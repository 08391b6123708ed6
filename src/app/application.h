#pragma once

#include <memory>

class Clock;
class Form2;
class Form3;

// Builds the real collaborators and both windows, and wires them together.
class Application
{
public:
    Application();
    ~Application();

    Form2 &bar();
    Form3 &notice();
    const Clock &clock() const;

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};
