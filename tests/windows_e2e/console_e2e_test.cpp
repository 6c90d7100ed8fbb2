// corvantis.exe under wine, in a console: the options, the bytes a scripted run puts on
// COM1 (a pseudo-terminal whose device end the test plays), the clock's reply, the device
// going away under the running program, and the settings files it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/ini_file_store.h"
#include "platform/version.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "support/wire_vectors.h"
#include "windows_e2e/support/wine_prefix.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using testing::WinePrefix;
using testing::WineProcess;
using testing::WineResult;

TEST(WindowsConsole, OptionsAnswerOnTheParentsStreams) {
    struct Row {
        std::vector<std::string> arguments;
        int exitCode;
        std::string outStart;  // what standard output begins with
        std::string errPart;   // a piece standard error holds
    };
    const std::vector<Row> rows = {
        {{"--version"}, 0, "Corvantis " + std::string(kVersionText) + "\n", ""},
        {{"--help"}, 0, "Usage: corvantis.exe", ""},
        // Not understood: the reason and the usage on standard error, nothing else runs.
        {{"--bogus"}, 2, "", "Usage: corvantis.exe"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.front());
        const auto result = WinePrefix::Shared().Run(CORVANTIS_WINDOWS_EXE, row.arguments);
        EXPECT_EQ(result.exitCode, row.exitCode);
        EXPECT_EQ(testing::UnixLines(result.out).substr(0, row.outStart.size()), row.outStart);
        EXPECT_NE(result.err.find(row.errPart), std::string::npos) << result.err;
    }
}

// corvantis.exe is one file: every DLL it imports comes with Windows.
TEST(WindowsExecutable, ImportsOnlySystemDlls) {
    const std::string command =
        "x86_64-w64-mingw32-objdump -p '" + std::string(CORVANTIS_WINDOWS_EXE) + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string dump;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) {
        dump.append(buffer, got);
    }
    ::pclose(pipe);
    const std::set<std::string> system = {
        "advapi32.dll", "comctl32.dll", "comdlg32.dll", "dwmapi.dll", "gdi32.dll",   "kernel32.dll",
        "msvcrt.dll",   "ole32.dll",    "oleaut32.dll", "shcore.dll", "shell32.dll", "shlwapi.dll",
        "user32.dll",   "uxtheme.dll",  "version.dll",  "winmm.dll",  "ws2_32.dll"};
    std::size_t imports = 0;
    for (std::size_t at = 0; (at = dump.find("DLL Name: ", at)) != std::string::npos;) {
        at += 10;
        std::string name = dump.substr(at, dump.find('\n', at) - at);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        ++imports;
        EXPECT_TRUE(system.count(name) == 1 || name.rfind("api-ms-win-", 0) == 0) << name;
    }
    EXPECT_GT(imports, 0u) << "objdump read no import table";
}

char KindOf(const std::string& message) {
    return message.size() == 35 ? message[testing::kKindDigitAt] : '?';
}

// One headless run with COM1 on a fresh pseudo-terminal and a fresh settings folder that
// chooses COM1.
class ConsoleRun : public ::testing::Test {
protected:
    void SetUp() override {
        prefix.LinkComPort(1, line.SlavePath());
        testing::WriteFileBytes(settings.File("Corvantis.ini"), "[SerialSync]\r\nCOMPORT=COM1\r\n");
    }
    void TearDown() override { prefix.UnlinkComPort(1); }

    void Start(const std::vector<std::string>& more = {}) {
        std::vector<std::string> arguments{"--headless", "--settings-dir",
                                           WinePrefix::WindowsPath(settings.Path())};
        arguments.insert(arguments.end(), more.begin(), more.end());
        // A zone the default display rules express, so the start-up rule check is quiet.
        process = prefix.Start(CORVANTIS_WINDOWS_EXE, arguments, {{"TZ", "America/Chicago"}});
    }
    // corvantis.exe --status on this run's settings folder.
    WineResult Status() {
        return prefix.Run(CORVANTIS_WINDOWS_EXE,
                          {"--status", "--settings-dir", WinePrefix::WindowsPath(settings.Path())},
                          60s);
    }

