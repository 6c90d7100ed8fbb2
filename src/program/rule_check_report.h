// The rule check as the operator meets it: the display rules of the window (or of the stored
// settings) against this PC's time zone, in words.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "form/window.h"
#include "platform/status_line.h"
#include "platform/time_zone.h"
#include "platform/wall_clock.h"
#include "protocol/messages.h"
#include "settings/ini.h"

namespace corvantis {

// The display-rule fields of the stored settings (data.ini), encoded as the tick encodes the
// controls start-up restores them into. A stored value start-up would refuse leaves its part
// as the window's design has it (no selection; daylight saving off; offset "0").
DisplayRuleFields StoredDisplayRuleFields(SettingsFiles& settings);

struct RuleCheckResult {
    bool agree = false;
    // For --check-rules: the rules in words, the zone, the span and every difference.
    std::string report;
    // For the warning line: the first difference and how many follow; empty when they agree.
    std::string warning;
};

// Compares the rules that `fields` carry to the clocks (read back as a clock reads them)
// with `zone` from `fromUtc` for `years` years.
RuleCheckResult CheckRules(const DisplayRuleFields& fields, const TimeZone& zone,
                           std::int64_t fromUtc, int years);

// --check-rules: prints the stored display rules compared with `zone` for `years` years from
// now (by `clock`) to `out`, or why the check could not be made to `err`. Returns the exit
// status: 0 when they agree, 1 when they do not, 2 when there was no check.
int PrintRuleCheck(SettingsFiles& settings, const WallClock& clock, const TimeZone& zone, int years,
                   std::ostream& out, std::ostream& err);

// The window's display rules against `zone` over the next 5 years from `nowUtc`: the first
// difference in words for the warning line, why the zone could not be read, or empty text
// when they agree.
std::string RuleDifferenceWarning(const Window& window, const TimeZone& zone, std::int64_t nowUtc);

// Runs `recheck` after the reaction of every control that changes the display rules' offsets
// (zoneOffset, autoDaylightSaving and the daylight-saving lists; their own handlers run first).
// Call it once the handlers are attached.
void AfterRuleChanges(Window& window, const std::function<void()>& recheck);

// useThisZone's click: sets the rule controls (offset, daylight saving, both changes, change
// hour; the leap-second year stays) to the rules closest to `zone` over the 5 years from
// `nowUtc`, saves each as its own handler would, and says on the warning line what was set
// and, when the rules cannot express the zone exactly, why not.
void UseThisPcsTimeZone(Window& window, SettingsFiles& settings, StatusLine& status,
                        const TimeZone& zone, std::int64_t nowUtc);

}  // namespace corvantis
