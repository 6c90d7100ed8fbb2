// corvantis.exe: sets Vesper wall clocks from the PC clock over a serial line.
//
// main() reads the command line, picks the settings folder, builds the Win32 services and
// runs the window, or the console mode with --headless.
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/status_command.h"
#include "app/win32/console_mode.h"
#include "app/win32/service_mode.h"
#include "app/win32/win32_platform.h"
#include "app/win32/window_mode.h"
#include "platform/instance_lock.h"
#include "settings/settings_folder.h"
#include "ui/win32/control_ids.h"

namespace corvantis {
namespace {

// With CORVANTIS_REPORT_FIRST_TICK set (to anything but empty text), standard error gets
// one line "first tick <ms> ms after start, <ms> ms after its boundary" at the first timer
// tick: the time from the entry of main() to the first tick as the program itself measures
// it, and how late the tick ran after the tenth of a second it was due at (the program was
// ready before that boundary, and waited for it).
void ReportFirstTick(Win32TimerService& timers, std::chrono::steady_clock::time_point entry) {
    const char* wanted = std::getenv("CORVANTIS_REPORT_FIRST_TICK");
    if (wanted == nullptr || *wanted == '\0') {
        return;
    }
    timers.OnFirstTick([entry](std::chrono::nanoseconds lateness) {
        using Millis = std::chrono::duration<double, std::milli>;
        const Millis elapsed = std::chrono::steady_clock::now() - entry;
        std::cerr << "first tick " << elapsed.count() << " ms after start, "
                  << Millis(lateness).count() << " ms after its boundary" << std::endl;
    });
}

// Restores and raises the running copy's window, when there is one on this desktop.
void BringForward(const wchar_t* windowClass) {
    if (HWND other = FindWindowW(windowClass, nullptr); other != nullptr) {
        ShowWindow(other, SW_RESTORE);
        SetForegroundWindow(other);
    }
}

// Prints `text` where the operator sees it: the parent's console, or else a message box.
void Tell(const std::string& text, bool problem) {
    if (UseParentConsole(false)) {
        (problem ? std::cerr : std::cout) << text << std::endl;
    } else {
        MessageBoxA(nullptr, text.c_str(), "Corvantis",
                    MB_OK | (problem ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
    }
}

// --service, --install-service, --uninstall-service; nothing for any other command line.
std::optional<int> RunServiceCommand(const Options& options) {
    const auto& name = options.service          ? options.service
                       : options.installService ? options.installService
                                                : options.uninstallService;
    if (!name) {
        return std::nullopt;
    }
    if (!ValidServiceName(*name)) {
        Tell("\"" + *name +
                 "\" cannot name a service: 1 to 80 characters, no slash, backslash "
                 "or quote.",
             true);
        return 2;
    }
    const std::string folder =
        FullPath(options.settingsDir ? *options.settingsDir : DefaultServiceFolder(*name));
    if (options.service) {
        return RunService(*name, folder);
    }
    const ServiceOutcome outcome = options.installService
                                       ? InstallService(*name, FullPath(ExecutablePath()), folder)
                                       : UninstallService(*name);
    Tell(outcome.message, outcome.exitCode != 0);
    return outcome.exitCode;
}

// When a service runs on the folder: says so, with the service's state, and gives the exit
// status of a second copy; nothing when none does.
std::optional<int> LeaveFolderToService(const std::string& settingsFolder, bool headless) {
    const auto service = ServiceOwningFolder(settingsFolder);
    if (!service || !service->active) {
        return std::nullopt;
    }
    const std::string notice = ServiceHoldsFolderNotice(*service);
    if (headless) {
        std::cerr << notice << std::endl;
    } else {
        MessageBoxA(nullptr, notice.c_str(), "Corvantis", MB_OK | MB_ICONINFORMATION);
    }
    return kExitAlreadyRunning;
}

}  // namespace
}  // namespace corvantis

int main(int argc, char** argv) {
    using namespace corvantis;
    const auto entry = std::chrono::steady_clock::now();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const Options options = ParseOptions(arguments);
    const std::string program = "corvantis.exe";
    std::ostringstream answer, problem;
    if (const auto code = AnswerWithoutStarting(options, program, answer, problem)) {
        const std::string text = *code == 0 ? answer.str() : problem.str();
        if (UseParentConsole(false)) {
            (*code == 0 ? std::cout : std::cerr) << text << std::flush;
        } else {
            // Started without a console (from a shortcut or Explorer): the answer in a box.
            MessageBoxA(nullptr, text.c_str(), "Corvantis",
                        MB_OK | (*code == 0 ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
        }
        return *code;
    }
    if (const auto code = RunServiceCommand(options)) {
        return *code;
    }
    if (options.headless || options.checkRules || options.status) {
        UseParentConsole(true);
    } else if (options.verbose) {
        UseParentConsole(false);  // the window's trace goes to the parent's streams, if any
    }
    TraceSkippedFailures(options, std::cerr);
    const ProgramInfo info = DescribeProgram(options.settingsDir);
    Win32Platform platform;
    if (options.checkRules) {
        return RunRuleCheck(info, platform, options.checkYears);
    }
    if (options.status) {
        const int code = PrintStatus(info.settingsFolder, std::cout);
        std::cout.flush();
        return code;
    }
    if (const auto code = LeaveFolderToService(info.settingsFolder, options.headless)) {
        return *code;
    }
    const InstanceLock lock(info.settingsFolder,
                            options.headless ? InstanceMode::Headless : InstanceMode::Window);
    if (!lock.Held()) {
        std::cerr << lock.Refusal(info.settingsFolder) << std::endl;
        BringForward(win32ids::kMainWindowClass);
        return kExitAlreadyRunning;
    }
    ReportFirstTick(platform.timers, entry);
    return options.headless ? RunConsole(info, platform, options)
                            : RunWindow(info, platform, options.metricsFile.value_or(""));
}
