// The program as a whole: the window, its handlers and its timers, over a set of services.
#pragma once

#include <memory>

#include "platform/timer_service.h"
#include "platform/window_host.h"
#include "window/services.h"
#include "window/timer_driver.h"
#include "window/window.h"

namespace corvantis {

class Program {
public:
    // The window, services, timer service and host must outlive the program.
    Program(Window& window, Services& services, TimerService& timers, WindowHost& host);

    // Attaches every handler, runs the load handler, then starts the timers ticking.
    void Start();

    Window& window() { return m_window; }
    Services& services() { return m_services; }

    // The operator's close box: the window unloads.
    void CloseWindow();
    // A mouse move over the window, X in window units.
    void MouseMove(double x);
    // A click or double-click on the notification-area icon: reaches the window as the
    // icon's callback message does, a mouse move whose X is the left-button-down message.
    void NotifyIconClicked();

private:
    Window& m_window;
    Services& m_services;
    TimerService& m_timers;
    WindowHost& m_host;
    std::unique_ptr<TimerDriver> m_driver;
};

}  // namespace corvantis
