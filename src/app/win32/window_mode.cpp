#include "app/win32/window_mode.h"

#include <windows.h>

#include <cstdint>
#include <memory>

#include "platform/clock_sync.h"
#include "platform/failure.h"
#include "platform/win32/win32_clock_sync.h"
#include "platform/win32/win32_file_replacer.h"
#include "platform/win32/win32_message_dialog.h"
#include "platform/win32/win32_time_zone.h"
#include "program/not_sending_watch.h"
#include "program/program.h"
#include "program/standing_warnings.h"
#include "program/status_keeper.h"
#include "program/window_fit.h"
#include "serial/port_reconnect.h"
#include "ui/win32/win32_dpi.h"
#include "ui/win32/win32_window_host.h"
#include "ui/win32/win32_window_view.h"

namespace corvantis {

namespace {

// The window's view, or nothing when Windows refuses to open it (which `dialog` says).
std::unique_ptr<Win32WindowView> OpenView(Window& window, Win32MessageDialog& dialog) {
    try {
        return std::make_unique<Win32WindowView>(window);
    } catch (const Failure& failure) {
        dialog.Show("The window could not be opened: " + failure.description() +
                        "\nRun corvantis.exe --headless to set the clocks without it.",
                    std::to_string(failure.number()), MessageIcon::Critical);
        return nullptr;
    }
}

}  // namespace

int RunWindow(const ProgramInfo& info, Win32Platform& platform, const std::string& metricsFile) {
    EnablePerMonitorDpiAwareness();
    Win32MessageDialog dialog;
    Window window;
    const std::unique_ptr<Win32WindowView> view = OpenView(window, dialog);
    if (!view) {
        return 1;
    }
    platform.loop.SetDialogWindow(view->Handle());
    Win32WindowHost host(*view, [&platform](int exitCode) { platform.loop.Quit(exitCode); });
    ReconnectingPort port(platform.port, platform.timers, view->Status());
    SettingsFiles settings(platform.profile, view->Status(), info.settingsFolder);
    platform.ApplyPortOverrides(settings);
    const Win32ClockSync clockSync;
    Win32FileReplacer files;
    StatusKeeper keeper(port, {window, settings, platform.clock, clockSync, &port},
                        {files, view->Status(), metricsFile},
                        {"window", static_cast<std::int64_t>(GetCurrentProcessId())},
                        platform.timers);
    RememberedWindowPlace place(
        settings, [&view] { return view->Place(); },
        [&view](ScreenPoint at) { view->PlaceAt(at); });
    Program program(window,
                    {platform.clock, keeper.Port(), settings, dialog, platform.probe, platform.wait,
                     platform.registry, view->Status(), info},
                    platform.timers, host);
    view->onCloseRequested = [&program] { program.CloseWindow(); };
    view->onMouseMove = [&program](int x) { program.MouseMove(x); };
    view->onTrayActivated = [&program] { program.NotifyIconClicked(); };
    // The end of the Windows session closes the program as "Close and Exit" does; the system
    // may end the process as soon as this returns, so the window's place is stored first.
    view->onEndSession = [&window, &place] {
        place.StoreIfMoved();
        window.Command1.OperatorClick();
    };
    // However the window goes, the loop ends with it.
    view->onDestroyed = [&platform] { platform.loop.Quit(0); };
    view->AddNotifyIcon();
    program.Start();
    const Win32TimeZone zone;
    CombinedWarningLine warningLine(view->Status());
    NotSendingWatch notSending(
        window, port, settings, [&port] { return port.Problem(); },
        [&](const std::string& notice) { warningLine.SetNotSending(notice); });
    if (!notSending.Current().empty()) {
        warningLine.SetNotSending(notSending.Current());
    }
    StandingWarnings warnings(
        window, {platform.clock, zone, clockSync}, settings, view->Status(), platform.timers,
        [&](const std::string& text) { warningLine.SetRules(text); },
        [&](const std::string& text) { warningLine.SetClockSync(text); });
    keeper.Watch(warnings);
    keeper.Start();
    const int exitCode = platform.loop.Run();
    keeper.Finish();
    view->RemoveNotifyIcon();
    place.StoreIfMoved();
    return exitCode;
}

}  // namespace corvantis
