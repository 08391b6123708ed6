#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What to do before any window exists: answer --help/--version, refuse unknown options, and
// make sure there is an X display to draw on (under Wayland, through XWayland).
namespace CommandLine {

struct Outcome
{
    bool proceed = false;
    int exitCode = 0;
    QString output; // for stdout
    QString error;  // one line for stderr
};

// `environment` reads a variable; passed in so tests need not touch the process environment.
Outcome check(const QStringList &arguments,
              const std::function<QByteArray(const char *)> &environment);

QString helpText();
QString versionText();

} // namespace CommandLine
