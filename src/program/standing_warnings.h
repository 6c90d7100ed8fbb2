// The warning line's two standing concerns: whether the display rules match this PC's time
// zone, and whether the PC's own clock is synchronised (the clocks inherit its error).
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "form/window.h"
#include "platform/clock_sync.h"
#include "platform/status_line.h"
#include "platform/time_zone.h"
#include "platform/timer_service.h"
#include "platform/wall_clock.h"
#include "settings/ini.h"

namespace corvantis {

// This PC's clock as the warnings read it: the time, its zone and its synchronisation. Each
// must outlive the object holding this.
struct PcTime {
    const WallClock& clock;
    const TimeZone& zone;
    const ClockSyncProbe& clockSync;
};

// Checks the display rules at start, after every change of a rule control and after "Use this
// PC's time zone" (whose click it attaches), and reads the PC clock's status at start and
// every kClockCheckEvery. Each callback gets its concern's sentence when it changes (empty
// text: nothing to warn of any more); a first sentence that is empty is not passed on. The
// "Use this PC's time zone" click leaves its own message on the line: the rules' state follows
// the new rules silently.
class StandingWarnings {
public:
    static constexpr std::chrono::minutes kClockCheckEvery{1};
    using Show = std::function<void(const std::string&)>;

    // Everything given must outlive this object. Create it once the program has started, so
    // the rule controls' own handlers run before the recheck.
    // `settings` and `status` serve the "Use this PC's time zone" click.
    StandingWarnings(Window& window, const PcTime& pc, SettingsFiles& settings, StatusLine& status,
                     TimerService& timers, Show onRules, Show onClockSync);

    // The display rules' sentence as it stands (empty: they agree with the zone).
    const std::string& RulesWarning() const { return m_rules; }

private:
    void CheckRules(bool show);
    void CheckClock();

    Window& m_window;
    PcTime m_pc;
    SettingsFiles& m_settings;
    StatusLine& m_status;
    Show m_onRules;
    Show m_onClockSync;
    std::string m_rules;
    std::string m_clock;
    std::unique_ptr<PlatformTimer> m_timer;
};

// The window's warning line with its standing concerns: why nothing is sent first, then the
// rules, then the PC clock; a concern that clears leaves the others on the line.
class CombinedWarningLine {
public:
    explicit CombinedWarningLine(StatusLine& line) : m_line(line) {}
    void SetNotSending(const std::string& text);
    void SetRules(const std::string& text);
    void SetClockSync(const std::string& text);

private:
    void Show();

    StatusLine& m_line;
    std::string m_notSending;
    std::string m_rules;
    std::string m_clock;
};

}  // namespace corvantis
