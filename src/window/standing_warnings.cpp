#include "window/standing_warnings.h"

#include "window/rule_check_report.h"

namespace corvantis {

StandingWarnings::StandingWarnings(Window& window, Services& services, const TimeZone& zone,
                                   const ClockSyncProbe& clockSync, TimerService& timers,
                                   Show onRules, Show onClockSync)
    : m_window(window),
      m_services(services),
      m_zone(zone),
      m_clockSync(clockSync),
      m_onRules(std::move(onRules)),
      m_onClockSync(std::move(onClockSync)),
      m_timer(timers.CreateTimer([this] { CheckClock(); })) {
    m_rules = RuleDifferenceWarning(m_window, m_zone, EpochSeconds(m_services.clock));
    if (!m_rules.empty()) {
        m_onRules(m_rules);
    }
    AfterRuleChanges(m_window, [this] { CheckRules(true); });
    m_window.UseZone.onClick = [this] {
        UseThisPcsTimeZone(m_window, m_services, m_zone, EpochSeconds(m_services.clock));
        CheckRules(false);
    };
    m_clock = ClockSyncWarning(m_clockSync.Read());
    if (!m_clock.empty()) {
        m_onClockSync(m_clock);
    }
    m_timer->Start(kClockCheckEvery, false);
}

void StandingWarnings::CheckRules(bool show) {
    std::string now = RuleDifferenceWarning(m_window, m_zone, EpochSeconds(m_services.clock));
    if (now != m_rules) {
        m_rules = std::move(now);
        if (show) {
            m_onRules(m_rules);
        }
    }
}

void StandingWarnings::CheckClock() {
    std::string now = ClockSyncWarning(m_clockSync.Read());
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

void CombinedWarningLine::Show() {
    m_line.ShowWarning(m_rules.empty() || m_clock.empty() ? m_rules + m_clock
                                                          : m_rules + " " + m_clock);
}

}  // namespace corvantis
