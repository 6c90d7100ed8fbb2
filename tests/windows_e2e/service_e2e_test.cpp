// corvantis.exe as a Windows service under wine's service manager: registered, started,
// sending to COM1 (a pseudo-terminal the test plays), stopped through "Close and Exit",
// started again after its process was killed, and removed; a second copy on the service's
// settings says the service holds them. The program lies on C: inside the prefix, as an
// installation puts it (wine's service manager does not start one on the Z: drive).
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "windows_e2e/support/wine_prefix.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using testing::WinePrefix;

class ServiceLife : public ::testing::Test {
protected:
    static void SetUpTestSuite() { WinePrefix::Shared().Restart(); }

    void SetUp() override {
        prefix.LinkComPort(1, line.SlavePath());
        std::filesystem::create_directories(programFolder);
        std::filesystem::copy_file(CORVANTIS_WINDOWS_EXE, program,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    void TearDown() override {
        prefix.Run(program, {"--uninstall-service", kName});
        prefix.UnlinkComPort(1);
    }

    testing::WineResult Corvantis(const std::vector<std::string>& arguments) {
        return prefix.Run(program, arguments, 90s);
    }
    // What `sc query` says of the service's state ("RUNNING", "STOPPED"), empty for none.
    std::string State() {
        const std::string out = testing::UnixLines(prefix.Run("sc", {"query", kName}, 30s).out);
        const auto at = out.find("STATE");
        if (at == std::string::npos) {
            return {};
        }
        const std::string line = out.substr(at, out.find('\n', at) - at);
        for (const char* state : {"RUNNING", "STOPPED", "START_PENDING", "STOP_PENDING"}) {
            if (line.find(state) != std::string::npos) {
                return state;
            }
        }
        return line;
    }
    bool WaitState(const std::string& state, std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (State() == state) {
                return true;
            }
            std::this_thread::sleep_for(500ms);
        }
        return false;
    }
    // Waits for `count` more clock messages on the line.
    bool Messages(std::size_t count, std::chrono::seconds limit) {
        std::string wire;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            wire += line.Receive(1 << 16, 100ms);
            std::size_t seen = 0;
            for (std::size_t at = 0; (at = wire.find('*', at)) != std::string::npos; ++at) {
                ++seen;
            }
            if (seen >= count) {
                return true;
            }
        }
        return false;
    }
    // The Linux process ids of the service's program in this prefix.
    std::vector<pid_t> ServiceProcesses() const {
        std::vector<pid_t> found;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) {
                continue;
            }
            const std::string command = testing::ReadFileBytes(entry.path() / "cmdline");
            const std::string environment = testing::ReadFileBytes(entry.path() / "environ");
            if (command.find("corvantis.exe") != std::string::npos &&
                environment.find("WINEPREFIX=" + prefix.Prefix() + '\0') != std::string::npos) {
                found.push_back(static_cast<pid_t>(std::stol(name)));
            }
        }
        return found;
    }
    std::string Registry(const std::string& key, const std::string& value) {
        return testing::UnixLines(prefix.Run("reg", {"query", key, "/v", value}, 30s).out);
    }

    static constexpr const char* kName = "hall";
    WinePrefix& prefix = WinePrefix::Shared();
    testing::PtyPair line;
    const std::string programFolder = prefix.Prefix() + "/drive_c/Program Files/Corvantis";
    const std::string program = programFolder + "/corvantis.exe";
    const std::string settings = prefix.Prefix() + "/drive_c/ProgramData/Corvantis/hall";
    const std::string settingsWindows = "C:\\ProgramData\\Corvantis\\hall";
};

