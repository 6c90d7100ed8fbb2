// The window mode of corvantis.exe.
#pragma once

#include <string>

#include "app/win32/win32_platform.h"
#include "platform/program_info.h"

namespace corvantis {

// Shows the window over the model and runs `platform.loop` until the program ends, the status
// kept in the settings folder and in `metricsFile` unless empty; returns the process exit code.
int RunWindow(const ProgramInfo& info, Win32Platform& platform, const std::string& metricsFile);

}  // namespace corvantis
