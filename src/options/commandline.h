#pragma once

#include "optionsfile.h"
#include "talkoptions.h"

#include <QString>
#include <QStringList>

#include <functional>

// What to do before any window exists: answer --help/--version, read the talk's options from
// the command line and the options file, refuse bad ones, and make sure there is an X display
// to draw on (under Wayland, through XWayland).
namespace CommandLine {

struct Outcome
{
    bool proceed = false;
    int exitCode = 0;
    QString output;          // for stdout
    QString error;           // one line for stderr
    QStringList warnings;    // lines for stderr when proceeding: options file values left out
    TalkOptions options;     // the options file's, overridden by the command line's
    TalkOptions commandLine; // the command line's alone, for a bar that already runs
    OptionsFile file{{}};    // the options file read, for notes on its values found later
};

// What every line for stderr starts with.
inline const QString MessagePrefix = QStringLiteral("talk-countdown: ");

// The arguments (the program's name first, as in main's argv) read on their own, without the
// display or the options file: a relative --sound is taken from `baseDir`. On success
// `commandLine` holds what they give; --help and --version answer in `output`. The running bar
// reads a later start's arguments with it too.
Outcome parse(const QStringList &arguments, const QString &baseDir);

// `environment` reads a variable; passed in so tests need not touch the process environment
// or the real home folder. A relative --sound is taken from the current folder. A sound from
// the options file that fails SoundFileCheck is left out (--sound is checked by the caller, so
// that it can be refused).
Outcome check(const QStringList &arguments,
              const std::function<QByteArray(const char *)> &environment);

QString helpText();
QString versionText();

} // namespace CommandLine
