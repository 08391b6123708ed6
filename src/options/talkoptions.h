#pragma once

#include "countdown.h"
#include "stages.h"

#include <QString>

#include <optional>

// What the speaker asked for on the command line or in the options file. Every field is empty
// unless it was given, so an empty value means "as the program has always started". Each field
// is read and written through its row in OptionValues::options().
struct TalkOptions
{
    // The core's own types: what the bar does at 00:00, and the digits' colour stages.
    using AtZero = Countdown::AtZero;
    using Stages = ::Stages;

    static constexpr int MaxReminder = 59;

    // Settings, applied as OK on the settings panel would. The {} let a designated initializer
    // leave fields out without a warning.
    std::optional<int> lengthSeconds{};
    std::optional<int> reminderSeconds{}; // 0: no reminder, as the panel's "0" entry
    std::optional<bool> noReminder{};
    std::optional<QString> soundFile{}; // absolute
    std::optional<bool> borderless{};
    std::optional<bool> start{};
    std::optional<QString> screen{}; // output name or number, matched to the screens later
    std::optional<QString> lang{};
    std::optional<AtZero> atZero{};
    std::optional<Stages> stages{};
    std::optional<bool> adjust{};
    std::optional<bool> followShow{}; // false: stop following

    // Commands for a bar that already runs, as its menu items.
    std::optional<bool> toggle{};
    std::optional<bool> settings{};
    std::optional<bool> exit{};
    std::optional<bool> addMinute{};
    std::optional<bool> removeMinute{};

    bool isEmpty() const;
    // This value with every field that `over` sets taken from `over`.
    TalkOptions overriddenBy(const TalkOptions &over) const;

    bool operator==(const TalkOptions &) const = default;
};
