#pragma once

#include "commandline.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

// What a start does before it knows whether a bar already runs, with Qt Core and D-Bus alone:
// no display, fonts, styles or translations, so a later start (a shortcut or a clicker key
// bound to --toggle) reaches the running bar about as quickly as a bus call would.
namespace LaterStart {

struct Checked
{
    std::optional<int> exitCode; // set when the start ends here: help, version, bad input
    CommandLine::Outcome outcome;
    // What a running bar is asked: the working folder, then the arguments; empty when there
    // are none, and the bar only comes into view.
    QStringList forward;
};

QStringList arguments(int argc, char *argv[]);

// The arguments checked as the command line reads them, --sound checked as the panel's "..."
// checks a file; what ends the start here is printed.
Checked check(const QStringList &arguments);

// When a bar runs on this desktop's bus, hands it the request and returns this start's exit
// status (the options file's notes and the bar's answer printed); nothing when none runs and
// this start is to become the bar. Uses a bus connection of its own and leaves no Qt
// application behind.
std::optional<int> askRunningBar(int argc, char *argv[], const Checked &checked);

void printLine(FILE *stream, const QString &line);

} // namespace LaterStart
