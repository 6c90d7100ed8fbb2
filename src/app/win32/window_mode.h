// The window mode of corvantis.exe.
#pragma once

#include "app/win32/win32_platform.h"
#include "platform/program_info.h"

namespace corvantis {

// Shows the window over the model and runs `platform.loop` until the program ends; returns
// the process exit code.
int RunWindow(const ProgramInfo& info, Win32Platform& platform);

}  // namespace corvantis
