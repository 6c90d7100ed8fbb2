// `--status` through the real programs: a headless run on a pseudo-terminal in a temporary
// settings folder, checked as a monitoring system checks it, in each state the run can be in.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "support/pty_pair.h"
#include "support/temp_dir.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;

// The display rules the tests store express this zone; the other one differs from them.
constexpr const char* kMatchingZone = "UTC0UDT,M3.2.0,M11.1.0";
constexpr const char* kDifferentZone = "CET-1CEST,M3.5.0,M10.5.0/3";

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// One headless run with its streams sent to files in the settings folder.
class ProgramRun {
public:
    // `journal`: the program's streams are taken for the journal's (JOURNAL_STREAM names them).
    // `program` empty: the lean headless one; otherwise that one, with its window offscreen.
    ProgramRun(const testing::TempDir& settings, const char* zone, bool journal = false,
               const std::string& program = {}) {
        m_pid = fork();
        if (m_pid == 0) {
            const int in = open("/dev/null", O_RDONLY);
            const int out = open(settings.File("out.log").c_str(), O_WRONLY | O_CREAT, 0600);
            dup2(in, STDIN_FILENO);
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
            // Nothing of the test's own reaches the program: above all not the line's device
            // end, whose closing must be the program's hang-up.
            for (int fd = STDERR_FILENO + 1; fd < 1024; ++fd) {
                close(fd);
            }
            setenv("XDG_CONFIG_HOME", settings.Path().c_str(), 1);
            struct stat log {};
            if (journal && fstat(STDOUT_FILENO, &log) == 0) {
                const std::string stream =
                    std::to_string(log.st_dev) + ":" + std::to_string(log.st_ino);
                setenv("JOURNAL_STREAM", stream.c_str(), 1);
            }
            setenv("TZ", zone, 1);
            // This machine's clock may not be synchronised: the program is told it is.
            setenv("LD_PRELOAD", CORVANTIS_SYNCHRONISED_CLOCK, 1);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            const std::string executable = program.empty() ? CORVANTIS_LEAN_EXECUTABLE : program;
            execl(executable.c_str(), executable.c_str(), "--settings-dir", settings.Path().c_str(),
                  "--metrics-file", settings.File("m.prom").c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~ProgramRun() { Stop(); }
    int Stop() {
        if (m_pid <= 0) {
            return -1;
        }
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
};

struct Check {
    int code = -1;
    std::string output;
    std::string FirstLine() const { return output.substr(0, output.find('\n')); }
};

Check StatusOf(const testing::TempDir& settings) {
    Check check;
    const std::string command = std::string(CORVANTIS_LEAN_EXECUTABLE) +
                                " --status --settings-dir '" + settings.Path() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[512];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        check.output += buffer;
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    check.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return check;
}

// Checks until the first line starts with `prefix` or 10 s pass; returns the last check.
Check StatusWhen(const testing::TempDir& settings, const std::string& prefix) {
    Check check;
    for (int i = 0; i < 50; ++i) {
        check = StatusOf(settings);
        if (check.FirstLine().rfind(prefix, 0) == 0) {
            break;
        }
        std::this_thread::sleep_for(200ms);
    }
    return check;
}

// promtool's verdict on a metrics file: empty when it passes or promtool is not installed.
std::string PromtoolProblems(const std::string& path) {
    if (std::system("command -v promtool >/dev/null 2>&1") != 0) {
        std::cerr << "promtool not installed: the metrics file is not linted\n";
        return {};
    }
    FILE* pipe = popen(("promtool check metrics < '" + path + "' 2>&1").c_str(), "r");
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    const int status = pclose(pipe);
    return status == 0 ? std::string() : "promtool: " + output;
}

class StatusTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteFileBytes(
            settings.File("Corvantis.ini"),
            "[Ports]\r\nCOM1=" + line.SlavePath() + "\r\n[SerialSync]\r\nCOMPORT=COM1\r\n");
        // Offset entry 24 is 0 hours: with the stored daylight-saving rules, kMatchingZone.
        testing::WriteFileBytes(settings.File("data.ini"), "[CommMethod]\r\nTZhouroffset=24\r\n");
    }
    testing::TempDir settings;
    testing::PtyPair line;
};

TEST_F(StatusTest, SendingIsOkAndTheMetricsFilePassesPromtool) {
    ProgramRun run(settings, kMatchingZone);
    const Check check = StatusWhen(settings, "CORVANTIS OK - sending to COM1, last message");
    EXPECT_EQ(check.code, 0) << check.output << ReadFile(settings.File("out.log"));
    EXPECT_NE(check.output.find("Last message:   time, "), std::string::npos) << check.output;
    const std::string metrics = ReadFile(settings.File("m.prom"));
    EXPECT_NE(metrics.find("corvantis_sending 1\n"), std::string::npos) << metrics;
    EXPECT_EQ(PromtoolProblems(settings.File("m.prom")), "");
    EXPECT_EQ(run.Stop(), 0);
    // Stopped cleanly: the last record says so, and no program holds the folder.
    const Check stopped = StatusOf(settings);
    EXPECT_EQ(stopped.code, 3) << stopped.output;
    EXPECT_NE(stopped.FirstLine().find("CORVANTIS UNKNOWN - not running (last status at"),
              std::string::npos)
        << stopped.output;
    EXPECT_NE(stopped.FirstLine().find(", stopped)"), std::string::npos) << stopped.output;
    EXPECT_NE(ReadFile(settings.File("m.prom")).find("corvantis_running 0\n"), std::string::npos);
}

// Under the journal, the warning's line carries the warning priority; the event lines none
// (the journal's default, info).
TEST_F(StatusTest, RulesThatDifferFromTheZoneAreAWarning) {
    ProgramRun run(settings, kDifferentZone, true);
    const Check check = StatusWhen(settings, "CORVANTIS WARNING - sending to COM1, last message");
    EXPECT_EQ(check.code, 1) << check.output;
    EXPECT_NE(check.output.find("rules: Clocks will show"), std::string::npos) << check.output;
    EXPECT_NE(ReadFile(settings.File("m.prom")).find("corvantis_warning{key=\"rules\"} 1"),
              std::string::npos);
    run.Stop();
    std::istringstream log(ReadFile(settings.File("out.log")));
    int warnings = 0, events = 0;
    for (std::string line; std::getline(log, line);) {
        if (line.rfind("<4>warning: Clocks will show", 0) == 0) {
            ++warnings;
        } else if (line.find(" sent [") != std::string::npos) {
            EXPECT_NE(line[0], '<') << line;
            ++events;
        }
    }
    EXPECT_EQ(warnings, 1) << ReadFile(settings.File("out.log"));
    EXPECT_GT(events, 0);
}

TEST_F(StatusTest, APulledPortIsCritical) {
    ProgramRun run(settings, kMatchingZone);
    ASSERT_EQ(StatusWhen(settings, "CORVANTIS OK").code, 0);
    line.CloseMaster();
    const Check check = StatusWhen(settings, "CORVANTIS CRITICAL");
    EXPECT_EQ(check.code, 2) << check.output;
    EXPECT_NE(check.FirstLine().find("not sending: COM1 went away"), std::string::npos)
        << check.output;
    EXPECT_NE(ReadFile(settings.File("m.prom")).find("corvantis_sending 0\n"), std::string::npos);
}

TEST_F(StatusTest, NothingEverRanIsUnknown) {
    const Check check = StatusOf(settings);
    EXPECT_EQ(check.code, 3) << check.output;
    EXPECT_EQ(check.FirstLine(),
              "CORVANTIS UNKNOWN - not running, no status in " + settings.Path());
}

// A program holds the folder (the test takes its lock as a hung copy would) but its record
// stopped being written two minutes ago.
TEST_F(StatusTest, ARecordOlderThanAMinuteWhileTheFolderIsHeldIsCritical) {
    {
        ProgramRun run(settings, kMatchingZone);
        ASSERT_EQ(StatusWhen(settings, "CORVANTIS OK").code, 0);
        // A copy that dies leaves its record as it was last written.
        run.Stop();
    }
    std::string record = ReadFile(settings.File("status.json"));
    const auto at = record.find("\"written\": ");
    ASSERT_NE(at, std::string::npos);
    const long long written = std::stoll(record.substr(at + 11));
    record.replace(at + 11, std::to_string(written).size(), std::to_string(written - 120));
    record.replace(record.find("\"running\": false"), 16, "\"running\": true");
    testing::WriteFileBytes(settings.File("status.json"), record);
    const int lock = open(settings.File(".corvantis.lock").c_str(), O_RDWR);
    ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
    const Check check = StatusOf(settings);
    EXPECT_EQ(check.code, 2) << check.output;
    EXPECT_NE(check.FirstLine().find("CRITICAL - status not written for 1"), std::string::npos)
        << check.output;
    close(lock);
    EXPECT_EQ(StatusOf(settings).code, 3) << "not running once the lock is free";
}

#ifdef CORVANTIS_EXECUTABLE
// The window program keeps the same record.
TEST_F(StatusTest, TheWindowProgramKeepsItToo) {
    ProgramRun run(settings, kMatchingZone, false, CORVANTIS_EXECUTABLE);
    const Check check = StatusWhen(settings, "CORVANTIS OK - sending to COM1, last message");
    EXPECT_EQ(check.code, 0) << check.output << ReadFile(settings.File("out.log"));
    EXPECT_NE(check.output.find("Program:        window "), std::string::npos) << check.output;
    EXPECT_EQ(PromtoolProblems(settings.File("m.prom")), "");
}
#endif

}  // namespace
}  // namespace corvantis
