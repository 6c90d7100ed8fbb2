#include "program/not_sending_watch.h"

#include "serial/port_choice.h"

namespace corvantis {

NotSendingWatch::NotSendingWatch(Window& window, const SerialPort& port, SettingsFiles& settings,
                                 PortProblem problem, Changed onChange)
    : m_window(window),
      m_port(port),
      m_settings(settings),
      m_problem(std::move(problem)),
      m_onChange(std::move(onChange)) {
    m_last = Notice();
    m_window.sendTick.AddObserver([this](ControlProperty property) {
        if (property == ControlProperty::Ticked) {
            Check();
        }
    });
}

void NotSendingWatch::Check() {
    // The tick acts once per even second; so does the check, and the settings file it may read.
    if (m_window.lastEvenSecond == m_checkedSecond) {
        return;
    }
    m_checkedSecond = m_window.lastEvenSecond;
    std::string now = Notice();
    if (now != m_last) {
        m_last = std::move(now);
        m_onChange(m_last);
    }
}

std::string NotSendingWatch::Notice() const {
    // The notices of a running program leave out how to try it without clocks: start-up's
    // notice has said it once.
    return NotSendingNotice(m_window, m_port, m_settings, m_problem ? m_problem() : std::string(),
                            "");
}

}  // namespace corvantis
