#include "stages.h"

Stages::Stages(int amberAtSeconds, std::optional<int> redAtSeconds)
    : m_amberAt(amberAtSeconds)
    , m_redAt(redAtSeconds.value_or(-1))
{}

Stages::Stage Stages::at(int secondsLeft, bool over) const
{
    if (over || secondsLeft <= m_redAt)
        return Stage::Red;
    return secondsLeft <= m_amberAt ? Stage::Amber : Stage::Normal;
}
