#pragma once

struct TalkOptions;
class Form2;

// The talk's options from the command line or the options file, put on a loaded bar: the
// settings as the panel's OK would apply them, then Start when asked; what happens at 00:00,
// the colour stages and the minute items. With no options the bar stays exactly as start-up
// left it.
namespace StartOptions {

// The reminder the panel offers until the user picks another.
inline constexpr int PanelReminder = 30;

void apply(Form2 &bar, const TalkOptions &options);

} // namespace StartOptions
