// The real executable, headless, in a temporary settings folder with COM1 mapped to a
// pseudo-terminal: what it puts on the wire, what it prints, and how it stops.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "support/wire_vectors.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// One run of the program with its standard streams and the far end of its serial line.
class HeadlessRun {
public:
    HeadlessRun(const testing::TempDir& settings, int master) : m_master(master) {
        int in[2], out[2], err[2];
        EXPECT_EQ(pipe(in), 0);
        EXPECT_EQ(pipe(out), 0);
        EXPECT_EQ(pipe(err), 0);
        m_pid = fork();
        if (m_pid == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1], master}) {
                close(fd);
            }
            // Keep the program's per-user files (autostart entries) inside the test's folder.
            setenv("XDG_CONFIG_HOME", settings.Path().c_str(), 1);
            execl(CORVANTIS_EXECUTABLE, CORVANTIS_EXECUTABLE, "--headless", "--settings-dir",
                  settings.Path().c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        m_stdin = in[1];
        m_stdout = out[0];
        m_stderr = err[0];
        for (int fd : {m_stdout, m_stderr, m_master}) {
            fcntl(fd, F_SETFL, O_NONBLOCK);
        }
    }

    ~HeadlessRun() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        for (int fd : {m_stdin, m_stdout, m_stderr}) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }

    void Say(const std::string& line) {
        const std::string text = line + "\n";
        ASSERT_EQ(write(m_stdin, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void CloseInput() {
        close(m_stdin);
        m_stdin = -1;
    }

    // Collects what arrives on the wire, standard output and standard error for `span`.
    void Collect(std::chrono::milliseconds span) {
        const auto end = Clock::now() + span;
        do {
            pollfd fds[] = {{m_master, POLLIN, 0}, {m_stdout, POLLIN, 0}, {m_stderr, POLLIN, 0}};
            poll(fds, 3, 20);
            Drain(m_master, wire);
            Drain(m_stdout, out);
            Drain(m_stderr, err);
        } while (Clock::now() < end);
    }

    // Collects until `done` holds or `limit` passes; returns whether it held.
    template <typename Done>
    bool CollectUntil(Done done, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            Collect(20ms);
            if (done()) {
                return true;
            }
        }
        return false;
    }

    // Sends `signal` and returns the exit status, or -1 when it did not exit within 5 s.
    int Stop(int signal) {
        kill(m_pid, signal);
        const auto end = Clock::now() + 5s;
        while (Clock::now() < end) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                Collect(0ms);
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            Collect(20ms);
        }
        return -1;
    }

    // The 35-character messages on the wire so far, in order.
    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (std::size_t at = 0; (at = wire.find('*', at)) != std::string::npos; at += 35) {
            messages.push_back(wire.substr(at, 35));
        }
        return messages;
    }

    std::string wire, out, err;

private:
    static void Drain(int fd, std::string& into) {
        char buffer[4096];
        ssize_t count;
        while ((count = read(fd, buffer, sizeof buffer)) > 0) {
            into.append(buffer, static_cast<std::size_t>(count));
        }
    }

    pid_t m_pid = -1;
    int m_master;
    int m_stdin = -1, m_stdout = -1, m_stderr = -1;
};

char KindOf(const std::string& message) {
    return message.size() == 35 ? message[24] : '?';
}

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteFileBytes(
            settings.File("Corvantis.ini"),
            "[Ports]\r\nCOM1=" + line.SlavePath() + "\r\n[SerialSync]\r\nCOMPORT=COM1\r\n");
    }
    testing::TempDir settings;
    testing::PtyPair line;
};

TEST_F(HeadlessTest, SendsTimeOnlyMessagesAndRulesOnCommandThenTimeAgainUntilSigterm) {
    // A stored offset change (entry 24 is 0 hours) must reach the rules the clocks get.
    testing::WriteFileBytes(settings.File("data.ini"), "[CommMethod]\r\nTZhouroffset=24\r\n");
    HeadlessRun run(settings, line.Master());
    ASSERT_TRUE(run.CollectUntil([&] { return run.Messages().size() >= 2; }, 8s)) << run.err;
    for (const std::string& message : run.Messages()) {
        EXPECT_EQ(KindOf(message), '1') << message;
        EXPECT_EQ(message.substr(15), testing::kTimeOnlyTail);
    }
    EXPECT_NE(run.out.find("port-opened COM1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" sent [*"), std::string::npos) << run.out;

    const std::size_t before = run.Messages().size();
    run.Say("rules");
    ASSERT_TRUE(run.CollectUntil(
        [&] {
            const auto messages = run.Messages();
            return messages.size() > before && KindOf(messages.back()) == '2';
        },
        5s))
        << run.wire;
    const std::string rules = run.Messages().back();
    EXPECT_EQ(rules.substr(15, 10), testing::kDefaultRulesTail.substr(0, 10));
    EXPECT_EQ(rules.substr(27, 3), "  0") << "the stored offset, 0 hours";

    // The command window ends within 6 s; time-only messages follow.
    ASSERT_TRUE(run.CollectUntil([&] { return KindOf(run.Messages().back()) == '1'; }, 9s))
        << run.wire;

    // SIGTERM closes as "Close and Exit" does: port closed, GPS port stored, a clean exit.
    EXPECT_EQ(run.Stop(SIGTERM), 0);
    EXPECT_NE(run.out.find("port-closed COM1"), std::string::npos) << run.out;
    const std::string ini = testing::ReadFileBytes(settings.File("Corvantis.ini"));
    EXPECT_NE(ini.find("[GPS]\r\nCOMPORT=None\r\n"), std::string::npos) << ini;
    EXPECT_EQ(run.err, "") << "a clean start reports nothing";
}

TEST_F(HeadlessTest, ShowsTheClocksReplyCutTo36CharactersAndAnswersUnknownWords) {
    HeadlessRun run(settings, line.Master());
    ASSERT_TRUE(run.CollectUntil([&] { return !run.Messages().empty(); }, 8s)) << run.err;
    const std::string reply = "OK0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef";
    ASSERT_EQ(write(line.Master(), reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
    ASSERT_TRUE(run.CollectUntil([&] { return run.out.find(" reply [") != std::string::npos; }, 3s))
        << run.out;
    EXPECT_NE(run.out.find(" reply [" + reply.substr(0, 36) + "]\n"), std::string::npos) << run.out;

    run.Say("bogus");
    ASSERT_TRUE(
        run.CollectUntil([&] { return run.err.find("unknown command") != std::string::npos; }, 3s));
    EXPECT_NE(run.err.find("rules address pause resume utc exit"), std::string::npos);

    // The end of input changes nothing: the program keeps sending.
    run.CloseInput();
    const std::size_t before = run.Messages().size();
    ASSERT_TRUE(run.CollectUntil([&] { return run.Messages().size() > before; }, 4s));
    EXPECT_EQ(run.Stop(SIGTERM), 0);
}

}  // namespace
}  // namespace corvantis
