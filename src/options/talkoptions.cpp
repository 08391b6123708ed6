#include "talkoptions.h"

namespace {

// Calls f(a.field, b.field) for every field, so isEmpty and overriddenBy cannot miss one.
template<typename A, typename B, typename F>
void forEachField(A &a, B &b, F &&f)
{
    f(a.lengthSeconds, b.lengthSeconds);
    f(a.reminderSeconds, b.reminderSeconds);
    f(a.noReminder, b.noReminder);
    f(a.soundFile, b.soundFile);
    f(a.borderless, b.borderless);
    f(a.start, b.start);
    f(a.screen, b.screen);
    f(a.lang, b.lang);
    f(a.atZero, b.atZero);
    f(a.stages, b.stages);
    f(a.adjust, b.adjust);
    f(a.followShow, b.followShow);
    f(a.toggle, b.toggle);
    f(a.settings, b.settings);
    f(a.exit, b.exit);
    f(a.addMinute, b.addMinute);
    f(a.removeMinute, b.removeMinute);
}

} // namespace

bool TalkOptions::isEmpty() const
{
    bool empty = true;
    forEachField(*this, *this,
                 [&](const auto &field, const auto &) { empty = empty && !field.has_value(); });
    return empty;
}

TalkOptions TalkOptions::overriddenBy(const TalkOptions &over) const
{
    TalkOptions result = *this;
    forEachField(result, over, [](auto &field, const auto &overField) {
        if (overField.has_value())
            field = overField;
    });
    return result;
}
