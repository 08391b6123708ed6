#pragma once

#include <optional>

// The colour stages of the digits before the end: amber from one time left, red from a later
// one, both inclusive (with amber at 4:00 the digits turn amber as 04:00 shows). Overtime is
// always red. Without stages every time left is Normal.
class Stages
{
public:
    enum class Stage { Normal, Amber, Red };

    Stages() = default;
    Stages(int amberAtSeconds, std::optional<int> redAtSeconds);

    bool isEmpty() const { return m_amberAt < 0 && m_redAt < 0; }
    // The times left they were made with, in seconds (-1 and nothing when empty).
    int amberAt() const { return m_amberAt; }
    std::optional<int> redAt() const
    {
        return m_redAt < 0 ? std::nullopt : std::optional<int>(m_redAt);
    }
    Stage at(int secondsLeft, bool over = false) const;

    bool operator==(const Stages &) const = default;

private:
    int m_amberAt = -1;
    int m_redAt = -1;
};
