#pragma once

// The program from its arguments to its exit code: the options checked, one bar per desktop
// (a later start hands its options and commands to the running bar), then the bar itself.
namespace Startup {

int run(int argc, char *argv[]);

} // namespace Startup
