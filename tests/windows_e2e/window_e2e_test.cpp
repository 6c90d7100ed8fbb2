// corvantis.exe with its window under wine, on a virtual X server of the test's own: a second
// Windows program (the window driver) clicks, picks and reads the controls as a person
// would; COM1 is a pseudo-terminal whose device end the test plays; the settings files, the
// Run key and screenshots of the window are checked or kept afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/posix/ini_file_store.h"
#include "platform/version.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "support/wire_vectors.h"
#include "windows_e2e/support/virtual_display.h"
#include "windows_e2e/support/wine_prefix.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using testing::VirtualDisplay;
using testing::WinePrefix;
using testing::WineProcess;

constexpr const char* kDriver =
    CORVANTIS_WINDOWS_BUILD_DIR "/tests/windows_e2e/driver/corvantis_window_driver.exe";

// One virtual X server for the whole test program, up before the shared prefix starts wine's
// desktop on it, and handed to every program the prefix runs.
class DisplayEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        m_display = std::make_unique<VirtualDisplay>();
        if (!m_display->Name().empty()) {
            ::setenv("DISPLAY", m_display->Name().c_str(), 1);
            ::setenv("CORVANTIS_WINE_DISPLAY", "1", 1);
        }
    }
    void TearDown() override { m_display.reset(); }
    static const std::string& Name() {
        static const std::string none;
        return s_instance->m_display ? s_instance->m_display->Name() : none;
    }
    static DisplayEnvironment* s_instance;

private:
    std::unique_ptr<VirtualDisplay> m_display;
};

DisplayEnvironment* DisplayEnvironment::s_instance = nullptr;

[[maybe_unused]] ::testing::Environment* const kDisplay =
    ::testing::AddGlobalTestEnvironment(DisplayEnvironment::s_instance = new DisplayEnvironment);

// One run of corvantis.exe with its window: COM1 on a fresh pseudo-terminal and a fresh
// settings folder that chooses COM1.
class WindowRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(DisplayEnvironment::Name().empty()) << "Xvfb did not start";
        prefix.LinkComPort(1, line.SlavePath());
        testing::WriteFileBytes(settings.File("Corvantis.ini"), "[SerialSync]\r\nCOMPORT=COM1\r\n");
        process = prefix.Start(CORVANTIS_WINDOWS_EXE,
                               {"--settings-dir", WinePrefix::WindowsPath(settings.Path())}, {});
        ASSERT_EQ(Drive({"wait", "60"}), "ready\n") << process->Err();
    }
    void TearDown() override { prefix.UnlinkComPort(1); }

    // Runs the driver with `commands`; returns its output.
    std::string Drive(const std::vector<std::string>& commands) {
        const auto result = prefix.Run(kDriver, commands, 90s);
        EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
        return testing::UnixLines(result.out);
    }
    // The text of one control, as the driver reads it.
    std::string Text(const std::string& name) {
        const std::string out = Drive({"text", name});
        const std::string head = "text " + name + "=";
        return out.rfind(head, 0) == 0 ? out.substr(head.size(), out.size() - head.size() - 1)
                                       : "<" + out + ">";
    }

    // Gathers the wire until `done` holds or `limit` passes.
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
    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (std::size_t at = 0; (at = wire.find('*', at)) != std::string::npos; at += 35) {
            messages.push_back(wire.substr(at, 35));
        }
        return messages;
    }

    // Saves the program's window as screenshots/NAME beside the Qt window's.
    void Screenshot(const std::string& name) {
        std::filesystem::create_directories(CORVANTIS_SCREENSHOT_DIR);
        const std::string dump = settings.File("window.xwd");
        const std::string png = std::string(CORVANTIS_SCREENSHOT_DIR) + "/" + name;
        const std::string command = "xwd -display " + DisplayEnvironment::Name() +
                                    " -name 'Configure Vesper Clocks' -silent -out '" + dump +
                                    "' && convert 'xwd:" + dump + "' 'png:" + png + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_TRUE(std::filesystem::exists(png)) << png;
    }

    std::string ReadKey(const std::string& file, const std::string& section,
                        const std::string& key) {
        posix::IniFileStore store;
        return store.GetString(section, key, "?", 750, settings.File(file));
    }

    WinePrefix& prefix = WinePrefix::Shared();
    testing::PtyPair line;
    testing::TempDir settings;
    std::unique_ptr<WineProcess> process;
    std::string wire;
};

