#pragma once

#include <QStringList>

#include <optional>

struct TalkOptions;
class Bar;

// The talk's options from the command line, the options file or a later start, put on the
// bar. Each option changes exactly what it names: a length or a reminder applies as the
// panel's OK would, with whatever the options leave out taken from the bar's applied settings
// (never from unapplied picks on the panel); the border, the sound, what happens at 00:00,
// the colour stages and the minute items change without stopping the talk; Start last.
// With no options the bar stays exactly as start-up left it.
namespace StartOptions {

// Without an X display the bar cannot see a slide show, so it cannot follow one.
inline const QString FollowShowRefusal =
    QStringLiteral("--follow-show needs an X display to see the slide show on");

// Why the bar's OK would refuse the settings these options make, in its own words, or why it
// cannot follow the show; nothing when it would take them. Nothing is changed either way.
std::optional<QString> refusal(const Bar &bar, const TalkOptions &options);

// Puts the options on the bar unless they are refused (then nothing changes); returns what
// changed, one short phrase each.
QStringList apply(Bar &bar, const TalkOptions &options);

} // namespace StartOptions
