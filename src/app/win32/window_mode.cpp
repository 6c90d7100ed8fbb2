#include "app/win32/window_mode.h"

#include <windows.h>

#include <cstdint>
#include <memory>

#include "platform/failure.h"
#include "platform/win32/win32_message_dialog.h"
#include "program/assembled_program.h"
#include "program/window_fit.h"
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
    CombinedWarningLine warningLine(view->Status());
    AssembledProgram assembled({platform.System(),
                                {window, dialog, view->Status(), host},
                                info,
                                {"window", static_cast<std::int64_t>(GetCurrentProcessId())},
                                metricsFile,
                                {}});
    RememberedWindowPlace place(
        assembled.Settings(), [&view] { return view->Place(); },
        [&view](ScreenPoint at) { view->PlaceAt(at); });
    Program& program = assembled.program();
    view->onCloseRequested = [&program] { program.CloseWindow(); };
    view->onMouseMove = [&program](int x) { program.MouseMove(x); };
    view->onTrayActivated = [&program] { program.NotifyIconClicked(); };
    // The end of the Windows session closes the program as "Close and Exit" does; the system
    // may end the process as soon as this returns, so the window's place is stored first.
    view->onEndSession = [&window, &place] {
        place.StoreIfMoved();
        window.closeAndExit.OperatorClick();
    };
    // However the window goes, the loop ends with it.
    view->onDestroyed = [&platform] { platform.loop.Quit(0); };
    view->AddNotifyIcon();
    const int exitCode =
        assembled.Run(WarningLineVoices(warningLine), [&platform] { return platform.loop.Run(); });
    view->RemoveNotifyIcon();
    place.StoreIfMoved();
    return exitCode;
}

}  // namespace corvantis
