#pragma once

#include <QString>

#include <optional>

// The checks a sound file passes before it becomes the alert, the same for --sound and the
// settings panel's "..." choice.
namespace SoundFileCheck {

// Why `path` cannot be the alert sound (one line in English, as every line the program writes
// to stderr), or nothing when it can.
std::optional<QString> problem(const QString &path);

} // namespace SoundFileCheck
