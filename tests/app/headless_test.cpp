// The real executables, headless, in a temporary settings folder with COM1 mapped to a
// pseudo-terminal: what they put on the wire, what they print, and how they stop. Every
// assertion holds for each headless program: `corvantis --headless` (when built) and the
// toolkit-free `corvantis-headless`.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
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
    // `window` runs the Qt window offscreen instead of headless. With `stalledOutput` the
    // program's standard output is a full pipe that is not read until ReadOutput.
    HeadlessRun(const std::string& program, const testing::TempDir& settings, int master,
                bool window = false, bool stalledOutput = false)
        : m_master(master), m_outputStalled(stalledOutput) {
        int in[2], out[2], err[2];
        EXPECT_EQ(pipe(in), 0);
        EXPECT_EQ(pipe(out), 0);
        EXPECT_EQ(pipe(err), 0);
        if (stalledOutput) {
            Fill(out[1]);
        }
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
            // A zone the stored display rules express (UTC with daylight saving from the second
            // Sunday of March to the first Sunday of November at 02:00), so the start-up rule
            // check has nothing to report.
            setenv("TZ", "UTC0UDT,M3.2.0,M11.1.0", 1);
            if (window) {
                setenv("QT_QPA_PLATFORM", "offscreen", 1);
                execl(program.c_str(), program.c_str(), "--settings-dir", settings.Path().c_str(),
                      static_cast<char*>(nullptr));
            }
            execl(program.c_str(), program.c_str(), "--headless", "--settings-dir",
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
    // Reads the stalled standard output from now on.
    void ReadOutput() { m_outputStalled = false; }
    // The reader of standard output goes away.
    void CloseOutput() {
        close(m_stdout);
        m_stdout = -1;
    }

    // Collects what arrives on the wire, standard output and standard error for `span`.
    void Collect(std::chrono::milliseconds span) {
        const auto end = Clock::now() + span;
        do {
            pollfd fds[] = {{m_master, POLLIN, 0}, {m_stdout, POLLIN, 0}, {m_stderr, POLLIN, 0}};
            poll(fds, 3, 20);
            Drain(m_master, wire);
            if (!m_outputStalled) {
                Drain(m_stdout, out);
            }
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

    // Sends `signal` (0: none, just wait) and returns the exit status, or -1 when it did not
    // exit within 5 s.
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
    // Shrinks the pipe to one page and fills it.
    static void Fill(int fd) {
        fcntl(fd, F_SETPIPE_SZ, 4096);
        const int flags = fcntl(fd, F_GETFL);
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
        const std::string block(512, '.');
        while (write(fd, block.data(), block.size()) > 0) {
        }
        fcntl(fd, F_SETFL, flags);
    }
    static void Drain(int fd, std::string& into) {
        if (fd < 0) {
            return;
        }
        char buffer[4096];
        ssize_t count;
        while ((count = read(fd, buffer, sizeof buffer)) > 0) {
            into.append(buffer, static_cast<std::size_t>(count));
        }
    }

    pid_t m_pid = -1;
    int m_master;
    int m_stdin = -1, m_stdout = -1, m_stderr = -1;
    bool m_outputStalled = false;
};

char KindOf(const std::string& message) {
    return message.size() == 35 ? message[24] : '?';
}

// The headless programs built here.
std::vector<std::string> HeadlessPrograms() {
    std::vector<std::string> programs{CORVANTIS_LEAN_EXECUTABLE};
#ifdef CORVANTIS_EXECUTABLE
    programs.push_back(CORVANTIS_EXECUTABLE);
#endif
    return programs;
}

std::string ProgramName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param.substr(info.param.rfind('/') + 1);
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}

class HeadlessTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        testing::WriteFileBytes(
            settings.File("Corvantis.ini"),
            "[Ports]\r\nCOM1=" + line.SlavePath() + "\r\n[SerialSync]\r\nCOMPORT=COM1\r\n");
    }
    testing::TempDir settings;
    testing::PtyPair line;
};

