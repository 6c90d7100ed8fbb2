#include "app/win32/window_mode.h"

#include <memory>

#include "platform/clock_sync.h"
#include "platform/failure.h"
#include "platform/win32/win32_message_dialog.h"
#include "platform/win32/win32_time_zone.h"
#include "serial/port_reconnect.h"
#include "ui/win32/win32_dpi.h"
#include "ui/win32/win32_window_host.h"
#include "ui/win32/win32_window_view.h"
#include "window/program.h"
#include "window/standing_warnings.h"
#include "window/window_fit.h"

namespace corvantis {

int RunWindow(const ProgramInfo& info, Win32Platform& platform) {
    EnablePerMonitorDpiAwareness();
    Win32MessageDialog dialog;
    Window window;
    std::unique_ptr<Win32WindowView> view;
    try {
        view = std::make_unique<Win32WindowView>(window);
    } catch (const Failure& failure) {
        dialog.Show("The window could not be opened: " + failure.description() +
                        "\nRun corvantis.exe --headless to set the clocks without it.",
                    std::to_string(failure.number()), MessageIcon::Critical);
        return 1;
    }
    platform.loop.SetDialogWindow(view->Handle());
    Win32WindowHost host(*view, [&platform](int exitCode) { platform.loop.Quit(exitCode); });
    ReconnectingPort port(platform.port, platform.timers, view->Status());
    SettingsFiles settings(platform.profile, view->Status(), info.settingsFolder);
    platform.ApplyPortOverrides(settings);
    // Where the operator left the window last time, kept inside a monitor that is there now.
    if (const auto place = ReadWindowPlace(settings)) {
        view->PlaceAt(*place);
    }
    // Stored only once the operator has moved the window: a file stays as it was for whoever
    // never moves it.
    const ScreenPoint opened = view->Place();
    const auto storePlace = [&settings, &view, opened] {
        if (view->Place() != opened) {
            StoreWindowPlace(settings, view->Place());
        }
    };
    Program program(window,
                    {platform.clock, port, settings, dialog, platform.probe, platform.wait,
                     platform.registry, view->Status(), info},
                    platform.timers, host);
    view->onCloseRequested = [&program] { program.CloseWindow(); };
    view->onMouseMove = [&program](int x) { program.MouseMove(x); };
    view->onTrayActivated = [&program] { program.NotifyIconClicked(); };
    // The end of the Windows session closes the program as "Close and Exit" does; the system
    // may end the process as soon as this returns, so the window's place is stored first.
    view->onEndSession = [&window, &storePlace] {
        storePlace();
        window.Command1.OperatorClick();
    };
    // However the window goes, the loop ends with it.
    view->onDestroyed = [&platform] { platform.loop.Quit(0); };
    view->AddNotifyIcon();
    program.Start();
    const Win32TimeZone zone;
    const UnknownClockSync clockSync;
    CombinedWarningLine warningLine(view->Status());
    StandingWarnings warnings(
        window, {platform.clock, zone, clockSync}, settings, view->Status(), platform.timers,
        [&](const std::string& text) { warningLine.SetRules(text); },
        [&](const std::string& text) { warningLine.SetClockSync(text); });
    const int exitCode = platform.loop.Run();
    view->RemoveNotifyIcon();
    storePlace();
    return exitCode;
}

}  // namespace corvantis
