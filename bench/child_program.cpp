#include "child_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace corvantis::bench {
namespace {

using namespace std::chrono_literals;

// Sums a figure over every thread of `pid`: `read` takes one thread's folder.
template <typename Read>
std::optional<long long> SumOverThreads(pid_t pid, Read read) {
    std::error_code error;
    std::filesystem::directory_iterator tasks("/proc/" + std::to_string(pid) + "/task", error);
    if (error) {
        return std::nullopt;
    }
    long long total = 0;
    for (const auto& task : tasks) {
        total += read(task.path());
    }
    return total;
}

}  // namespace

ChildProgram::ChildProgram(const std::vector<std::string>& argv,
                           const std::vector<std::string>& drop,
                           const std::vector<std::string>& add, testing::PtyPair& line)
    : m_line(line) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool dropped = false;
        for (const std::string& name : drop) {
            dropped = dropped || text.rfind(name + "=", 0) == 0;
        }
        if (!dropped) {
            environment.push_back(text);
        }
    }
    environment.insert(environment.end(), add.begin(), add.end());
    std::vector<std::string> arguments = argv;
    std::vector<char*> args, envp;
    for (auto& text : arguments) {
        args.push_back(text.data());
    }
    args.push_back(nullptr);
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
        ::execve(args[0], args.data(), envp.data());
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

ChildProgram::~ChildProgram() {
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

bool ChildProgram::WaitForFirstMessage(std::chrono::nanoseconds limit) {
    while (m_wire.Arrivals().empty() && RealtimeNow() < m_start + limit) {
        if (!CollectOnce(20ms)) {
            return false;
        }
    }
    return !m_wire.Arrivals().empty();
}

ChildEnd ChildProgram::Stop() {
    ::kill(m_pid, SIGTERM);
    const auto limit = RealtimeNow() + std::chrono::nanoseconds(5s);
    int status = 0;
    rusage usage{};
    pid_t reaped = 0;
    while ((reaped = ::wait4(m_pid, &status, WNOHANG, &usage)) == 0 && RealtimeNow() < limit) {
        CollectOnce(10ms);
    }
    ChildEnd end;
    if (reaped == 0) {
        ::kill(m_pid, SIGKILL);
        ::wait4(m_pid, &status, 0, &usage);
        end.killed = true;
    }
    m_pid = -1;
    CollectOnce(0ms);
    const auto time = [](const timeval& t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    end.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    end.cpu = time(usage.ru_utime) + time(usage.ru_stime);
    end.maxRssKb = usage.ru_maxrss;
    return end;
}

std::optional<std::chrono::nanoseconds> ChildProgram::CpuTime() const {
    const auto total = SumOverThreads(m_pid, [](const std::filesystem::path& task) {
        std::ifstream schedstat(task / "schedstat");
        long long onCpu = 0;
        schedstat >> onCpu;
        return onCpu;
    });
    if (!total) {
        return std::nullopt;
    }
    return std::chrono::nanoseconds(*total);
}

std::optional<long long> ChildProgram::Wakeups() const {
    return SumOverThreads(m_pid, [](const std::filesystem::path& task) {
        std::ifstream status(task / "status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
                return std::atoll(line.c_str() + line.find(':') + 1);
            }
        }
        return 0LL;
    });
}

bool ChildProgram::CollectOnce(std::chrono::milliseconds timeout) {
    pollfd fds[] = {{m_line.Master(), POLLIN, 0}, {m_stdout, POLLIN, 0}, {m_stderr, POLLIN, 0}};
    ::poll(fds, 3, static_cast<int>(timeout.count()));
    const auto readAt = RealtimeNow();
    char buffer[4096];
    ssize_t count;
    while ((count = ::read(m_line.Master(), buffer, sizeof buffer)) > 0) {
        m_wire.Feed(std::string_view(buffer, static_cast<std::size_t>(count)), readAt);
    }
    bool open = true;
    for (auto [fd, into] : {std::pair{m_stdout, &m_out}, std::pair{m_stderr, &m_err}}) {
        while ((count = ::read(fd, buffer, sizeof buffer)) > 0) {
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

CostSample CostSample::Of(const ChildProgram& child) {
    return {child.CpuTime(), child.Wakeups(), RealtimeNow()};
}

std::string CostSample::Since(const CostSample& before) const {
    const double seconds = std::chrono::duration<double>(at - before.at).count();
    char text[128];
    if (!cpu || !before.cpu || !wakeups || !before.wakeups || seconds <= 0) {
        return "(not measured: the program ended)";
    }
    std::snprintf(text, sizeof text, "%.3f %% of a core, %.2f wake-ups/s",
                  100.0 * std::chrono::duration<double>(*cpu - *before.cpu).count() / seconds,
                  static_cast<double>(*wakeups - *before.wakeups) / seconds);
    return text;
}

}  // namespace corvantis::bench