    // Gathers the wire and the program's output until `done` holds or `limit` passes.
    template <typename Done>
    bool Until(Done done, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            wire += line.Receive(1 << 16, 20ms);
            process->Gather();
            if (done()) {
                return true;
            }
        }
        return false;
    }

    // The 35-character messages on the wire so far, in order.
    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (std::size_t at = 0; (at = wire.find('*', at)) != std::string::npos; at += 35) {
            messages.push_back(wire.substr(at, 35));
        }
        return messages;
    }
    bool Printed(const std::string& text) const {
        return process->Out().find(text) != std::string::npos;
    }

    WinePrefix& prefix = WinePrefix::Shared();
    testing::PtyPair line;
    testing::TempDir settings;
    std::unique_ptr<WineProcess> process;
    std::string wire;
};

TEST_F(ConsoleRun, ScriptedRunPutsTheGoldenBytesOnTheWireAndExitStoresTheSettings) {
    Start();
    ASSERT_TRUE(Until([&] { return Messages().size() >= 2; }, 30s))
        << process->Out() << process->Err() << wire;
    for (const std::string& message : Messages()) {
        EXPECT_EQ(message.substr(15), testing::kTimeOnlyTail) << message;
    }
    EXPECT_TRUE(Printed("port-opened COM1")) << process->Out();

    // "rules": the rules message with the default rules, then time again after the window.
    std::size_t before = Messages().size();
    ASSERT_TRUE(process->Write("rules\r\n"));
    ASSERT_TRUE(
        Until([&] { return Messages().size() > before && KindOf(Messages().back()) == '2'; }, 6s))
        << wire;
    EXPECT_EQ(Messages().back().substr(15), testing::kDefaultRulesTail);
    ASSERT_TRUE(Until([&] { return KindOf(Messages().back()) == '1'; }, 10s)) << wire;

    // "address": the addressed command, byte for byte.
    before = Messages().size();
    ASSERT_TRUE(process->Write("address\n"));
    ASSERT_TRUE(
        Until([&] { return Messages().size() > before && KindOf(Messages().back()) == '3'; }, 6s))
        << wire;
    EXPECT_EQ(Messages().back(), testing::kDefaultAddressedCommand);

    // "exit" is "Close and Exit": the port closed, the GPS port stored, a clean end.
    ASSERT_TRUE(process->Write("exit\n"));
    EXPECT_EQ(process->Wait(15s), 0);
    EXPECT_TRUE(Printed("port-closed COM1")) << process->Out();
    EXPECT_EQ(process->Err(), "") << "a clean run reports nothing";

    // What the Windows profile functions wrote reads back the same through the Linux INI
    // reader and through the profile functions themselves (printed in text mode: CR LF).
    posix::IniFileStore store;
    const std::string ini = settings.File("Corvantis.ini");
    struct Row {
        const char* section;
        const char* key;
        const char* value;
    };
    std::vector<std::string> driverCommands;
    std::string expectedByProfile;
    for (const Row& row : {Row{"GPS", "COMPORT", "None"}, Row{"SerialSync", "COMPORT", "COM1"},
                           Row{"SerialSync", "TIMEUTC", "True"}}) {
        EXPECT_EQ(store.GetString(row.section, row.key, "?", 750, ini), row.value)
            << testing::ReadFileBytes(ini);
        driverCommands.insert(driverCommands.end(),
                              {"profile", WinePrefix::WindowsPath(ini), row.section, row.key});
        expectedByProfile += std::string("profile ") + row.key + "=" + row.value + "\r\n";
    }
    const auto byProfile = prefix.Run(CORVANTIS_WINDOWS_BUILD_DIR
                                      "/tests/windows_e2e/driver/corvantis_window_driver.exe",
                                      driverCommands, 60s);
    EXPECT_EQ(byProfile.out, expectedByProfile) << byProfile.err;
}

