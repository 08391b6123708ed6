#pragma once

#include "talkoptions.h"

#include <QList>
#include <QString>

#include <optional>

// The long options, shared by the command line and the options file, and the reading of their
// values. One table, so --help, the parser and the file all know the same names.
namespace OptionValues {

enum class Kind {
    Setting, // takes a value
    Flag,    // on when given; true/false in the options file
    Command, // for a bar that already runs; command line only
};

struct Option
{
    QString name;
    Kind kind;
    QString valueName; // for --help; empty unless kind is Setting
    QString help;
};

// The talk's length as the command line's LENGTH and the file's "length" key.
inline const QString LengthKey = QStringLiteral("length");

const QList<Option> &options();
const Option *find(const QString &name);

// "20" (minutes), "20:00" or "1:30" (m:ss), up to 99:59; nothing for anything else.
std::optional<int> parseLength(const QString &text);
std::optional<bool> parseBool(const QString &text);
QString formatLength(int seconds);

// Sets the option `name` (or LengthKey) in `options` from its text. Flags and commands take
// true/false. Returns why the text is refused, or nothing. `baseDir` makes a relative sound
// path absolute.
std::optional<QString> set(TalkOptions &options, const QString &name, const QString &text,
                           const QString &baseDir);

// `text` as a message quotes it: at most QuotedLength characters, with anything that is not
// printable (a binary file's bytes, a line break) shown as '?', so one problem stays one short
// line on the terminal.
inline constexpr qsizetype QuotedLength = 40;
QString quoted(const QString &text);

// Why a reminder cannot go with a length (the panel's rule: equal is fine), or nothing.
std::optional<QString> reminderProblem(const TalkOptions &options);

} // namespace OptionValues
