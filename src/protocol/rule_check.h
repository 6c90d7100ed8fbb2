// The rule check: the clocks' display rules against the PC's time zone, instant by instant,
// and the display rules that best express a zone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/time_zone.h"
#include "protocol/display_rules.h"

namespace corvantis {

// A span in which the clocks show another offset than the PC: [from, to) in seconds since
// 1970 UTC; `minutes` is the clocks' offset minus the PC's (positive: the clocks are ahead).
struct RuleDifference {
    std::int64_t from = 0;
    std::int64_t to = 0;
    int minutes = 0;

    bool operator==(const RuleDifference&) const = default;
};

// Every span of [pc.front().at, toUtc) in which a clock with `rules` (protocol/daylight_saving.h)
// shows another offset than the PC, whose offsets are `pc` (TimeZone::OffsetsBetween); spans
// next to each other with the same difference are one. Empty when they agree throughout.
std::vector<RuleDifference> CompareRules(const DisplayRules& rules,
                                         const std::vector<OffsetChange>& pc, std::int64_t toUtc);

// The PC's offset at `utc` by `pc` (the first entry's offset before it).
int OffsetAt(const std::vector<OffsetChange>& pc, std::int64_t utc);

// One difference in words, with the PC's own dates (and times, within one day):
// "Clocks will show 1 hour behind this PC from 8 March 2027 to 28 March 2027",
// "Clocks will show 1 hour ahead of this PC on 26 October 2025 from 02:00 to 03:00".
std::string DifferenceInWords(const RuleDifference& difference,
                              const std::vector<OffsetChange>& pc);

// "1 hour", "2 hours", "30 minutes", "1 hour 30 minutes".
std::string DurationInWords(int minutes);

// The display rules closest to a zone whose offsets are `pc`, and why they cannot express it
// exactly (empty when they can): a daylight-saving shift other than one hour, a change at
// another time than a whole hour, start and end at different hours of the shown time, dates
// that follow no single rule, rules that change between years, an offset beyond the list.
// The leap-second year of the result is 0; the caller keeps its own.
struct ZoneRules {
    DisplayRules rules;
    std::vector<std::string> notExpressible;
};
ZoneRules RulesFromZone(const std::vector<OffsetChange>& pc);

}  // namespace corvantis