TEST_F(ConsoleRun, TheClocksReplyShowsCutTo36Characters) {
    Start();
    ASSERT_TRUE(Until([&] { return !Messages().empty(); }, 20s)) << process->Err();
    const std::string reply = "OK0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef";
    line.Send(reply);
    ASSERT_TRUE(Until([&] { return Printed(" reply ["); }, 5s)) << process->Out();
    EXPECT_TRUE(Printed(" reply [" + reply.substr(0, 36) + "]")) << process->Out();

    // An unknown word is answered; the end of input changes nothing.
    ASSERT_TRUE(process->Write("bogus\n"));
    ASSERT_TRUE(process->WaitFor("unknown command", 5s, true)) << process->Err();
    process->CloseInput();
    const std::size_t before = Messages().size();
    EXPECT_TRUE(Until([&] { return Messages().size() > before; }, 5s));
}

TEST_F(ConsoleRun, ADeviceThatGoesAwayClosesThePortAndLeavesTheProgramQuiet) {
    Start();
    ASSERT_TRUE(Until([&] { return !Messages().empty(); }, 20s)) << process->Err();
    line.CloseMaster();
    ASSERT_TRUE(process->WaitFor("port-closed COM1", 6s)) << process->Out();
    // No busy loop afterwards: over three seconds the program uses a small part of a core.
    const auto cpuBefore = process->CpuTime();
    std::this_thread::sleep_for(3s);
    const auto used = process->CpuTime() - cpuBefore;
    EXPECT_LT(used, 600ms) << "CPU time used in 3 s after the removal";
    process->Gather();
    EXPECT_TRUE(process->Running());
    EXPECT_EQ(process->Out().find("sent [", process->Out().find("port-closed COM1")),
              std::string::npos)
        << "nothing is written once the port has closed";
}

// The adapter plugged back in: COM1 names a device again and the program reopens it by itself,
// telling once that it lost the port and once that it is back, and the clocks get messages
// on the new line.
TEST_F(ConsoleRun, APortWhoseDeviceComesBackIsReopenedAndSendsAgain) {
    Start();
    ASSERT_TRUE(Until([&] { return !Messages().empty(); }, 20s)) << process->Err();
    line.CloseMaster();
    ASSERT_TRUE(process->WaitFor("port-closed COM1", 6s)) << process->Out();

    testing::PtyPair back;
    prefix.LinkComPort(1, back.SlavePath());
    std::string again;
    const auto end = std::chrono::steady_clock::now() + 15s;
    while (again.find('#') == std::string::npos && std::chrono::steady_clock::now() < end) {
        again += back.Receive(1 << 16, 50ms);
        process->Gather();
    }
    EXPECT_NE(again.find('#'), std::string::npos) << process->Out() << process->Err();
    EXPECT_NE(process->Out().find("port-opened COM1", process->Out().find("port-closed COM1")),
              std::string::npos)
        << process->Out();
    EXPECT_NE(process->Err().find("COM1 went away"), std::string::npos) << process->Err();
    EXPECT_NE(process->Err().find("COM1 is back: sending again"), std::string::npos)
        << process->Err();
}

// The adapter enumerated only after the program started (a boot race): COM1 names no device
// at start, then one 6 s later, and the program opens it by itself and sends.
TEST_F(ConsoleRun, APortMissingAtStartIsTriedUntilItComes) {
    prefix.UnlinkComPort(1);
    Start();
    ASSERT_TRUE(process->WaitFor("not-sending", 20s)) << process->Out() << process->Err();
    std::this_thread::sleep_for(6s);
    process->Gather();
    EXPECT_NE(process->Err().find("COM1 cannot be opened ("), std::string::npos) << process->Err();
    prefix.LinkComPort(1, line.SlavePath());
    ASSERT_TRUE(Until([&] { return !Messages().empty(); }, 15s))
        << process->Out() << process->Err();
    EXPECT_NE(process->Err().find("COM1 is open: sending"), std::string::npos) << process->Err();
}

