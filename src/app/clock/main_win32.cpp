// corvantis-clock for Windows: a group of wall clocks on a COM port, shown in the console.
//
// main() opens the port and runs the clock group on it until the time given or Ctrl+C.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <iostream>

#include "app/clock/clock_options.h"
#include "clock/clock_group.h"
#include "clock/clock_runner.h"
#include "platform/failure.h"
#include "platform/win32/win32_com_line.h"

namespace {

std::atomic<bool> g_stop{false};

BOOL WINAPI OnConsoleControl(DWORD) {
    g_stop = true;
    return TRUE;
}

corvantis::ClockRunner::Millis SteadyNow() {
    return std::chrono::duration_cast<corvantis::ClockRunner::Millis>(
        std::chrono::steady_clock::now().time_since_epoch());
}

constexpr std::chrono::milliseconds kReadWait{100};

}  // namespace

int main(int argc, char** argv) {
    using namespace corvantis;
    const ClockOptions options = ParseClockOptions({argv + 1, argv + argc});
    if (!options.error.empty()) {
        std::cerr << options.error << "\n" << ClockUsage(argv[0]);
        return 2;
    }
    if (options.help) {
        std::cout << ClockUsage(argv[0]);
        return 0;
    }
    if (options.ptyFile || options.window) {
        std::cerr << "corvantis-clock: --pty and --window are not available on Windows; give "
                     "a COM port\n";
        return 2;
    }
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    try {
        Win32ComLine line(*options.device);
        ClockGroup group(options.addresses, options.acknowledge);
        ClockRunner runner(line, group, std::cout, SteadyNow, /*redraw=*/false);
        const auto start = SteadyNow();
        while (!g_stop &&
               (!options.seconds || SteadyNow() - start < std::chrono::seconds(*options.seconds))) {
            runner.Step(kReadWait);
        }
    } catch (const Failure& failure) {
        std::cerr << "corvantis-clock: " << failure.description() << '\n';
        return 1;
    }
    return 0;
}
