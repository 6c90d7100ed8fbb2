// The real executables end to end: corvantis-clock on a pseudo-terminal answering by hand-made
// messages; Corvantis headless driving corvantis-clock through a pty pair, the clock showing
// the PC's local time once the rules arrive; and corvantis --check-rules per zone.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>

#include "protocol/messages.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;

// Runs `command` through the shell; returns its standard output (and error) and exit status.
struct Ran {
    std::string out;
    int status = -1;
};

Ran RunShell(const std::string& command) {
    Ran ran;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return ran;
    }
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        ran.out.append(buffer, count);
    }
    const int status = ::pclose(pipe);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

TEST(ClockEmulatorTest, DecodesTheLineAndAcknowledgesCommands) {
    testing::PtyPair line;
    FILE* clock =
        ::popen((std::string(CORVANTIS_CLOCK_EXECUTABLE) +
                 " --addresses 3,4 --ack --lines --seconds 3 " + Quoted(line.SlavePath()) + " 2>&1")
                    .c_str(),
                "r");
    ASSERT_NE(clock, nullptr);
    std::this_thread::sleep_for(500ms);
    const DisplayRuleFields rules{" -6", " 0", " 327", "1117", " 2", " 0"};
    line.Send("noise" + RulesMessage({2024, 3, 9, 14, 7, 4}, rules) +
              AddressedCommand("3", "9", 1, rules));
    std::string replies;
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (std::chrono::steady_clock::now() < end && replies.size() < 19) {
        char buffer[256];
        const ssize_t count = ::read(line.Master(), buffer, sizeof buffer);
        if (count > 0) {
            replies.append(buffer, static_cast<std::size_t>(count));
        }
        std::this_thread::sleep_for(20ms);
    }
    std::string out;
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, clock)) > 0) {
        out.append(buffer, count);
    }
    EXPECT_EQ(::pclose(clock), 0);
    EXPECT_EQ(replies, "ACK 03 ADDRESS 09\r\n");
    EXPECT_NE(out.find("event: skipped 5 byte(s), not part of a message: \"noise\""),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("event: clock 3 is now clock 9"), std::string::npos) << out;
    EXPECT_NE(out.find("clock 9: 08:07:0"), std::string::npos) << out;
    EXPECT_NE(out.find("clock 4: 08:07:0"), std::string::npos) << out;
}

// Corvantis sends the rules of America/Chicago; the clock then shows the PC's local time.
TEST(ClockEndToEndTest, TheClockShowsThePcsLocalTimeOnceTheRulesArrive) {
    testing::TempDir work;
    const std::string ptyFile = work.File("line");
    FILE* clock = ::popen(("TZ=America/Chicago " + std::string(CORVANTIS_CLOCK_EXECUTABLE) +
                           " --addresses 1 --lines --seconds 9 --pty " + Quoted(ptyFile) + " 2>&1")
                              .c_str(),
                          "r");
    ASSERT_NE(clock, nullptr);
    std::string device;
    for (int i = 0; i < 50 && device.empty(); ++i) {
        std::this_thread::sleep_for(100ms);
        device = testing::ReadFileBytes(ptyFile);
    }
    ASSERT_FALSE(device.empty());
    device.pop_back();  // the line end
    testing::WriteFileBytes(work.File("Corvantis.ini"),
                            "[Ports]\r\nCOM1=" + device + "\r\n[SerialSync]\r\nCOMPORT=COM1\r\n");
    const Ran corvantis = RunShell(
        "(sleep 2; echo rules; sleep 4; echo exit) | TZ=America/Chicago "
        "XDG_CONFIG_HOME=" +
        Quoted(work.Path()) + " " + CORVANTIS_EXECUTABLE + " --headless --settings-dir " +
        Quoted(work.Path()) + " 2>&1");
    std::string out;
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, clock)) > 0) {
        out.append(buffer, count);
    }
    ::pclose(clock);
    EXPECT_EQ(corvantis.status, 0) << corvantis.out;

    // The last time the clock showed after taking the rules, against the PC's local time.
    const std::size_t rules = out.find(
        "event: clock 1 took new rules: UTC-6, daylight saving "
        "from the second Sunday of March");
    ASSERT_NE(rules, std::string::npos) << out;
    const std::size_t shown = out.rfind("clock 1: ");
    ASSERT_GT(shown, rules) << out;
    const std::string hhmm = out.substr(shown + 9, 5);
    ::setenv("TZ", "America/Chicago", 1);
    ::tzset();
    bool matches = false;
    for (int back : {0, 5, 10}) {  // the clock printed within the last seconds
        const std::time_t t = std::time(nullptr) - back;
        std::tm local{};
        ::localtime_r(&t, &local);
        char text[8];
        std::strftime(text, sizeof text, "%H:%M", &local);
        matches = matches || hhmm == text;
    }
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_TRUE(matches) << hhmm << "\n" << out;
}

TEST(CheckRulesTest, ExitsZeroWhenTheZoneAgreesAndOneWhenItDoesNot) {
    struct Row {
        const char* zone;
        int status;
        const char* says;
    };
    const Row rows[] = {
        {"America/Chicago", 0, "The clocks agree with this PC from "},
        {"CST6CDT,M4.1.0,M10.5.0", 1, "Clocks will show 1 hour ahead of this PC from "},
        {"America/New_York", 1, "Clocks will show 1 hour behind this PC from "},
        {"Australia/Lord_Howe", 1,
         "They cannot express it exactly: its daylight saving moves the time by 30 minutes"},
    };
    testing::TempDir work;
    for (const Row& row : rows) {
        const Ran ran =
            RunShell(std::string("TZ=") + Quoted(row.zone) + " " + CORVANTIS_EXECUTABLE +
                     " --check-rules --years 3 --settings-dir " + Quoted(work.Path()) + " 2>&1");
        EXPECT_EQ(ran.status, row.status) << row.zone << "\n" << ran.out;
        EXPECT_NE(ran.out.find(row.says), std::string::npos) << row.zone << "\n" << ran.out;
    }
}

}  // namespace
}  // namespace corvantis
