// Running the program without a window on Linux, on our own event loop: no toolkit needed.
#pragma once

#include "app/options.h"

namespace corvantis {

// Runs the program headless until "Close and Exit" (the operator word "exit", SIGINT or
// SIGTERM) and returns the exit code. Settings live in the folder the options and the
// executable's place pick; one line per event goes to standard output, dialogs and warnings
// to standard error, and operator words are read from standard input. `argv0` names the
// executable when the system cannot. Call before any other thread starts.
int RunHeadless(const Options& options, const char* argv0);

}  // namespace corvantis
