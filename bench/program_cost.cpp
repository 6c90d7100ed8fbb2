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

#include "support/pty_pair.h"
#include "wire_timing.h"

extern char** environ;

namespace corvantis::bench {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

constexpr nanoseconds kTickInterval = 100ms;
// Start each run this long after an even second of the wall clock, so that a program ready
// within the rest of that second sends a message carrying that very second.
constexpr nanoseconds kStartAfterEvenSecond = 5ms;
constexpr nanoseconds kFirstMessageLimit = 5s;
constexpr nanoseconds kStopLimit = 5s;

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

// How many times the process's live threads went to sleep and were woken (voluntary context
// switches, from /proc/<pid>/task/*/status); nothing when it cannot be read.
std::optional<long long> ProcessWakeups(pid_t pid) {
    std::error_code error;
    std::filesystem::directory_iterator tasks("/proc/" + std::to_string(pid) + "/task", error);
    if (error) {
        return std::nullopt;
    }
    long long total = 0;
    for (const auto& task : tasks) {
        std::ifstream status(task.path() / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
                total += std::atoll(line.c_str() + line.find(':') + 1);
            }
        }
    }
    return total;
}

// The CPU time the process's live threads have run so far, in nanoseconds, from
// /proc/<pid>/task/*/schedstat; nothing when it cannot be read.
std::optional<nanoseconds> ProcessCpuTime(pid_t pid) {
    std::error_code error;
    std::filesystem::directory_iterator tasks("/proc/" + std::to_string(pid) + "/task", error);
    if (error) {
        return std::nullopt;
    }
    long long total = 0;
    for (const auto& task : tasks) {
        std::ifstream schedstat(task.path() / "schedstat");
        long long onCpu = 0;
        if (schedstat >> onCpu) {
            total += onCpu;
        }
    }
    return nanoseconds(total);
}

double Percent(nanoseconds part, nanoseconds whole) {
    return whole.count() > 0 ? 100.0 * static_cast<double>(part.count()) / whole.count() : 0;
}