char KindOf(const std::string& message) {
    return message.size() == 35 ? message[testing::kKindDigitAt] : '?';
}

TEST_F(WindowRun, TheOperatorsClicksReachTheWireTheSettingsAndTheRunKey) {
    // The window as start-up leaves it: captions, version, lists filled, the port open.
    EXPECT_EQ(Drive({"text", "Command2", "text", "SendAddr", "text", "Command1", "shown", "Label33",
                     "shown", "AutoStart", "count", "Combo7", "count", "Combo2"}),
              "text Command2=Send Display  Rules\n"
              "text SendAddr=Send Above Address to Clock\n"
              "text Command1=Close and Exit\n"
              "shown Label33=0\n"
              "shown AutoStart=0\n"
              "count Combo7=32\n"
              "count Combo2=16\n");
    EXPECT_EQ(Text("Label2"), "Version " + std::string(kVersionText));
    EXPECT_EQ(Text("Combo2").substr(0, 4), "COM1");
    ASSERT_TRUE(Until([&] { return !Messages().empty(); }, 20s)) << process->Err();
    // The message sent shows in the window as it went on the wire.
    std::string shown;
    ASSERT_TRUE(Until(
        [&] {
            shown = Text("Text1");
            return shown.size() == 35;
        },
        10s));
    EXPECT_EQ(shown.substr(15), testing::kTimeOnlyTail);
    Screenshot("main-window-windows.png");

    // "Send Display  Rules": "Please Wait!" for the command window, the rules message on the
    // wire with the default rules.
    std::size_t before = Messages().size();
    EXPECT_EQ(Drive({"click", "Command2", "shown", "Label33"}),
              "clicked Command2\nshown Label33=1\n");
    ASSERT_TRUE(
        Until([&] { return Messages().size() > before && KindOf(Messages().back()) == '2'; }, 6s))
        << wire;
    EXPECT_EQ(Messages().back().substr(15), testing::kDefaultRulesTail);

    // The clock's reply shows beneath the message.
    line.Send("*REPLY 123#");
    std::string reply;
    EXPECT_TRUE(Until(
        [&] {
            reply = Text("Text3");
            return reply.find("*REPLY 123#") != std::string::npos;
        },
        10s))
        << reply;
    EXPECT_EQ(Drive({"shown", "Text3"}), "shown Text3=1\n");
    Screenshot("main-window-windows-reply.png");

    // A rule list changed, and "Auto-run at Windows Startup" checked.
    EXPECT_EQ(Drive({"pick", "Combo7", "5", "text", "Combo7", "click", "AutoStart", "checked",
                     "AutoStart"}),
              "picked Combo7 5\ntext Combo7=5\nclicked AutoStart\nchecked AutoStart=1\n");
    const auto run = prefix.Run(
        "reg",
        {"query", "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "/v", "Corvantis"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("REG_SZ"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\\src\\app\\win32\\corvantis.Exe"), std::string::npos) << run.out;

    // "Close and Exit": a clean end that stores the GPS port.
    Drive({"click", "Command1"});
    EXPECT_EQ(process->Wait(15s), 0) << process->Err();
    EXPECT_EQ(ReadKey("data.ini", "CommMethod", "DSTstartDOM"), "5");
    EXPECT_EQ(ReadKey("Corvantis.ini", "GPS", "AutoStart"), "1");
    EXPECT_EQ(ReadKey("Corvantis.ini", "GPS", "COMPORT"), "None");
    EXPECT_EQ(ReadKey("Corvantis.ini", "SerialSync", "COMPORT"), "COM1");

    // Unchecking removes the entry again.
    process = prefix.Start(CORVANTIS_WINDOWS_EXE,
                           {"--settings-dir", WinePrefix::WindowsPath(settings.Path())}, {});
    EXPECT_EQ(Drive({"wait", "60", "click", "AutoStart", "click", "AutoStart", "checked",
                     "AutoStart", "close"}),
              "ready\nclicked AutoStart\nclicked AutoStart\nchecked AutoStart=0\nclosed\n");
    EXPECT_EQ(process->Wait(15s), 0) << process->Err();
    const auto gone = prefix.Run(
        "reg",
        {"query", "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "/v", "Corvantis"});
    EXPECT_NE(gone.exitCode, 0) << gone.out;
}

TEST_F(WindowRun, TheKeyboardMovesThroughTheWindowAsInADialog) {
    // A click leaves the focus on the button; Tab moves it on in the layout's order (Shift
    // not held). The keys go through the program's one message loop.
    EXPECT_EQ(Drive({"click", "NewAddress", "click", "SendAddr", "focus", "key", "SendAddr", "9"}),
              "clicked NewAddress\nclicked SendAddr\nfocus SendAddr\nkey SendAddr 9\n");
    std::string focus;
    EXPECT_TRUE(Until(
        [&] {
            focus = Drive({"focus"});
            return focus == "focus Command2\n";
        },
        10s))
        << focus;
    // Enter and Esc in the window end nothing.
    Drive({"key", "Command2", "13", "key", "Command2", "27"});
    EXPECT_EQ(process->Wait(2s), -1) << "still running";
    Drive({"close"});
    EXPECT_EQ(process->Wait(15s), 0);
}

// A pick in a list that saves when the operator moves on ("Hour of the day to change DST"),
// then the window closed at once, in every way a person or the system closes it: the pick
// is in data.ini when the program has ended.
TEST_F(WindowRun, APickIsSavedHoweverTheWindowCloses) {
    const struct {
        const char* way;
        std::vector<std::string> commands;
    } ways[] = {
        {"close box", {"close"}},
        {"Alt+F4", {"altf4"}},
        {"Close and Exit", {"click", "Command1"}},
        {"the tray menu's Close and Exit", {"menu", "28674"}},
        {"end of the session", {"endsession"}},
    };
    bool first = true;
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        if (!first) {
            process =
                prefix.Start(CORVANTIS_WINDOWS_EXE,
                             {"--settings-dir", WinePrefix::WindowsPath(settings.Path())}, {});
            ASSERT_EQ(Drive({"wait", "60"}), "ready\n") << process->Err();
        }
        first = false;
        const std::string hour = "3";
        EXPECT_EQ(Drive({"pick", "Combo13", hour}), "picked Combo13 " + hour + "\n");
        Drive(way.commands);
        EXPECT_EQ(process->Wait(20s), 0) << process->Err();
        EXPECT_EQ(ReadKey("data.ini", "CommMethod", "DSThour"), hour);
        // Back to the default hour for the next way.
        testing::WriteFileBytes(settings.File("data.ini"), "[CommMethod]\r\nDSTHOUR=2\r\n");
    }
}

// The window comes back where the operator left it, and inside the screen when that place
// is off every monitor now.
TEST_F(WindowRun, TheWindowComesBackWhereItWasLeft) {
    EXPECT_EQ(Drive({"move", "210", "140", "place", "close"}), "moved\nplace 210,140\nclosed\n");
    EXPECT_EQ(process->Wait(15s), 0) << process->Err();
    EXPECT_EQ(ReadKey("Corvantis.ini", "Window", "LEFT"), "210");
    EXPECT_EQ(ReadKey("Corvantis.ini", "Window", "TOP"), "140");
    EXPECT_EQ(ReadKey("Corvantis.ini", "SerialSync", "COMPORT"), "COM1") << "other keys kept";

    process = prefix.Start(CORVANTIS_WINDOWS_EXE,
                           {"--settings-dir", WinePrefix::WindowsPath(settings.Path())}, {});
    EXPECT_EQ(Drive({"wait", "60", "place", "fits"}), "ready\nplace 210,140\nfits\n");
    Drive({"move", "6000", "4000", "close"});
    EXPECT_EQ(process->Wait(15s), 0) << process->Err();

    // A monitor that is gone: the place stored is off the screen.
    process = prefix.Start(CORVANTIS_WINDOWS_EXE,
                           {"--settings-dir", WinePrefix::WindowsPath(settings.Path())}, {});
    EXPECT_EQ(Drive({"wait", "60", "fits", "settle", "close"}), "ready\nfits\nsettled\nclosed\n");
    EXPECT_EQ(process->Wait(30s), 0) << process->Err();
}

TEST_F(WindowRun, TheCloseBoxEndsTheProgramWithoutStoringTheGpsPort) {
    EXPECT_EQ(Drive({"close"}), "closed\n");
    EXPECT_EQ(process->Wait(15s), 0) << process->Err();
    EXPECT_EQ(ReadKey("Corvantis.ini", "GPS", "COMPORT"), "?");
}

}  // namespace
}  // namespace corvantis
