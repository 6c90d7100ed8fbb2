#include "windows_e2e/support/wine_prefix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace corvantis::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Starts `command` with exactly `environment`, its standard streams on the given
// descriptors (-1: /dev/null), in a process group of its own.
pid_t Spawn(const std::vector<std::string>& command,
            const std::map<std::string, std::string>& environment, int in, int out, int err) {
    std::vector<std::string> pairs;
    for (const auto& [name, value] : environment) {
        pairs.push_back(name + "=" + value);
    }
    std::vector<char*> argv;
    for (const auto& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& pair : pairs) {
        envp.push_back(pair.data());
    }
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(in >= 0 ? in : null, STDIN_FILENO);
        ::dup2(out >= 0 ? out : null, STDOUT_FILENO);
        ::dup2(err >= 0 ? err : null, STDERR_FILENO);
        // Nothing else of the test (the pseudo-terminal's leader end above all) goes along.
        for (int fd = 3; fd < 1024; ++fd) {
            ::close(fd);
        }
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

int Reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void Drain(int fd, std::string& into) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            return;
        }
        into.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace

std::string UnixLines(const std::string& text) {
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            lines += text[i];
        }
    }
    return lines;
}

WinePrefix::WinePrefix() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/corvantis-wine-e2e.XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    m_root = pattern;
    m_prefix = m_root + "/prefix";
    m_scratch = m_root + "/scratch";
    std::filesystem::create_directories(m_scratch);
    if (Step({"boot"}) != 0) {
        throw std::runtime_error("the wine prefix did not start");
    }
}

WinePrefix::~WinePrefix() {
    Step({"clean"});
}

WinePrefix& WinePrefix::Shared() {
    static WinePrefix prefix;
    return prefix;
}

std::map<std::string, std::string> WinePrefix::Environment() {
    std::map<std::string, std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string pair = *entry;
        const auto equals = pair.find('=');
        if (equals != std::string::npos) {
            environment[pair.substr(0, equals)] = pair.substr(equals + 1);
        }
    }
    return environment;
}

int WinePrefix::Step(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{CORVANTIS_WINE_PREFIX_SCRIPT, arguments.front(), m_root};
    command.insert(command.end(), arguments.begin() + 1, arguments.end());
    return Reap(Spawn(command, Environment(), -1, -1, -1));
}

void WinePrefix::Restart() {
    if (Step({"restart"}) != 0) {
        throw std::runtime_error("wineserver did not start again");
    }
}

void WinePrefix::LinkComPort(int n, const std::string& device) {
    if (Step({"link", std::to_string(n), device}) != 0) {
        throw std::runtime_error("cannot link COM" + std::to_string(n) + " to " + device);
    }
}

void WinePrefix::UnlinkComPort(int n) {
    Step({"unlink", std::to_string(n)});
}

std::string WinePrefix::WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::unique_ptr<WineProcess> WinePrefix::Start(
    const std::string& program, const std::vector<std::string>& arguments,
    const std::map<std::string, std::string>& environment) {
    std::map<std::string, std::string> merged = Environment();
    for (const auto& [name, value] : environment) {
        merged[name] = value;
    }
    std::vector<std::string> command{CORVANTIS_WINE_PREFIX_SCRIPT, "run", m_root, program};
    command.insert(command.end(), arguments.begin(), arguments.end());
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t pid = Spawn(command, merged, in[0], out[1], err[1]);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    return std::make_unique<WineProcess>(pid, in[1], out[0], err[0]);
}

WineResult WinePrefix::Run(const std::string& program, const std::vector<std::string>& arguments,
                           std::chrono::milliseconds timeout, const std::string& input,
                           const std::map<std::string, std::string>& environment) {
    auto process = Start(program, arguments, environment);
    if (!input.empty()) {
        process->Write(input);
    }
    process->CloseInput();
    WineResult result;
    result.exitCode = process->Wait(timeout);
    if (result.exitCode < 0) {
        process->Kill();
    }
    result.out = process->Out();
    result.err = process->Err();
    return result;
}

WineProcess::WineProcess(pid_t pid, int in, int out, int err)
    : m_pid(pid), m_in(in), m_out(out), m_errFd(err) {
    ::fcntl(m_out, F_SETFL, O_NONBLOCK);
    ::fcntl(m_errFd, F_SETFL, O_NONBLOCK);
    ::signal(SIGPIPE, SIG_IGN);
}

WineProcess::~WineProcess() {
    Kill();
    CloseInput();
    ::close(m_out);
    ::close(m_errFd);
}

bool WineProcess::Write(const std::string& bytes) {
    return m_in >= 0 &&
           ::write(m_in, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

void WineProcess::CloseInput() {
    if (m_in >= 0) {
        ::close(m_in);
        m_in = -1;
    }
}

void WineProcess::Gather() {
    Drain(m_out, m_outText);
    Drain(m_errFd, m_err);
}

bool WineProcess::WaitFor(const std::string& needle, std::chrono::milliseconds span, bool inErr) {
    const auto end = Clock::now() + span;
    for (;;) {
        Gather();
        if ((inErr ? m_err : m_outText).find(needle) != std::string::npos) {
            return true;
        }
        if (Clock::now() >= end) {
            return false;
        }
        pollfd fds[] = {{m_out, POLLIN, 0}, {m_errFd, POLLIN, 0}};
        ::poll(fds, 2, 20);
    }
}

int WineProcess::Wait(std::chrono::milliseconds span) {
    const auto end = Clock::now() + span;
    while (m_pid > 0) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_pid = -1;
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (Clock::now() >= end) {
            Gather();
            return -1;
        }
        pollfd fds[] = {{m_out, POLLIN, 0}, {m_errFd, POLLIN, 0}};
        ::poll(fds, 2, 20);
        Gather();
    }
    Gather();
    return m_status;
}

void WineProcess::Kill() {
    if (m_pid > 0) {
        ::kill(-m_pid, SIGKILL);
        ::kill(m_pid, SIGKILL);
        Reap(m_pid);
        m_pid = -1;
        Gather();
    }
}

std::chrono::milliseconds WineProcess::CpuTime() const {
    std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command name may hold blanks; the fields after it are counted from its ")".
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return std::chrono::milliseconds(-1);
    }
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    // Fields 3 to 13 come first; utime and stime are fields 14 and 15.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) {
            utime = std::stoll(field);
        } else if (i == 15) {
            stime = std::stoll(field);
        }
    }
    const long hertz = ::sysconf(_SC_CLK_TCK);
    return std::chrono::milliseconds((utime + stime) * 1000 / hertz);
}

long WineProcess::ResidentKb() const {
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

}  // namespace corvantis::testing
