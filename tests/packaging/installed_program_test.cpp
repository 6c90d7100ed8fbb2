// The programs as the Debian packages install them (unpacked with dpkg -x into the folder
// named by CORVANTIS_INSTALLED_ROOT): each prints its version, and each runs headless against
// a pseudo-terminal, puts clock messages on it, and stops cleanly on SIGTERM.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/pty_pair.h"
#include "support/temp_dir.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct InstalledProgram {
    const char* path;                   // inside the unpacked root
    std::vector<std::string> headless;  // the arguments that make it run headless
};

// The window program (which runs headless when told) and the lean headless program.
const InstalledProgram kPrograms[] = {
    {"usr/bin/corvantis", {"--headless"}},
    {"usr/bin/corvantis-headless", {}},
};

std::string InstalledRoot() {
    const char* root = std::getenv("CORVANTIS_INSTALLED_ROOT");
    return root == nullptr ? "" : root;
}

// A started program with its standard output and error gathered, and the test's end of the
// serial line.
class ProgramRun {
public:
    ProgramRun(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& home) {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            dup2(out[1], STDERR_FILENO);
            const int null = open("/dev/null", O_RDONLY);
            dup2(null, STDIN_FILENO);
            close(out[0]);
            close(out[1]);
            // Per-user files stay in the test's folder; no display, no Qt platform chosen.
            setenv("HOME", home.c_str(), 1);
            setenv("XDG_CONFIG_HOME", home.c_str(), 1);
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            unsetenv("QT_QPA_PLATFORM");
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& argument : arguments) {
                argv.push_back(const_cast<char*>(argument.c_str()));
            }
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        m_out = out[0];
        fcntl(m_out, F_SETFL, O_NONBLOCK);
    }
    ~ProgramRun() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) {
            close(m_out);
        }
    }

    // Gathers output and, when `line` is given, what arrives on it, until `done` holds or
    // `limit` passes; returns whether it held.
    template <typename Done>
    bool GatherUntil(testing::PtyPair* line, Done done, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            pollfd fds[2] = {{m_out, POLLIN, 0}, {line ? line->Master() : -1, POLLIN, 0}};
            poll(fds, line ? 2 : 1, 20);
            Drain(m_out, output);
            if (line != nullptr) {
                Drain(line->Master(), wire);
            }
            if (done()) {
                return true;
            }
        }
        return false;
    }

    // Sends `signal` (none: only waits) and returns the exit status; -1 when it did not end
    // within 5 s.
    int Stop(int signal) {
        if (signal != 0) {
            kill(m_pid, signal);
        }
        int status = 0;
        const bool ended = GatherUntil(
            nullptr, [&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; }, 5s);
        if (!ended) {
            return -1;
        }
        m_pid = -1;
        Drain(m_out, output);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::string output, wire;

private:
    static void Drain(int fd, std::string& into) {
        char buffer[4096];
        ssize_t count;
        while ((count = read(fd, buffer, sizeof buffer)) > 0) {
            into.append(buffer, static_cast<std::size_t>(count));
        }
    }

    pid_t m_pid = -1;
    int m_out = -1;
};

class InstalledProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (InstalledRoot().empty()) {
            GTEST_SKIP() << "CORVANTIS_INSTALLED_ROOT is not set";
        }
    }
};

TEST_F(InstalledProgramTest, EachProgramPrintsTheProjectVersion) {
    for (const InstalledProgram& program : kPrograms) {
        SCOPED_TRACE(program.path);
        const std::string path = InstalledRoot() + "/" + program.path;
        ASSERT_EQ(access(path.c_str(), X_OK), 0) << path << " is not installed";
        testing::TempDir home;
        ProgramRun run(path, {"--version"}, home.Path());
        EXPECT_EQ(run.Stop(0), 0) << run.output;
        EXPECT_EQ(run.output, std::string("Corvantis ") + CORVANTIS_VERSION + "\n");
    }
}

TEST_F(InstalledProgramTest, EachProgramRunsHeadlessOnAPseudoTerminalAndStopsOnSigterm) {
    for (const InstalledProgram& program : kPrograms) {
        SCOPED_TRACE(program.path);
        testing::TempDir settings;
        testing::PtyPair line;
        testing::WriteFileBytes(
            settings.File("Corvantis.ini"),
            "[Ports]\r\nCOM1=" + line.SlavePath() + "\r\n[SerialSync]\r\nCOMPORT=COM1\r\n");
        std::vector<std::string> arguments = program.headless;
        arguments.insert(arguments.end(), {"--settings-dir", settings.Path()});
        ProgramRun run(InstalledRoot() + "/" + program.path, arguments, settings.Path());

        // A time-only message: 35 characters from "*" to "#", kind 1.
        const auto timeMessage = [&] {
            const std::size_t at = run.wire.find('*');
            return at != std::string::npos && run.wire.size() >= at + 35 &&
                   run.wire[at + 34] == '#' && run.wire[at + 24] == '1';
        };
        EXPECT_TRUE(run.GatherUntil(&line, timeMessage, 8s))
            << "wire: " << run.wire << "\noutput: " << run.output;
        EXPECT_EQ(run.Stop(SIGTERM), 0) << run.output;
        EXPECT_NE(run.output.find("port-opened COM1"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("port-closed COM1"), std::string::npos) << run.output;
    }
}

}  // namespace
}  // namespace corvantis
