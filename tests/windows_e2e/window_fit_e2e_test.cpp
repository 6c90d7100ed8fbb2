// corvantis.exe on the screens of common laptops, under wine: for each screen size a virtual X
// server of that size with a wine prefix on it; for each scaling Windows offers, the DPI the
// prefix reports (LogPixels), the program started with fresh settings, the window checked by
// the window driver (the window inside the monitor's work area, every shown control inside
// the client area) and a picture of it kept beside the other screenshots.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "windows_e2e/support/virtual_display.h"
#include "windows_e2e/support/wine_prefix.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using testing::VirtualDisplay;
using testing::WinePrefix;

constexpr const char* kDriver =
    CORVANTIS_WINDOWS_BUILD_DIR "/tests/windows_e2e/driver/corvantis_window_driver.exe";

class FitRun : public ::testing::TestWithParam<const char*> {
protected:
    std::string Drive(WinePrefix& prefix, const std::vector<std::string>& commands) {
        const auto result = prefix.Run(kDriver, commands, 90s);
        EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
        return testing::UnixLines(result.out);
    }
    // Saves the program's window as screenshots/NAME.
    static void Screenshot(const std::string& display, const std::string& folder,
                           const std::string& name) {
        std::filesystem::create_directories(CORVANTIS_SCREENSHOT_DIR);
        const std::string dump = folder + "/window.xwd";
        const std::string png = std::string(CORVANTIS_SCREENSHOT_DIR) + "/" + name;
        const std::string command = "xwd -display " + display +
                                    " -name 'Configure Vesper Clocks' -silent -out '" + dump +
                                    "' && convert 'xwd:" + dump + "' 'png:" + png + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
};

TEST_P(FitRun, TheWholeWindowIsOnTheScreenAtEveryScaling) {
    const std::string screen = GetParam();
    VirtualDisplay display(screen + "x24");
    ASSERT_FALSE(display.Name().empty()) << "Xvfb did not start";
    testing::ScopedEnvironment onDisplay("DISPLAY", display.Name());
    testing::ScopedEnvironment keepDisplay("CORVANTIS_WINE_DISPLAY", std::string("1"));
    WinePrefix prefix;
    for (const int scale : {100, 125, 150, 175, 200}) {
        SCOPED_TRACE(screen + " at " + std::to_string(scale) + " %");
        const std::string dpi = std::to_string(96 * scale / 100);
        const auto set = prefix.Run("reg", {"add", "HKCU\\Control Panel\\Desktop", "/v",
                                            "LogPixels", "/t", "REG_DWORD", "/d", dpi, "/f"});
        ASSERT_EQ(set.exitCode, 0) << set.out << set.err;
        // No port chosen: nothing waits on a device, and the warning line says so.
        testing::TempDir settings;
        testing::WriteFileBytes(settings.File("Corvantis.ini"), "[SerialSync]\r\nCOMPORT=None\r\n");
        const auto process = prefix.Start(
            CORVANTIS_WINDOWS_EXE, {"--settings-dir", WinePrefix::WindowsPath(settings.Path())});
        ASSERT_EQ(Drive(prefix, {"wait", "60"}), "ready\n") << process->Err();
        EXPECT_EQ(Drive(prefix, {"settle", "fits"}), "settled\nfits\n");
        Screenshot(display.Name(), settings.Path(),
                   "fit-windows-" + screen + "-" + std::to_string(scale) + ".png");
        Drive(prefix, {"close"});
        EXPECT_EQ(process->Wait(20s), 0) << process->Err();
    }
}

INSTANTIATE_TEST_SUITE_P(LaptopScreens, FitRun, ::testing::Values("1280x720", "1366x768"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string("Screen") + info.param;
                         });

}  // namespace
}  // namespace corvantis
