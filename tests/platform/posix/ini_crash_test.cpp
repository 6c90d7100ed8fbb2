// A process killed at any moment while writing leaves a settings file that is whole: either
// the state before the interrupted write or the state after it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>

#include "platform/posix/ini_file_store.h"
#include "support/temp_dir.h"

namespace corvantis::testing {
namespace {

constexpr int kKeys = 10;
constexpr int kRounds = 150;
constexpr auto kLongestRun = std::chrono::microseconds(15000);

std::string SectionOf(long n) {
    return "S" + std::to_string(n % 2);
}
std::string KeyOf(long n) {
    return "K" + std::to_string(n % kKeys);
}
// Values of changing length, so that files grow and shrink.
std::string ValueOf(long n) {
    return std::to_string(n) + "-" + std::string(static_cast<std::size_t>(n % 50), 'x');
}

// Write number n sets key KeyOf(n) of section SectionOf(n) to ValueOf(n). One byte on
// `started` says the writer runs, so the kill's random moment falls among its writes even on
// a busy machine, where a new process may wait long for its first turn.
[[noreturn]] void WriteForever(const std::string& file, long first, int started) {
    posix::IniFileStore store;
    if (::write(started, "s", 1) != 1) {
        ::_exit(4);
    }
    for (long n = first;; ++n) {
        if (!store.WriteString(SectionOf(n), KeyOf(n), ValueOf(n), file)) {
            ::_exit(3);
        }
    }
}

// The number of the last write the file holds: the largest number among its values.
long LastWriteIn(const std::string& text) {
    long last = 0;
    for (long key = 0; key < kKeys; ++key) {
        if (auto value = posix::FindIniValue(text, SectionOf(key), KeyOf(key))) {
            last = std::max(last, std::stol(*value));
        }
    }
    return last;
}

TEST(IniCrashSafetyTest, AKilledWriterLeavesTheOldOrTheNewFileNeverABrokenOne) {
    TempDir dir;
    const std::string file = dir.File("Corvantis.ini");
    std::mt19937 random(12345);
    std::uniform_int_distribution<long> pause(0, kLongestRun.count());

    // What the file must hold after write number `verified`, rebuilt write by write.
    std::string expected;
    long verified = 0;
    for (int round = 0; round < kRounds; ++round) {
        int started[2];
        ASSERT_EQ(::pipe(started), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(started[0]);
            WriteForever(file, verified + 1, started[1]);
        }
        ::close(started[1]);
        char byte = 0;
        ASSERT_EQ(::read(started[0], &byte, 1), 1) << "the writer did not start";
        ::close(started[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";

        const std::string text = ReadFileBytes(file);
        const long last = LastWriteIn(text);
        ASSERT_GE(last, verified) << "round " << round;
        for (long n = verified + 1; n <= last; ++n) {
            expected = posix::SetIniValue(expected, SectionOf(n), KeyOf(n), ValueOf(n));
        }
        ASSERT_EQ(text, expected) << "round " << round << ", after write " << last;
        verified = last;
    }
    EXPECT_GT(verified, kRounds / 4) << "too few writes to mean anything";
    std::cout << "[          ] " << verified << " writes, " << kRounds << " kills\n";
}

}  // namespace
}  // namespace corvantis::testing
