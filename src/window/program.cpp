#include "window/program.h"

#include "serial/port_choice.h"
#include "settings/ini.h"
#include "settings/settings_handlers.h"
#include "transmit/operator_commands.h"
#include "window/exit.h"
#include "window/live_display.h"
#include "window/startup.h"

namespace corvantis {

Program::Program(Window& window, Services& services, TimerService& timers, WindowHost& host)
    : m_window(window), m_services(services), m_timers(timers), m_host(host) {}

void Program::Start() {
    Window& w = m_window;
    Services& s = m_services;
    AttachTransmitHandlers(w, s);
    AttachSettingsHandlers(w, s);
    AttachSerialHandlers(w, s);
    w.Timer1.onTick = Bind(Timer1_Timer, w, s);
    // Settings the disk refused are written again each second until it takes them.
    w.Timer2.onTick = [&s, tick = std::move(w.Timer2.onTick)] {
        if (tick) {
            tick();
        }
        RetryUnsavedSettings(s);
    };
    w.Command1.onClick = [&w, &s, this] { Command1_Click(w, s, m_host); };
    w.Command4.onClick = Bind(Command4_Click, w, s);

    Form_Load(w, s, m_host);
    m_driver = std::make_unique<TimerDriver>(
        m_timers, std::vector<Timer*>{&w.SendUDP, &w.Timer1, &w.Timer2, &w.Timer3});
}

void Program::CloseWindow() {
    Form_Unload(m_window, m_services, m_host);
}

void Program::MouseMove(double x) {
    Form_MouseMove(m_window, m_services, m_host, x);
}

void Program::NotifyIconClicked() {
    constexpr double kLeftButtonDown = 513;
    Form_MouseMove(m_window, m_services, m_host, kLeftButtonDown);
}

}  // namespace corvantis
