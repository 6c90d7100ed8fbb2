// program_cost [seconds] [start-ups] [modes]
//
// What the real executables cost while they keep the clocks set: CPU time, wake-ups, peak
// memory and the time from process start to the first message on the wire. Runs each program
// in a scratch settings folder with COM1 mapped to a pseudo-terminal: `corvantis` headless,
// `corvantis` with its window on the offscreen platform, and the toolkit-free
// `corvantis-headless`, `seconds` each (default 60), draining the far end of the line and the
// program's output meanwhile, then stops it with SIGTERM. `start-ups` (default 5, the long run
// included) start-up samples are taken per mode. `modes` picks some of them by letter:
// h (headless), w (window), l (lean); all three by default. Prints figures; passes or fails
// nothing.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "child_program.h"
#include "support/pty_pair.h"
#include "wire_timing.h"

namespace corvantis::bench {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

constexpr nanoseconds kTickInterval = 100ms;
// Start each run this long after an even second of the wall clock, so that a program ready
// within the rest of that second sends a message carrying that very second.
constexpr nanoseconds kStartAfterEvenSecond = 5ms;
constexpr nanoseconds kFirstMessageLimit = 5s;

enum class Mode { Headless, Window, Lean };

const char* ModeName(Mode mode) {
    switch (mode) {
        case Mode::Headless:
            return "headless (corvantis --headless)";
        case Mode::Window:
            return "window (corvantis, offscreen)";
        case Mode::Lean:
            break;
    }
    return "lean headless (corvantis-headless)";
}

const char* Executable(Mode mode) {
    return mode == Mode::Lean ? CORVANTIS_LEAN_EXECUTABLE : CORVANTIS_EXECUTABLE;
}

double Percent(nanoseconds part, nanoseconds whole) {
    return whole.count() > 0 ? 100.0 * static_cast<double>(part.count()) / whole.count() : 0;
}

// When the program's first message left, relative to its start.
struct StartUp {
    // Process start (just before fork) to the first byte of the first message on the wire.
    nanoseconds toFirstMessage{};
    // Whether the first message carried the even second the program was started in, so that
    // toFirstMessage is the program's own start-up plus the wait for its first aligned tick.
    bool sameSecond = false;
    // Process start to the tenth of a second the first tick fell on.
    nanoseconds toTickBoundary{};
    // CPU time the program had used when its first message arrived: the start-up's own work,
    // whatever else the machine is busy with.
    nanoseconds cpuToFirstMessage{};
};

struct RunResult {
    std::string problem;
    StartUp startUp;
    nanoseconds wall{};            // fork to reaped
    nanoseconds cpu{};             // user + system, from wait4
    nanoseconds steadyWall{};      // first message to just before SIGTERM
    nanoseconds steadyCpu{};       // CPU used over steadyWall, from /proc
    long long steadyWakeups = -1;  // voluntary context switches over steadyWall
    long maxRssKb = 0;             // ru_maxrss
    std::size_t messages = 0;      // messages on the wire
    int exitStatus = -1;
    std::string stderrHead;
};

// The command line of one run of `mode` in `settings`.
std::vector<std::string> CommandLine(Mode mode, const ScratchFolder& settings) {
    std::vector<std::string> arguments{Executable(mode)};
    if (mode == Mode::Headless) {
        arguments.push_back("--headless");
    }
    arguments.push_back("--settings-dir");
    arguments.push_back(settings.Path());
    return arguments;
}

// What the run's environment adds: the autostart entries the program tidies at start-up live
// under XDG_CONFIG_HOME, kept in the scratch folder away from the user's own; the window
// draws offscreen.
std::vector<std::string> AddedEnvironment(Mode mode, const ScratchFolder& settings) {
    std::vector<std::string> added{"XDG_CONFIG_HOME=" + settings.Path() + "/config"};
    if (mode == Mode::Window) {
        added.push_back("QT_QPA_PLATFORM=offscreen");
    }
    return added;
}

// Stops the run and fills in how it ended.
void Stop(ChildProgram& run, RunResult& result) {
    const ChildEnd end = run.Stop();
    result.wall = RealtimeNow() - run.Start();
    if (end.killed) {
        result.problem = "did not end within 5 s of SIGTERM; killed";
    }
    result.exitStatus = end.exitStatus;
    result.cpu = end.cpu;
    result.maxRssKb = end.maxRssKb;
}

// Sleeps until just after the next even second of the wall clock.
void WaitForEvenSecond() {
    const nanoseconds twoSeconds = 2s;
    const auto now = RealtimeNow();
    SleepUntilRealtime(now - now % twoSeconds + twoSeconds + kStartAfterEvenSecond);
}

// Runs the program for `span` (at least until its first message), measuring as it goes.
RunResult RunOnce(Mode mode, nanoseconds span) {
    ScratchFolder settings;
    testing::PtyPair line;
    settings.Write("Corvantis.ini",
                   "[Ports]\r\nCOM1=" + line.SlavePath() + "\r\n[SerialSync]\r\nCOMPORT=COM1\r\n");
    WaitForEvenSecond();
    ChildProgram run(CommandLine(mode, settings), {"QT_QPA_PLATFORM", "XDG_CONFIG_HOME"},
                     AddedEnvironment(mode, settings), line);
    RunResult result;
    if (!run.WaitForFirstMessage(kFirstMessageLimit)) {
        result.problem = "no message on the wire within 5 s";
        Stop(run, result);
        result.stderrHead = run.Stderr();
        return result;
    }
    const Arrival first = run.Wire().Arrivals().front();
    const auto firstCpu = run.CpuTime();
    const auto firstWakeups = run.Wakeups();
    StartUp& startUp = result.startUp;
    startUp.toFirstMessage = first.firstByte - run.Start();
    const auto carried = CarriedSecond(first.message);
    startUp.sameSecond = carried && nanoseconds(*carried) <= run.Start();
    startUp.toTickBoundary = first.firstByte - first.firstByte % kTickInterval - run.Start();
    startUp.cpuToFirstMessage = firstCpu.value_or(nanoseconds(0));

    run.CollectUntil(run.Start() + span, [] {});
    const auto lastCpu = run.CpuTime();
    const auto lastWakeups = run.Wakeups();
    result.steadyWall = RealtimeNow() - first.firstByte;
    if (firstCpu && lastCpu) {
        result.steadyCpu = *lastCpu - *firstCpu;
    }
    if (firstWakeups && lastWakeups) {
        result.steadyWakeups = *lastWakeups - *firstWakeups;
    }
    Stop(run, result);
    result.messages = run.Wire().Arrivals().size();
    result.stderrHead = run.Stderr();
    return result;
}

void Report(Mode mode, const std::vector<RunResult>& runs) {
    std::printf("\n== %s ==\n", ModeName(mode));
    const RunResult& main = runs.front();
    if (!main.problem.empty()) {
        std::printf("run failed: %s\n", main.problem.c_str());
    }
    if (!main.stderrHead.empty()) {
        std::printf("its standard error began with:\n%s\n", main.stderrHead.substr(0, 600).c_str());
    }
    std::printf("run of %.1f s: %zu messages on the wire, exit status %d after SIGTERM\n",
                Millis(main.wall) / 1000, main.messages, main.exitStatus);
    std::printf(
        "CPU, whole run (wait4 user+sys / fork-to-reap): %7.3f %% of one core (%.1f ms)"
        "   target < 0.5 %%\n",
        Percent(main.cpu, main.wall), Millis(main.cpu));
    const bool lean = mode == Mode::Lean;
    std::printf(
        "CPU, steady (schedstat, first message to stop): %7.3f %% of one core "
        "(%.1f ms over %.1f s)%s\n",
        Percent(main.steadyCpu, main.steadyWall), Millis(main.steadyCpu),
        Millis(main.steadyWall) / 1000, lean ? "   target <= 0.05 %" : "");
    if (main.steadyWakeups >= 0 && main.steadyWall.count() > 0) {
        std::printf(
            "wake-ups, steady (voluntary context switches):  %7.2f per second (%lld over %.1f "
            "s)%s\n",
            static_cast<double>(main.steadyWakeups) / (Millis(main.steadyWall) / 1000),
            main.steadyWakeups, Millis(main.steadyWall) / 1000, lean ? "   target <= 2" : "");
    }
    const char* memoryTarget = "";
    if (mode == Mode::Headless) {
        memoryTarget = "   target < 20 MB";
    } else if (lean) {
        memoryTarget = "   target <= 5 MB";
    }
    std::printf("peak resident memory (ru_maxrss):               %7.1f MB%s\n",
                static_cast<double>(main.maxRssKb) / 1024, memoryTarget);

    std::vector<double> toMessage;
    std::vector<double> toBoundary;
    std::vector<double> cpuToMessage;
    std::size_t late = 0;
    for (const RunResult& run : runs) {
        if (run.startUp.toFirstMessage.count() == 0) {
            continue;
        }
        if (!run.startUp.sameSecond) {
            ++late;
            continue;
        }
        toMessage.push_back(Millis(run.startUp.toFirstMessage));
        toBoundary.push_back(Millis(run.startUp.toTickBoundary));
        cpuToMessage.push_back(Millis(run.startUp.cpuToFirstMessage));
    }
    const Summary message = Summarize(toMessage);
    const Summary boundary = Summarize(toBoundary);
    std::printf(
        "process start to first tick, %zu start-ups: p50 %.3f ms, max %.3f ms"
        "   target %s\n",
        message.count, message.p50, message.max, lean ? "<= 50 ms" : "< 300 ms");
    std::printf(
        "  = fork (5 ms after an even second) to the first byte on the pty of the first "
        "message, which carries that same second; includes the wait for the tick's "
        "tenth of a second\n");
    std::printf(
        "  the first tick fell on the tenth of a second ending p50 %.0f ms, max %.0f ms "
        "after fork: timers were running within the 100 ms before it\n",
        boundary.p50, boundary.max);
    const Summary cpu = Summarize(cpuToMessage);
    std::printf(
        "  CPU used by the program up to its first message (schedstat): p50 %.3f ms, "
        "max %.3f ms (the start-up's own work, apart from the machine's load)\n",
        cpu.p50, cpu.max);
    if (late > 0) {
        std::printf(
            "  %zu start-up(s) missed their first even second (took over ~0.9 s): "
            "not counted\n",
            late);
    }
}

}  // namespace
}  // namespace corvantis::bench

