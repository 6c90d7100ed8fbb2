// The program as a whole: the window, its handlers and its timers, over the platform it runs on.
#pragma once

#include <memory>

#include "form/handler_guard.h"
#include "form/timer_driver.h"
#include "form/window.h"
#include "platform/event_wait.h"
#include "platform/message_dialog.h"
#include "platform/port_probe.h"
#include "platform/program_info.h"
#include "platform/registry.h"
#include "platform/serial_port.h"
#include "platform/status_line.h"
#include "platform/timer_service.h"
#include "platform/wall_clock.h"
#include "platform/window_host.h"
#include "settings/auto_run.h"
#include "settings/ini.h"
#include "transmit/transmission_tick.h"

namespace corvantis {

// The outside world a program runs against. Only Program sees it whole: it hands each handler
// the parts that handler names, and nothing else. Everything referred to must outlive the
// program.
struct ProgramPlatform {
    WallClock& clock;
    SerialPort& clockLine;
    SettingsFiles& settings;
    MessageDialog& dialog;
    PortProbe& probe;
    EventWait& wait;
    Registry& registry;
    StatusLine& status;
    ProgramInfo info;
};

class Program {
public:
    // The window, timer service and host must outlive the program.
    Program(Window& window, const ProgramPlatform& platform, TimerService& timers,
            WindowHost& host);

    // Attaches every handler, runs the load handler, then starts the timers ticking.
    void Start();

    Window& window() { return m_window; }

    // The operator's close box (or Alt+F4): picks not yet saved are saved, the window unloads
    // after a last attempt to save what the disk refused.
    void CloseWindow();
    // A mouse move over the window, X in window units.
    void MouseMove(double x);
    // A click or double-click on the notification-area icon: reaches the window as the
    // icon's callback message does, a mouse move whose X is the left-button-down message.
    void NotifyIconClicked();

private:
    void AttachHandlers();

    Window& m_window;
    ProgramPlatform m_platform;
    TimerService& m_timers;
    WindowHost& m_host;
    TransmitLine m_line;
    AutoRunEntry m_autoRun;
    // Every timer tick runs in it; a fault is logged on the status line.
    HandlerGuard m_guard;
    std::unique_ptr<TimerDriver> m_driver;
    // Refused saves are made again on a timer of their own, whatever the loop wakes for.
    std::unique_ptr<UnsavedSettingsRetry> m_saveRetry;
};

}  // namespace corvantis
