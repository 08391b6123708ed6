#pragma once

#include "talkoptions.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <variant>

// The options, each defined once in one table: its name, kind, help and the TalkOptions field
// it reads its text into. The command line, the options file, --help and the running bar all
// read that table, so they know the same names and the same values.
namespace OptionValues {

enum class Kind {
    Length,  // the talk's length: LENGTH on the command line, the options file's "length" key
    Setting, // takes a value
    Flag,    // on when given; true/false in the options file
    Command, // for a bar that already runs; command line only
};

// The TalkOptions field an option sets.
using Field = std::variant<std::optional<int> TalkOptions::*, std::optional<bool> TalkOptions::*,
                           std::optional<QString> TalkOptions::*,
                           std::optional<TalkOptions::AtZero> TalkOptions::*,
                           std::optional<TalkOptions::Stages> TalkOptions::*>;

// Reads `text` into the option's field: why the text is refused, or nothing. `baseDir` makes a
// relative path absolute.
using Parse = std::function<std::optional<QString>(TalkOptions &options, const QString &text,
                                                   const QString &baseDir)>;

struct Option
{
    QString name;
    Kind kind;
    QString valueName; // for --help; empty unless kind is Setting
    QString help;
    Field field;
    Parse parse;
};

// The talk's length as the command line's LENGTH and the file's "length" key.
inline const QString LengthKey = QStringLiteral("length");

const QList<Option> &options();
const Option *find(const QString &name);

// "20" (minutes), "20:00" or "1:30" (m:ss), up to 99:59; nothing for anything else.
std::optional<int> parseLength(const QString &text);
std::optional<bool> parseBool(const QString &text);
QString formatLength(int seconds);

// The name of the first command that `options` gives ("toggle", "exit", ...), or empty.
QString commandFor(const TalkOptions &options);

// `text` as a message quotes it: at most QuotedLength characters, with anything that is not
// printable (a binary file's bytes, a line break) shown as '?', so one problem stays one short
// line on the terminal.
inline constexpr qsizetype QuotedLength = 40;
QString quoted(const QString &text);

// Why a reminder cannot go with a length (the panel's rule: equal is fine), or nothing.
std::optional<QString> reminderProblem(const TalkOptions &options);

} // namespace OptionValues
