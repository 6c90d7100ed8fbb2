#include "program/standing_warnings.h"

#include "program/rule_check_report.h"

namespace corvantis {

StandingWarnings::StandingWarnings(Window& window, const PcTime& pc, SettingsFiles& settings,
                                   StatusLine& status, TimerService& timers, Show onRules,
                                   Show onClockSync)
    : m_window(window),
      m_pc(pc),
      m_settings(settings),
      m_status(status),
      m_onRules(std::move(onRules)),
      m_onClockSync(std::move(onClockSync)),
      m_timer(timers.CreateTimer([this] { CheckClock(); })) {
    m_rules = RuleDifferenceWarning(m_window, m_pc.zone, EpochSeconds(m_pc.clock));
    if (!m_rules.empty()) {
        m_onRules(m_rules);
    }
    AfterRuleChanges(m_window, [this] { CheckRules(true); });
    m_window.useThisZone.onClick = [this] {
        UseThisPcsTimeZone(m_window, m_settings, m_status, m_pc.zone, EpochSeconds(m_pc.clock));
        CheckRules(false);
    };
    m_clock = ClockSyncWarning(m_pc.clockSync.Read());
    if (!m_clock.empty()) {
        m_onClockSync(m_clock);
    }
    m_timer->Start(kClockCheckEvery, false);
}

void StandingWarnings::CheckRules(bool show) {
    std::string now = RuleDifferenceWarning(m_window, m_pc.zone, EpochSeconds(m_pc.clock));
    if (now != m_rules) {
        m_rules = std::move(now);
        if (show) {
            m_onRules(m_rules);
        }
    }
}

void StandingWarnings::CheckClock() {
    std::string now = ClockSyncWarning(m_pc.clockSync.Read());
    if (now != m_clock) {
        m_clock = std::move(now);
        m_onClockSync(m_clock);
    }
}

void CombinedWarningLine::SetRules(const std::string& text) {
    m_rules = text;
    Show();
}

void CombinedWarningLine::SetClockSync(const std::string& text) {
    m_clock = text;
    Show();
}

void CombinedWarningLine::SetNotSending(const std::string& text) {
    m_notSending = text;
    Show();
}

void CombinedWarningLine::Show() {
    std::string line;
    for (const std::string* part : {&m_notSending, &m_rules, &m_clock}) {
        if (!part->empty()) {
            line += (line.empty() ? "" : " ") + *part;
        }
    }
    m_line.ShowWarning(line);
}

}  // namespace corvantis