nanoseconds ToNanos(const timeval& t) {
    return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
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

// One run of the executable in `settings` with COM1 on `line`.
class ProgramRun {
public:
    ProgramRun(Mode mode, const ScratchFolder& settings, testing::PtyPair& line) : m_line(line) {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            if (text.rfind("QT_QPA_PLATFORM=", 0) != 0 && text.rfind("XDG_CONFIG_HOME=", 0) != 0) {
                environment.push_back(text);
            }
        }
        // The autostart entries the program tidies at start-up live under XDG_CONFIG_HOME:
        // keep them in the scratch folder, away from the user's own.
        environment.push_back("XDG_CONFIG_HOME=" + settings.Path() + "/config");
        std::vector<std::string> arguments{Executable(mode)};
        if (mode == Mode::Headless) {
            arguments.push_back("--headless");
        } else if (mode == Mode::Window) {
            environment.push_back("QT_QPA_PLATFORM=offscreen");
        }
        arguments.push_back("--settings-dir");
        arguments.push_back(settings.Path());
        std::vector<char*> argv, envp;
        for (auto& text : arguments) {
            argv.push_back(text.data());
        }
        argv.push_back(nullptr);
        for (auto& text : environment) {
            envp.push_back(text.data());
        }
        envp.push_back(nullptr);

        int out[2], err[2];
        if (::pipe(out) != 0 || ::pipe(err) != 0) {
            throw std::runtime_error("pipe failed");
        }
        const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        m_start = RealtimeNow();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(input, STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            for (int fd : {out[0], out[1], err[0], err[1], line.Master()}) {
                ::close(fd);
            }
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        ::close(input);
        ::close(out[1]);
        ::close(err[1]);
        m_stdout = out[0];
        m_stderr = err[0];
        for (int fd : {m_stdout, m_stderr}) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
    }

    ~ProgramRun() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        for (int fd : {m_stdout, m_stderr}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    nanoseconds Start() const { return m_start; }
    pid_t Pid() const { return m_pid; }
    const WireRecorder& Wire() const { return m_wire; }
    const std::string& Stderr() const { return m_err; }

    // Drains the line and the program's output until `until` (wall clock) or, when given,
    // until `done` holds. False when the program ended meanwhile.
    template <typename Done>
    bool CollectUntil(nanoseconds until, Done done) {
        while (RealtimeNow() < until && !done()) {
            if (!CollectOnce(20ms)) {
                return false;
            }
        }
        return true;
    }

    // Sends SIGTERM and reaps the program; fills the exit status and its resource use.
    void Stop(RunResult& result) {
        ::kill(m_pid, SIGTERM);
        const auto limit = RealtimeNow() + kStopLimit;
        int status = 0;
        rusage usage{};
        pid_t reaped = 0;
        while ((reaped = ::wait4(m_pid, &status, WNOHANG, &usage)) == 0 && RealtimeNow() < limit) {
            CollectOnce(10ms);
        }
        if (reaped == 0) {
            ::kill(m_pid, SIGKILL);
            reaped = ::wait4(m_pid, &status, 0, &usage);
            result.problem = "did not end within 5 s of SIGTERM; killed";
        }
        result.wall = RealtimeNow() - m_start;
        m_pid = -1;
        CollectOnce(0ms);
        result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.cpu = ToNanos(usage.ru_utime) + ToNanos(usage.ru_stime);
        result.maxRssKb = usage.ru_maxrss;
    }

private:
    // Waits up to `timeout` for anything to read, then reads all of it. False once the
    // program has closed its output (it ended).
    bool CollectOnce(nanoseconds timeout) {
        pollfd fds[] = {{m_line.Master(), POLLIN, 0}, {m_stdout, POLLIN, 0}, {m_stderr, POLLIN, 0}};
        ::poll(fds, 3,
               static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(timeout).count()));
        const auto readAt = RealtimeNow();
        char buffer[4096];
        ssize_t count;
        while ((count = ::read(m_line.Master(), buffer, sizeof buffer)) > 0) {
            m_wire.Feed(std::string_view(buffer, static_cast<std::size_t>(count)), readAt);
        }
        bool open = true;
        for (auto [fd, into] : {std::pair{m_stdout, &m_out}, std::pair{m_stderr, &m_err}}) {
            while ((count = ::read(fd, buffer, sizeof buffer)) > 0) {
                // Only the start of the output is kept, for reports of a failed run.
                if (into->size() < 4096) {
                    into->append(buffer, static_cast<std::size_t>(count));
                }
            }
            if (count == 0) {
                open = false;
            }
        }
        return open;
    }

    testing::PtyPair& m_line;
    pid_t m_pid = -1;
    nanoseconds m_start{};
    int m_stdout = -1;
    int m_stderr = -1;
    WireRecorder m_wire;
    std::string m_out;
    std::string m_err;
};

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
    ProgramRun run(mode, settings, line);
    RunResult result;
    const auto hasMessage = [&] { return !run.Wire().Arrivals().empty(); };
    if (!run.CollectUntil(run.Start() + kFirstMessageLimit, hasMessage) || !hasMessage()) {
        result.problem = "no message on the wire within 5 s";
        run.Stop(result);
        result.stderrHead = run.Stderr();
        return result;
    }
    const Arrival first = run.Wire().Arrivals().front();
    const auto firstCpu = ProcessCpuTime(run.Pid());
    const auto firstWakeups = ProcessWakeups(run.Pid());
    StartUp& startUp = result.startUp;
    startUp.toFirstMessage = first.firstByte - run.Start();
    const auto carried = CarriedSecond(first.message);
    startUp.sameSecond = carried && nanoseconds(*carried) <= run.Start();
    startUp.toTickBoundary = first.firstByte - first.firstByte % kTickInterval - run.Start();
    startUp.cpuToFirstMessage = firstCpu.value_or(nanoseconds(0));

    run.CollectUntil(run.Start() + span, [] { return false; });
    const auto lastCpu = ProcessCpuTime(run.Pid());
    const auto lastWakeups = ProcessWakeups(run.Pid());
    result.steadyWall = RealtimeNow() - first.firstByte;
    if (firstCpu && lastCpu) {
        result.steadyCpu = *lastCpu - *firstCpu;
    }
    if (firstWakeups && lastWakeups) {
        result.steadyWakeups = *lastWakeups - *firstWakeups;
    }
    run.Stop(result);
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
