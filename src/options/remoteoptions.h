#pragma once

#include "talkoptions.h"

#include <QString>
#include <QStringList>

#include <optional>

// A later start's options and commands, sent to the running bar as "name=value" lines in the
// options file's words, with the values made whole there (an absolute sound path), so the bar
// reads them exactly as the later start understood them.
namespace RemoteOptions {

QStringList encode(const TalkOptions &options);
// The options, or why a line is refused.
std::optional<TalkOptions> decode(const QStringList &lines, QString *why);

// The first command among the options that only a running bar can carry out ("toggle",
// "exit", ...), or empty.
QString commandFor(const TalkOptions &options);

} // namespace RemoteOptions
