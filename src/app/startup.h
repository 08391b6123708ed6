#pragma once

#include "laterstart.h"

// A start that found no running bar, from its checked arguments to its exit code: one bar per
// desktop (a bar that came up meanwhile is handed the request), then the bar itself.
namespace Startup {

int run(int argc, char *argv[], const LaterStart::Checked &checked);

} // namespace Startup