// The settings files are saved whole, as on Linux: what a save killed midway left beside a
// file goes at the next start, and a run leaves nothing beside its files.
TEST_F(ConsoleRun, AStartRemovesWhatAnInterruptedSaveLeftAndARunLeavesNothingBehind) {
    const std::string stale = settings.File(".data.ini.tmp-0123456789abcdef");
    testing::WriteFileBytes(stale, "[CommMethod]\r\nDSTH");
    const std::filesystem::file_time_type then =
        std::filesystem::last_write_time(stale) - std::chrono::minutes(10);
    std::filesystem::last_write_time(stale, then);
    Start();
    ASSERT_TRUE(Until([&] { return !Messages().empty(); }, 20s)) << process->Err();
    ASSERT_TRUE(process->Write("exit\n"));
    EXPECT_EQ(process->Wait(15s), 0);
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(settings.Path())) {
        left.insert(entry.path().filename().string());
    }
    EXPECT_EQ(left, (std::set<std::string>{"Corvantis.ini", "data.ini", "status.json"}));
}

// A second copy meets the first one's lock however the settings folder is spelled.
TEST_F(ConsoleRun, ASecondCopyOnTheSameFolderSpelledOtherwiseEnds) {
    Start();
    ASSERT_TRUE(Until([&] { return !Messages().empty(); }, 20s)) << process->Err();
    std::string upper = WinePrefix::WindowsPath(settings.Path());
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const std::string folder = WinePrefix::WindowsPath(settings.Path());
    const std::string name = folder.substr(folder.find_last_of('\\') + 1);
    for (const std::string& spelling :
         {folder + "\\", folder + "\\.", folder + "\\..\\" + name, upper}) {
        SCOPED_TRACE(spelling);
        const auto second =
            prefix.Run(CORVANTIS_WINDOWS_EXE, {"--headless", "--settings-dir", spelling}, 60s);
        EXPECT_EQ(second.exitCode, 3) << second.err;
        EXPECT_NE(second.err.find("already running"), std::string::npos) << second.err;
    }
    ASSERT_TRUE(process->Write("exit\n"));
    EXPECT_EQ(process->Wait(15s), 0);
}

// The status as a monitoring check reads it: OK while sending (the running copy found by its
// lock), UNKNOWN once it has ended; the metrics file written beside.
TEST_F(ConsoleRun, StatusIsOkWhileSendingAndUnknownOnceEnded) {
    Start({"--metrics-file", WinePrefix::WindowsPath(settings.File("corvantis.prom"))});
    ASSERT_TRUE(Until([&] { return Messages().size() >= 2; }, 30s)) << process->Err();
    const WineResult running = Status();
    EXPECT_EQ(running.exitCode, 0) << running.out << running.err;
    EXPECT_EQ(
        testing::UnixLines(running.out).rfind("CORVANTIS OK - sending to COM1, last message", 0),
        0u)
        << running.out;
    const std::string metrics = testing::ReadFileBytes(settings.File("corvantis.prom"));
    EXPECT_NE(metrics.find("corvantis_sending 1\n"), std::string::npos) << metrics;
    EXPECT_NE(metrics.find("program=\"headless\",port=\"COM1\""), std::string::npos) << metrics;
    ASSERT_TRUE(process->Write("exit\n"));
    EXPECT_EQ(process->Wait(15s), 0);
    const WineResult ended = Status();
    EXPECT_EQ(ended.exitCode, 3) << ended.out << ended.err;
    EXPECT_NE(ended.out.find("not running (last status at"), std::string::npos) << ended.out;
}

}  // namespace
}  // namespace corvantis
