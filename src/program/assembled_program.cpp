#include "program/assembled_program.h"

#include "settings/key_table.h"

namespace corvantis {

namespace {

std::unique_ptr<SerialPort> Tapped(const PortTap& tap, SerialPort& port) {
    return tap ? tap(port) : nullptr;
}

}  // namespace

AssembledProgram::AssembledProgram(const ProgramParts& parts)
    : m_system(parts.system),
      m_view(parts.view),
      m_reconnecting(parts.system.port, parts.system.timers, parts.view.status),
      m_tap(Tapped(parts.tap, m_reconnecting)),
      m_settings(parts.system.profile, parts.view.status, parts.info.settingsFolder),
      m_keeper(m_tap ? *m_tap : m_reconnecting,
               {parts.view.window, m_settings, parts.system.clock, parts.system.clockSync,
                &m_reconnecting},
               {parts.system.files, parts.view.status, parts.metricsPath}, parts.identity,
               parts.system.timers),
      m_program(
          parts.view.window,
          {parts.system.clock, m_keeper.Port(), m_settings, parts.view.dialog, parts.system.probe,
           parts.system.wait, parts.system.registry, parts.view.status, parts.info},
          parts.system.windowTimers, parts.view.host) {
    // Nothing probes or opens a port before Run, so the overrides count from the first opening.
    for (const auto& [number, device] : ReadPortOverrides(m_settings)) {
        parts.system.ports.SetOverride(number, device);
    }
}

void AssembledProgram::Start(const ProgramVoices& voices) {
    m_program.Start();
    if (voices.started) {
        voices.started();
    }
    Window& window = m_view.window;
    auto quiet = [](const std::string&) {};
    m_warnings = std::make_unique<StandingWarnings>(
        window, PcTime{m_system.clock, m_system.zone, m_system.clockSync}, m_settings,
        m_view.status, m_system.timers, voices.rules ? voices.rules : quiet,
        voices.clockSync ? voices.clockSync : quiet);
    m_notSending = std::make_unique<NotSendingWatch>(
        window, m_keeper.Port(), m_settings, [this] { return m_reconnecting.Problem(); },
        voices.notSending ? voices.notSending : quiet);
    if (!m_notSending->Current().empty() && voices.notSendingAtStart) {
        voices.notSendingAtStart(m_notSending->Current());
    }
    m_keeper.Watch(*m_warnings);
    m_keeper.Start();
}

int AssembledProgram::Run(const ProgramVoices& voices, const std::function<int()>& runLoop) {
    Start(voices);
    const int code = runLoop();
    m_keeper.Finish();
    return code;
}

ProgramVoices WarningLineVoices(CombinedWarningLine& line) {
    ProgramVoices voices;
    voices.notSendingAtStart = [&line](const std::string& text) { line.SetNotSending(text); };
    voices.notSending = voices.notSendingAtStart;
    voices.rules = [&line](const std::string& text) { line.SetRules(text); };
    voices.clockSync = [&line](const std::string& text) { line.SetClockSync(text); };
    return voices;
}

}  // namespace corvantis
