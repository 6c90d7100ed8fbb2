#include "app/win32/window_mode.h"

#include <iostream>

namespace corvantis {

int RunWindow(const ProgramInfo&, Win32Platform&) {
    std::cerr << "the window is not available yet, use --headless\n";
    return 2;
}

}  // namespace corvantis
