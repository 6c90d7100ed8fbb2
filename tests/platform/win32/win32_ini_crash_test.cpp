// A Windows process killed (TerminateProcess) at any moment while saving leaves a settings file
// that is whole: every key holds its old or its new value, never a broken or truncated file.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

#include "platform/ini_file_store.h"
#include "platform/win32/win32_paths.h"
#include "platform/win32/win32_whole_files.h"
#include "support/temp_dir.h"

#include <windows.h>

namespace corvantis::testing {
namespace {

constexpr int kKeys = 10;
constexpr int kRounds = 100;
constexpr int kLongestPauseUs = 15000;
constexpr DWORD kStartWaitMs = 60000;
// The writer's job, for a copy of this program started by the test: the file, the number of
// its first write and the event it sets once that write is made.
constexpr char kFileVariable[] = "CORVANTIS_CRASH_FILE";
constexpr char kFirstVariable[] = "CORVANTIS_CRASH_FIRST";
constexpr char kEventVariable[] = "CORVANTIS_CRASH_EVENT";

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

// Write number n sets key KeyOf(n) of section SectionOf(n) to ValueOf(n), until killed.
[[noreturn]] void WriteForever(const char* file, long first, const char* event) {
    Win32IniFileStore store;
    const HANDLE started = OpenEventA(EVENT_MODIFY_STATE, FALSE, event);
    for (long n = first;; ++n) {
        if (!store.WriteString(SectionOf(n), KeyOf(n), ValueOf(n), file)) {
            ExitProcess(3);
        }
        if (n == first) {
            SetEvent(started);
        }
    }
}

// In a copy started by the test below, the writer runs before the tests and never returns.
[[maybe_unused]] const bool kWriter = [] {
    const char* file = std::getenv(kFileVariable);
    const char* first = std::getenv(kFirstVariable);
    const char* event = std::getenv(kEventVariable);
    if (file != nullptr && first != nullptr && event != nullptr) {
        WriteForever(file, std::atol(first), event);
    }
    return false;
}();

// The number of the last write the file holds: the largest number among its values.
long LastWriteIn(const std::string& text) {
    long last = 0;
    for (long key = 0; key < kKeys; ++key) {
        if (auto value = FindIniValue(text, SectionOf(key), KeyOf(key))) {
            last = std::max(last, std::stol(*value));
        }
    }
    return last;
}

// Starts a copy of this program writing `file` from write number `first`; returns its process
// once it has made that write.
HANDLE StartWriter(const std::string& file, long first, const std::string& event) {
    SetEnvironmentVariableA(kFileVariable, file.c_str());
    SetEnvironmentVariableA(kFirstVariable, std::to_string(first).c_str());
    SetEnvironmentVariableA(kEventVariable, event.c_str());
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL created = CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &process);
    SetEnvironmentVariableA(kFileVariable, nullptr);
    SetEnvironmentVariableA(kFirstVariable, nullptr);
    SetEnvironmentVariableA(kEventVariable, nullptr);
    if (!created) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

int TemporariesIn(const std::string& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search =
        FindFirstFileW((WidePath(folder) + L"\\.Corvantis.ini.tmp-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int count = 0;
    do {
        ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

TEST(Win32IniCrashSafetyTest, AKilledWriterLeavesEveryKeyOldOrNew) {
    TempDir dir;
    const std::string file = dir.File("Corvantis.ini");
    const std::string eventName = "Local\\corvantis-crash-" + std::to_string(GetCurrentProcessId());
    const HANDLE started = CreateEventA(nullptr, FALSE, FALSE, eventName.c_str());
    ASSERT_NE(started, nullptr);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pause(0, kLongestPauseUs);

    // What the file must hold after write number `verified`, rebuilt write by write.
    std::string expected;
    long verified = 0;
    int damaged = 0;
    for (int round = 0; round < kRounds; ++round) {
        const HANDLE child = StartWriter(file, verified + 1, eventName);
        ASSERT_NE(child, nullptr);
        ASSERT_EQ(WaitForSingleObject(started, kStartWaitMs), WAIT_OBJECT_0) << "round " << round;
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::microseconds(pause(random));
        while (std::chrono::steady_clock::now() < until) {
        }
        TerminateProcess(child, 9);
        WaitForSingleObject(child, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(child, &code);
        CloseHandle(child);
        ASSERT_EQ(code, 9u) << "the writer stopped by itself";

        const std::string text = ReadFileBytes(file);
        const long last = LastWriteIn(text);
        std::string wanted = expected;
        for (long n = verified + 1; n <= last; ++n) {
            wanted = SetIniValue(wanted, SectionOf(n), KeyOf(n), ValueOf(n));
        }
        if (last < verified || text != wanted) {
            // Counted, then the file as it was before the round, so the next rounds count too.
            ++damaged;
            ADD_FAILURE() << "round " << round << ": the file is damaged:\n" << text;
            WriteFileBytes(file, expected);
            continue;
        }
        expected = wanted;
        verified = last;
    }
    CloseHandle(started);
    std::cout << "[          ] " << verified << " writes, " << kRounds << " kills, " << damaged
              << " damaged files, " << TemporariesIn(dir.Path()) << " temporaries left\n";
    EXPECT_GE(verified, kRounds) << "too few writes to mean anything";
}

}  // namespace
}  // namespace corvantis::testing