int main(int argc, char** argv) {
    using namespace corvantis::bench;
    const std::chrono::seconds span(argc > 1 ? std::max(3, std::atoi(argv[1])) : 60);
    const int startUps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::string letters = argc > 3 ? argv[3] : "hwl";
    std::signal(SIGPIPE, SIG_IGN);

    std::printf(
        "program_cost: %s and %s, %lld s per mode, %d start-up(s) per mode; COM1 on a "
        "pseudo-terminal, settings in a scratch folder\n",
        CORVANTIS_EXECUTABLE, CORVANTIS_LEAN_EXECUTABLE, static_cast<long long>(span.count()),
        startUps);
    std::fflush(stdout);
    for (const auto& [letter, mode] : {std::pair{'h', Mode::Headless}, std::pair{'w', Mode::Window},
                                       std::pair{'l', Mode::Lean}}) {
        if (letters.find(letter) == std::string::npos) {
            continue;
        }
        std::vector<RunResult> runs;
        std::fprintf(stderr, "%s for %lld s ...\n", ModeName(mode),
                     static_cast<long long>(span.count()));
        runs.push_back(RunOnce(mode, span));
        for (int n = 1; n < startUps; ++n) {
            // Short runs for start-up only: stop right after the first message.
            runs.push_back(RunOnce(mode, 0s));
        }
        Report(mode, runs);
        std::fflush(stdout);
    }
    return 0;
}
