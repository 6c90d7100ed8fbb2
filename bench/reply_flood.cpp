// reply_flood [seconds]
//
// What a flood of random bytes from the clock side costs the real executable. Runs
// `corvantis --headless` in a scratch settings folder with COM1 mapped to a pseudo-terminal,
// lets it settle for 5 s, then writes random bytes into the far end of the line as fast as the
// line takes them for `seconds` (default 30), then stays quiet for 5 s more. Prints the CPU
// share and the resident memory before, during and after the flood. Prints figures; passes
// or fails nothing.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/pty_pair.h"
#include "wire_timing.h"

extern char** environ;

namespace corvantis::bench {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

constexpr nanoseconds kSettle = 5s;
constexpr nanoseconds kQuietAfter = 5s;

// User plus system CPU time of `pid` so far, from /proc/<pid>/stat.
nanoseconds CpuTime(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return {};
    }
    std::vector<std::string> fields;
    std::size_t pos = close + 2;
    while (pos < text.size()) {
        const auto space = text.find(' ', pos);
        fields.push_back(text.substr(pos, space - pos));
        if (space == std::string::npos) {
            break;
        }
        pos = space + 1;
    }
    if (fields.size() < 13) {
        return {};
    }
    // Fields 14 and 15 of stat (utime, stime) are 11 and 12 after the command name.
    const long long ticks = std::atoll(fields[11].c_str()) + std::atoll(fields[12].c_str());
    return nanoseconds(ticks * 1'000'000'000LL / ::sysconf(_SC_CLK_TCK));
}

// Resident memory of `pid` in kB (VmRSS of /proc/<pid>/status).
long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return 0;
}

double Percent(nanoseconds part, nanoseconds whole) {
    return whole.count() > 0 ? 100.0 * static_cast<double>(part.count()) / whole.count() : 0;
}

pid_t Start(const ScratchFolder& settings, const testing::PtyPair& line) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (text.rfind("XDG_CONFIG_HOME=", 0) != 0) {
            environment.push_back(text);
        }
    }
    environment.push_back("XDG_CONFIG_HOME=" + settings.Path() + "/config");
    std::vector<std::string> arguments{CORVANTIS_EXECUTABLE, "--headless", "--settings-dir",
                                       settings.Path()};
    std::vector<char*> argv, envp;
    for (auto& text : arguments) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    for (auto& text : environment) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int nothing = ::open("/dev/null", O_RDWR);
        ::dup2(nothing, STDIN_FILENO);
        ::dup2(nothing, STDOUT_FILENO);
        ::dup2(nothing, STDERR_FILENO);
        ::close(line.Master());
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

// Reads and drops what the program sent on the line, without waiting.
void Drain(const testing::PtyPair& line) {
    char buffer[4096];
    while (::read(line.Master(), buffer, sizeof buffer) > 0) {
    }
}

struct Phase {
    const char* name;
    nanoseconds wall{};
    nanoseconds cpu{};
    long rssStartKb = 0;
    long rssPeakKb = 0;
    long rssEndKb = 0;
    std::size_t bytesSent = 0;
};

// Runs one phase of `span`, flooding the line when `flood`, sampling every 100 ms.
Phase Run(const char* name, pid_t pid, const testing::PtyPair& line, nanoseconds span, bool flood) {
    Phase phase{name};
    std::mt19937 random(12345);
    std::vector<char> chunk(4096);
    const auto start = RealtimeNow();
    const auto cpuStart = CpuTime(pid);
    phase.rssStartKb = phase.rssPeakKb = ResidentKb(pid);
    auto nextSample = start + nanoseconds(100ms);
    while (RealtimeNow() - start < span) {
        Drain(line);
        if (flood) {
            std::generate(chunk.begin(), chunk.end(), [&] { return static_cast<char>(random()); });
            const ssize_t written = ::write(line.Master(), chunk.data(), chunk.size());
            if (written > 0) {
                phase.bytesSent += static_cast<std::size_t>(written);
            } else {
                pollfd watch{line.Master(), POLLOUT, 0};
                ::poll(&watch, 1, 10);
            }
        } else {
            ::usleep(10'000);
        }
        if (RealtimeNow() >= nextSample) {
            phase.rssPeakKb = std::max(phase.rssPeakKb, ResidentKb(pid));
            nextSample += nanoseconds(100ms);
        }
    }
    phase.wall = RealtimeNow() - start;
    phase.cpu = CpuTime(pid) - cpuStart;
    phase.rssEndKb = ResidentKb(pid);
    phase.rssPeakKb = std::max(phase.rssPeakKb, phase.rssEndKb);
    return phase;
}

}  // namespace
}  // namespace corvantis::bench

int main(int argc, char** argv) {
    using namespace corvantis::bench;
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    ScratchFolder settings;
    corvantis::testing::PtyPair line;
    settings.Write("Corvantis.ini",
                   "[Ports]\r\nCOM1=" + line.SlavePath() + "\r\n[SerialSync]\r\nCOMPORT=COM1\r\n");
    const pid_t pid = Start(settings, line);
    std::vector<Phase> phases;
    phases.push_back(Run("settle (no input)", pid, line, kSettle, false));
    phases.push_back(Run("flood of random bytes", pid, line, std::chrono::seconds(seconds), true));
    phases.push_back(Run("quiet after the flood", pid, line, kQuietAfter, false));
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);

    std::printf("reply flood: corvantis --headless, COM1 on a pseudo-terminal\n");
    std::printf("%-24s %8s %8s %12s %12s %12s %14s\n", "phase", "wall s", "CPU %", "RSS start kB",
                "RSS peak kB", "RSS end kB", "bytes in");
    for (const Phase& phase : phases) {
        std::printf("%-24s %8.1f %8.1f %12ld %12ld %12ld %14zu\n", phase.name,
                    std::chrono::duration<double>(phase.wall).count(),
                    Percent(phase.cpu, phase.wall), phase.rssStartKb, phase.rssPeakKb,
                    phase.rssEndKb, phase.bytesSent);
    }
    std::printf("exit status %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}
