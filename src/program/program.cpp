#include "program/program.h"

#include "program/exit.h"
#include "program/live_display.h"
#include "program/startup.h"
#include "serial/clock_feedback.h"
#include "serial/port_choice.h"
#include "settings/settings_handlers.h"
#include "transmit/operator_commands.h"

namespace corvantis {

Program::Program(Window& window, const ProgramPlatform& platform, TimerService& timers,
                 WindowHost& host)
    : m_window(window),
      m_platform(platform),
      m_timers(timers),
      m_host(host),
      m_line{platform.clock, platform.MSComm1, platform.status},
      m_autoRun{platform.registry, platform.info},
      m_guard([&status = platform.status](const std::string& text) { status.ShowWarning(text); }) {}

void Program::AttachHandlers() {
    Window& w = m_window;
    ProgramPlatform& p = m_platform;
    AttachTransmitHandlers(w, m_line);
    AttachSettingsHandlers(w, p.settings, p.dialog, m_autoRun);
    AttachSerialHandlers(w, p.MSComm1, p.settings, p.dialog);
    w.Timer1.onTick = [&w, &p] { Timer1_Timer(w, p.clock, p.MSComm1); };
    w.ReplyWait.onTick = [&w, &p] { ReplyWait_Timer(w, p.MSComm1); };
    // Settings the disk refused are written again each second until it takes them.
    w.Timer2.onTick = [&w, &p] {
        Timer2_Timer(w);
        RetryUnsavedSettings(p.settings);
    };
    w.Command1.onClick = [&w, &p, this] {
        SavePendingPicks(w);
        Command1_Click(w, p.MSComm1, p.settings, m_host);
    };
    w.Command4.onClick = [&w] { Command4_Click(w); };
}

void Program::Start() {
    AttachHandlers();
    const ProgramPlatform& p = m_platform;
    Form_Load(m_window, {p.settings, p.MSComm1, p.probe, p.dialog, p.status, m_host, p.info});
    m_driver = std::make_unique<TimerDriver>(
        m_timers,
        std::vector<Timer*>{&m_window.SendUDP, &m_window.Timer1, &m_window.Timer2, &m_window.Timer3,
                            &m_window.ReplyWait},
        &m_guard);
    m_saveRetry = std::make_unique<UnsavedSettingsRetry>(m_platform.settings, m_timers);
}

void Program::CloseWindow() {
    SavePendingPicks(m_window);
    SaveUnsavedSettingsAtExit(m_platform.settings);
    Form_Unload(m_host);
}

void Program::MouseMove(double x) {
    Form_MouseMove(m_window, m_host, x);
}

void Program::NotifyIconClicked() {
    constexpr double kLeftButtonDown = 513;
    Form_MouseMove(m_window, m_host, kLeftButtonDown);
}

}  // namespace corvantis
