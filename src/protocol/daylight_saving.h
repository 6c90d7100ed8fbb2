// What a clock does with its display rules: the days and instants of its daylight-saving
// changes, the leap second, the time it shows, and the rules in words.
#pragma once

#include <cstdint>
#include <string>

#include "platform/date_time.h"
#include "protocol/display_rules.h"

namespace corvantis {

// The day of `year` on which `rule` falls: the n-th (1-4) or last (5) weekday of its month, or
// its fixed date. A fixed 29 February falls on 1 March in a common year.
// Returns days since 1 January 1970.
std::int64_t ChangeDay(const ChangeRule& rule, int year);

// The two instants, in seconds since 1970 UTC, at which a clock with `rules` starts and ends
// daylight saving in `year` (its standard-time year).
struct ChangeInstants {
    std::int64_t start = 0;
    std::int64_t end = 0;
};

// The one reading of the change hour used everywhere: each change happens when the time the
// clock shows reaches the change hour on the change day. The start happens at that hour of
// standard time (02:00 becomes 03:00), the end at that hour of daylight time (02:00 becomes
// 01:00). This is the pattern the default rules follow (second Sunday of March to first
// Sunday of November at 02:00); zones whose changes both happen at one hour of standard time
// are off by an hour at the end, which the rule check reports.
ChangeInstants DaylightSavingChanges(const DisplayRules& rules, int year);

// Whether daylight saving is in force at `utcSeconds`. A start later in the year than the end
// (southern hemisphere) means daylight saving from the start to the end of the next year.
bool InDaylightSaving(const DisplayRules& rules, std::int64_t utcSeconds);

// The clock's offset from UTC at `utcSeconds`, daylight saving included, in minutes.
int ShownOffsetMinutes(const DisplayRules& rules, std::int64_t utcSeconds);

// The instant after which the clock inserts its leap second (the second after 23:59:59 UTC on
// 30 June of 20yy for leapYear yy below 50, on 31 December of 20(yy-50) otherwise), in
// seconds since 1970.
std::int64_t LeapSecondInstant(int leapYear);

struct ShownTime {
    DateTime time;  // what the hands show; second 60 during a leap second
    bool daylightSaving = false;
    bool leapSecond = false;
};

// The time a clock with `rules` shows at `utcSeconds`; with `leapSecond` it shows the second
// 60 that follows `utcSeconds` - 1.
ShownTime ShowTime(const DisplayRules& rules, std::int64_t utcSeconds, bool leapSecond = false);

// The rules in words: "UTC-6, daylight saving from the second Sunday of March to the first
// Sunday of November at 02:00", "UTC+5:30, no daylight saving".
std::string RulesInWords(const DisplayRules& rules);

// "UTC-6", "UTC+5:30", "UTC" for zero.
std::string OffsetInWords(int offsetMinutes);

}  // namespace corvantis
