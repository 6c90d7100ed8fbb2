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
      m_line{platform.clock, platform.clockLine, platform.status},
      m_autoRun{platform.registry, platform.info},
      m_guard([&status = platform.status](const std::string& text) { status.ShowWarning(text); }) {}

void Program::AttachHandlers() {
    Window& w = m_window;
    ProgramPlatform& p = m_platform;
    AttachTransmitHandlers(w, m_line);
    AttachSettingsHandlers(w, p.settings, p.dialog, m_autoRun);
    AttachSerialHandlers(w, p.clockLine, p.settings, p.dialog);
    w.displayTick.onTick = [&w, &p] { OnDisplayTick(w, p.clock, p.clockLine); };
    w.replyWait.onTick = [&w, &p] { OnReplyWaitEnd(w, p.clockLine); };
    // Settings the disk refused are written again each second until it takes them.
    w.secondTick.onTick = [&w, &p] {
        OnSecondTick(w);
        RetryUnsavedSettings(p.settings);
    };
    w.closeAndExit.onClick = [&w, &p, this] {
        SavePendingPicks(w);
        OnCloseAndExit(w, p.clockLine, p.settings, m_host);
    };
    w.hideProgram.onClick = [&w] { OnHideProgram(w); };
}

void Program::Start() {
    AttachHandlers();
    const ProgramPlatform& p = m_platform;
    Form_Load(m_window, {p.settings, p.clockLine, p.probe, p.dialog, p.status, m_host, p.info});
    m_driver = std::make_unique<TimerDriver>(
        m_timers,
        std::vector<Timer*>{&m_window.sendTick, &m_window.displayTick, &m_window.secondTick,
                            &m_window.commandWindow, &m_window.replyWait},
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