TEST_F(ServiceLife, InstallStartSendStopKillRestartUninstall) {
    // Registered: automatic start, a description, the event source naming the program; the
    // settings folder made.
    auto result = Corvantis({"--install-service", kName});
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("installed"), std::string::npos) << result.out;
    const std::string key = "HKLM\\System\\CurrentControlSet\\Services\\hall";
    EXPECT_NE(Registry(key, "ImagePath").find("--service"), std::string::npos);
    EXPECT_NE(Registry(key, "Start").find("0x2"), std::string::npos);
    EXPECT_NE(Registry(key, "Description").find("Vesper wall clocks"), std::string::npos);
    // (The restart after a failure is taken by wine's service manager but not kept, so it
    // cannot be read back here.)
    EXPECT_NE(Registry("HKLM\\System\\CurrentControlSet\\Services\\EventLog\\Application\\"
                       "Corvantis",
                       "EventMessageFile")
                  .find("C:\\Program Files\\Corvantis\\corvantis.exe"),
              std::string::npos);
    ASSERT_TRUE(std::filesystem::is_directory(settings));
    EXPECT_EQ(State(), "STOPPED");
    // A second registration under the same name changes nothing.
    result = Corvantis({"--install-service", kName});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("exists already"), std::string::npos) << result.err;

    // Started by the service manager, it sends to COM1.
    testing::WriteFileBytes(settings + "/Corvantis.ini", "[SerialSync]\r\nCOMPORT=COM1\r\n");
    prefix.Run("sc", {"start", kName}, 30s);
    ASSERT_TRUE(WaitState("RUNNING", 30s)) << State();
    ASSERT_TRUE(Messages(2, 30s)) << "no clock messages from the service";

    // A copy started on the same settings leaves them to the service and says why.
    result = Corvantis({"--headless", "--settings-dir", settingsWindows});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_NE(result.err.find("The Windows service \"hall\""), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Service state: running"), std::string::npos) << result.err;

    // Its status, as a monitoring check reads it: sending to COM1 (a standing warning, such as
    // rules that differ from the prefix's zone, makes it WARNING, never CRITICAL).
    result = Corvantis({"--status", "--settings-dir", settingsWindows});
    EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1) << result.out << result.err;
    EXPECT_NE(result.out.find(" - sending to COM1, last message "), std::string::npos)
        << result.out;

    // Stopped: through "Close and Exit" (the GPS port stored), the process gone.
    prefix.Run("sc", {"stop", kName}, 30s);
    ASSERT_TRUE(WaitState("STOPPED", 30s)) << State();
    for (int i = 0; i < 40 && !ServiceProcesses().empty(); ++i) {
        std::this_thread::sleep_for(250ms);
    }
    EXPECT_TRUE(ServiceProcesses().empty()) << "the program outlived its stop";
    const std::string stored = testing::ReadFileBytes(settings + "/Corvantis.ini");
    EXPECT_NE(stored.find("[GPS]"), std::string::npos) << stored;
    EXPECT_NE(stored.find("COMPORT=COM1"), std::string::npos) << stored;

    // Killed while running: started again (by the manager's restart where it has one, else
    // by hand), it sends again; nothing of the killed run holds the folder or the port.
    prefix.Run("sc", {"start", kName}, 30s);
    ASSERT_TRUE(WaitState("RUNNING", 30s)) << State();
    ASSERT_TRUE(Messages(1, 30s));
    const auto killed = ServiceProcesses();
    ASSERT_FALSE(killed.empty());
    for (const pid_t pid : killed) {
        ::kill(pid, SIGKILL);
    }
    bool restartedByManager = false;
    for (int i = 0; i < 30 && !restartedByManager; ++i) {
        std::this_thread::sleep_for(500ms);
        const auto now = ServiceProcesses();
        restartedByManager = !now.empty() && now != killed;
    }
    RecordProperty("restarted_by_service_manager", restartedByManager ? "yes" : "no");
    if (!restartedByManager) {
        WaitState("STOPPED", 30s);
        prefix.Run("sc", {"start", kName}, 30s);
    }
    ASSERT_TRUE(WaitState("RUNNING", 30s)) << State();
    EXPECT_TRUE(Messages(2, 30s)) << "no clock messages after the restart";

    // Removed: stopped first, the event source gone with the last service, the settings kept.
    result = Corvantis({"--uninstall-service", kName});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("removed"), std::string::npos) << result.out;
    EXPECT_EQ(State(), "");
    EXPECT_TRUE(ServiceProcesses().empty());
    EXPECT_EQ(Registry("HKLM\\System\\CurrentControlSet\\Services\\EventLog\\Application\\"
                       "Corvantis",
                       "EventMessageFile")
                  .find("corvantis.exe"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(settings + "/Corvantis.ini"));
    result = Corvantis({"--uninstall-service", kName});
    EXPECT_EQ(result.exitCode, 1) << "a service that is not there cannot be removed";
}

TEST(WindowsServiceOptions, RunningAsServiceNeedsTheServiceManager) {
    const auto result = WinePrefix::Shared().Run(CORVANTIS_WINDOWS_EXE, {"--service", "hall"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("sc start hall"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace corvantis
