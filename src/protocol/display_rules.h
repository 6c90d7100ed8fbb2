// The display rules a clock holds: its offset from UTC, its daylight-saving rule with the hour
// of the change, and the year of the next leap second, as values rather than field texts.
#pragma once

#include <compare>

namespace corvantis {

// One daylight-saving change: the n-th (or last) weekday of a month, or a fixed date.
struct ChangeRule {
    enum class Form { Weekday, FixedDate };
    Form form = Form::Weekday;
    int month = 1;       // 1 January ... 12 December
    int occurrence = 1;  // weekday form: 1 First ... 4 Fourth, 5 Last
    int weekday = 7;     // weekday form: 1 Monday ... 7 Sunday
    int day = 0;         // fixed-date form: day of the month, 1-31

    auto operator<=>(const ChangeRule&) const = default;
};

struct DisplayRules {
    int offsetMinutes = 0;  // the clock's standard offset east of UTC, -720 to +780
    bool daylightSaving = false;
    ChangeRule start;    // meaningful only with daylightSaving
    ChangeRule end;      // meaningful only with daylightSaving
    int changeHour = 0;  // 0-23; see DaylightSavingChanges for the time it is counted in
    int leapYear = 0;    // as sent, 0-99: two-digit year, plus 50 for a December leap second

    auto operator<=>(const DisplayRules&) const = default;
};

}  // namespace corvantis
