#pragma once

#include <memory>

class BarCommands;
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
    // What a later start of the program may ask of this one.
    BarCommands &commands();

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};