TEST_P(HeadlessTest, SendsTimeOnlyMessagesAndRulesOnCommandThenTimeAgainUntilSigterm) {
    // A stored offset change (entry 24 is 0 hours) must reach the rules the clocks get.
    testing::WriteFileBytes(settings.File("data.ini"), "[CommMethod]\r\nTZhouroffset=24\r\n");
    HeadlessRun run(GetParam(), settings, line.Master());
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

TEST_P(HeadlessTest, ShowsTheClocksReplyCutTo36CharactersAndAnswersUnknownWords) {
    HeadlessRun run(GetParam(), settings, line.Master());
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

TEST_P(HeadlessTest, ClosesThePortAtOnceWhenTheLineGoesAwayAndKeepsRunning) {
    HeadlessRun run(GetParam(), settings, line.Master());
    ASSERT_TRUE(run.CollectUntil([&] { return !run.Messages().empty(); }, 8s)) << run.err;
    line.CloseMaster();
    EXPECT_TRUE(
        run.CollectUntil([&] { return run.out.find("port-closed COM1") != std::string::npos; }, 3s))
        << run.out;
    // Later ticks build messages that no longer go anywhere; the program itself goes on.
    EXPECT_TRUE(
        run.CollectUntil([&] { return run.out.find(" built [*") != std::string::npos; }, 4s))
        << run.out;
    EXPECT_EQ(run.Stop(SIGINT), 0);
}

// What a program prints and returns for a command line that does not start it.
struct Exit {
    int status = -1;
    std::string output;  // standard output and standard error together
};

Exit RunToEnd(const std::string& program, const std::string& arguments) {
    Exit result;
    FILE* pipe = popen((program + " " + arguments + " 2>&1 </dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[512];
    std::size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, count);
    }
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TEST_P(HeadlessTest, AnswersVersionHelpAndUnknownOptionsWithoutStarting) {
    struct Row {
        std::string arguments;
        int status;
        std::string printed;
    };
    for (const Row& row :
         {Row{"--version", 0, "Corvantis "}, Row{"--help", 0, "--settings-dir DIR"},
          Row{"--bogus", 2, "unknown option --bogus"},
          Row{"--settings-dir", 2, "--settings-dir needs a folder"}}) {
        SCOPED_TRACE(row.arguments);
        const Exit result = RunToEnd(GetParam(), row.arguments);
        EXPECT_EQ(result.status, row.status);
        EXPECT_NE(result.output.find(row.printed), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find("started"), std::string::npos) << result.output;
    }
}

// A second copy on the same settings (a logon entry plus a manual start) leaves the first
// alone: it says why and ends with status 3, while the first keeps sending.
TEST_P(HeadlessTest, ASecondCopyOnTheSameSettingsEndsAtOnceAndTheFirstGoesOn) {
    HeadlessRun first(GetParam(), settings, line.Master());
    ASSERT_TRUE(first.CollectUntil([&] { return !first.Messages().empty(); }, 8s)) << first.err;

    testing::PtyPair otherLine;
    HeadlessRun second(GetParam(), settings, otherLine.Master());
    EXPECT_EQ(second.Stop(0), 3);
    EXPECT_NE(second.err.find("Corvantis is already running (process "), std::string::npos)
        << second.err;
    EXPECT_EQ(second.out, "") << "the second copy started nothing";

    const std::size_t before = first.Messages().size();
    ASSERT_TRUE(first.CollectUntil([&] { return first.Messages().size() > before; }, 4s));
    EXPECT_EQ(first.Stop(SIGTERM), 0);
}

// A hang-up (the terminal closed) ends the run as "Close and Exit" does, in every program
// that can run on a terminal: headless, and the window.
TEST_P(HeadlessTest, HangUpEndsAsCloseAndExit) {
    for (const bool window : {false, true}) {
#ifndef CORVANTIS_EXECUTABLE
        if (window) {
            continue;
        }
#endif
        if (window && GetParam() == CORVANTIS_LEAN_EXECUTABLE) {
            continue;
        }
        SCOPED_TRACE(window ? "window" : "headless");
        SetUp();  // no [GPS] section: only "Close and Exit" writes one
        HeadlessRun run(GetParam(), settings, line.Master(), window);
        ASSERT_TRUE(run.CollectUntil([&] { return !run.Messages().empty(); }, 8s)) << run.err;
        EXPECT_EQ(run.Stop(SIGHUP), 0) << run.err;
        const std::string ini = testing::ReadFileBytes(settings.File("Corvantis.ini"));
        EXPECT_NE(ini.find("[GPS]\r\nCOMPORT=None\r\n"), std::string::npos) << ini;
        if (!window) {
            EXPECT_NE(run.out.find("port-closed COM1"), std::string::npos) << run.out;
        }
    }
}

// A port missing at start (the adapter enumerated after the service started) is tried until
// it comes; a port held by another copy is taken over once that copy exits.
TEST_P(HeadlessTest, APortMissingAtStartOrHeldByAnotherCopyIsTriedUntilItComes) {
    const std::string late = settings.File("late-device");
    testing::WriteFileBytes(settings.File("Corvantis.ini"),
                            "[Ports]\r\nCOM1=" + late + "\r\n[SerialSync]\r\nCOMPORT=COM1\r\n");
    HeadlessRun run(GetParam(), settings, line.Master());
    run.Collect(6s);
    EXPECT_TRUE(run.Messages().empty());
    EXPECT_NE(run.err.find("COM1 cannot be opened ("), std::string::npos) << run.err;
    ASSERT_EQ(symlink(line.SlavePath().c_str(), late.c_str()), 0);
    ASSERT_TRUE(run.CollectUntil([&] { return !run.Messages().empty(); }, 8s)) << run.err;
    EXPECT_NE(run.err.find("COM1 is open: sending"), std::string::npos) << run.err;

    // A second copy, on settings of its own, on the same line: it waits for the first.
    testing::TempDir otherSettings;
    testing::WriteFileBytes(
        otherSettings.File("Corvantis.ini"),
        "[Ports]\r\nCOM1=" + line.SlavePath() + "\r\n[SerialSync]\r\nCOMPORT=COM1\r\n");
    HeadlessRun second(GetParam(), otherSettings, line.Master());
    ASSERT_TRUE(second.CollectUntil(
        [&] { return second.err.find("COM1 cannot be opened (") != std::string::npos; }, 5s))
        << second.err;
    EXPECT_EQ(run.Stop(SIGTERM), 0);
    ASSERT_TRUE(second.CollectUntil(
        [&] { return second.out.find("port-opened COM1") != std::string::npos; }, 8s))
        << second.err;
    EXPECT_EQ(second.Stop(SIGTERM), 0);
}

// The log on a pipe nobody reads (a stalled collector), then on one whose reader went away:
// the clocks get every message all the same, and the program ends cleanly when told.
TEST_P(HeadlessTest, ALogNobodyReadsNeverHoldsUpTheClocksNorEndsTheProgram) {
    HeadlessRun run(GetParam(), settings, line.Master(), /*window=*/false, /*stalledOutput=*/true);
    ASSERT_TRUE(run.CollectUntil([&] { return run.Messages().size() >= 3; }, 10s)) << run.err;
    run.ReadOutput();
    ASSERT_TRUE(
        run.CollectUntil([&] { return run.out.find(" sent [*") != std::string::npos; }, 5s));
    EXPECT_NE(run.out.find(" started settings in "), std::string::npos) << "queued, not lost";
    run.CloseOutput();
    const std::size_t before = run.Messages().size();
    ASSERT_TRUE(run.CollectUntil([&] { return run.Messages().size() >= before + 2; }, 8s))
        << "the program lives on without its reader: " << run.err;
    EXPECT_EQ(run.Stop(SIGTERM), 0);
}

INSTANTIATE_TEST_SUITE_P(Programs, HeadlessTest, ::testing::ValuesIn(HeadlessPrograms()),
                         ProgramName);

#ifdef CORVANTIS_EXECUTABLE
// Replaces every `from` in `text` with `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The headless loop wakes far less often than the window's Qt loop, whose timers all run at
// their full rate. Side by side, each on its own line and settings folder, the headless
// program and the window (offscreen) must put the same bytes on the wire and leave the same
// settings.
TEST(HeadlessProgramsTest, HeadlessAndWindowSendAndSaveTheSame) {
    struct Side {
        testing::TempDir settings;
        testing::PtyPair line;
    };
    Side lean, qt;
    for (Side* side : {&lean, &qt}) {
        testing::WriteFileBytes(
            side->settings.File("Corvantis.ini"),
            "[Ports]\r\nCOM1=" + side->line.SlavePath() + "\r\n[SerialSync]\r\nCOMPORT=COM1\r\n");
        testing::WriteFileBytes(side->settings.File("data.ini"),
                                "[CommMethod]\r\nTZhouroffset=30\r\n");
    }
    HeadlessRun leanRun(CORVANTIS_LEAN_EXECUTABLE, lean.settings, lean.line.Master());
    HeadlessRun qtRun(CORVANTIS_EXECUTABLE, qt.settings, qt.line.Master(), /*window=*/true);
    const auto both = [&](auto done, std::chrono::milliseconds limit) {
        return leanRun.CollectUntil(
            [&] {
                qtRun.Collect(0ms);
                return done();
            },
            limit);
    };
    ASSERT_TRUE(
        both([&] { return leanRun.Messages().size() >= 4 && qtRun.Messages().size() >= 4; }, 12s))
        << leanRun.err << qtRun.err;

    // From the first message both sent, the two sequences agree.
    const auto leanMessages = leanRun.Messages();
    const auto qtMessages = qtRun.Messages();
    std::size_t l = 0, q = 0;
    while (l < leanMessages.size() && leanMessages[l] != qtMessages.front()) {
        ++l;
    }
    if (l == leanMessages.size()) {
        l = 0;
        while (q < qtMessages.size() && qtMessages[q] != leanMessages.front()) {
            ++q;
        }
    }
    ASSERT_TRUE(l < leanMessages.size() && q < qtMessages.size()) << leanRun.wire << "\n"
                                                                  << qtRun.wire;
    std::size_t compared = 0;
    for (; l < leanMessages.size() && q < qtMessages.size(); ++l, ++q, ++compared) {
        EXPECT_EQ(leanMessages[l], qtMessages[q]);
    }
    EXPECT_GE(compared, 3u);

    // Stopped alike, they leave the same settings behind (the device paths aside).
    EXPECT_EQ(leanRun.Stop(SIGTERM), 0);
    EXPECT_EQ(qtRun.Stop(SIGTERM), 0);
    for (const char* file : {"Corvantis.ini", "data.ini"}) {
        SCOPED_TRACE(file);
        EXPECT_EQ(
            Replaced(testing::ReadFileBytes(lean.settings.File(file)), lean.line.SlavePath(),
                     "LINE"),
            Replaced(testing::ReadFileBytes(qt.settings.File(file)), qt.line.SlavePath(), "LINE"));
    }
}
#endif

}  // namespace
}  // namespace corvantis
