// corvantis-clock: a group of wall clocks on a serial line, shown in a terminal.
//
// main() opens the line (a serial device, or a new pseudo-terminal pair) and runs the clock
// group on it until the time given, SIGINT or SIGTERM.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iostream>

#include "app/clock/clock_options.h"
#include "app/clock/clock_window.h"
#include "clock/clock_group.h"
#include "clock/clock_runner.h"
#include "platform/failure.h"
#include "platform/posix/posix_tty_line.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnStopSignal(int) {
    g_stop = 1;
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
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    try {
        posix::TtyLine line =
            options.ptyFile ? posix::TtyLine::NewPseudoTerminal() : posix::TtyLine(*options.device);
        if (options.ptyFile) {
            std::ofstream(*options.ptyFile) << line.SlavePath() << '\n';
            std::cout << "clocks listening on " << line.SlavePath() << std::endl;
        }
        ClockGroup group(options.addresses, options.acknowledge);
        if (options.window) {
            return RunClockWindow(
                line, group, SteadyNow, options.seconds, [] { return g_stop != 0; }, argc, argv);
        }
        const bool redraw = !options.lines && ::isatty(STDOUT_FILENO) == 1;
        ClockRunner runner(line, group, std::cout, SteadyNow, redraw);
        const auto start = SteadyNow();
        while (g_stop == 0 &&
               (!options.seconds || SteadyNow() - start < std::chrono::seconds(*options.seconds))) {
            runner.Step(kReadWait);
        }
    } catch (const Failure& failure) {
        std::cerr << "corvantis-clock: " << failure.description() << '\n';
        return 1;
    }
    return 0;
}
