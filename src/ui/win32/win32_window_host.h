// The window host on Windows: shows the Win32 view, removes its notification-area icon,
// unloads the window and ends the program through the event loop's quit.
#pragma once

#include <functional>

#include "platform/window_host.h"

namespace corvantis {

class Win32WindowView;

class Win32WindowHost final : public WindowHost {
public:
    // `quit` ends the event loop with an exit code; the view must outlive the host.
    Win32WindowHost(Win32WindowView& view, std::function<void(int exitCode)> quit);

    void ShowWindow() override;
    void RemoveNotifyIcon() override;
    // Destroys the window and ends the loop with 0; once only.
    void UnloadWindow() override;
    // Ends the loop with 0: no further timer ticks or events are handled.
    void EndProgram() override;

private:
    Win32WindowView& m_view;
    std::function<void(int)> m_quit;
    bool m_unloading = false;
};

}  // namespace corvantis
