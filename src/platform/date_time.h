// Calendar date-time values and the clock texts derived from them.
#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace corvantis {

// A calendar date and time of day to the second, with no zone attached.
// The default value is the zero date-time, 30 December 1899 00:00:00.
struct DateTime {
    int year = 1899;
    int month = 12;  // 1-12
    int day = 30;    // 1-31
    int hour = 0;    // 0-23
    int minute = 0;  // 0-59
    int second = 0;  // 0-59

    auto operator<=>(const DateTime&) const = default;
};

// Days since 1 January 1970 of a proleptic Gregorian date (negative before).
std::int64_t DaysFromCivil(int year, int month, int day);

// Seconds since 1 January 1970 00:00:00 of `value`, read as if it were UTC.
std::int64_t ToEpochSeconds(const DateTime& value);

// The date-time `seconds` after 1 January 1970 00:00:00.
DateTime FromEpochSeconds(std::int64_t seconds);

// The PC's local calendar time of the instant `seconds` after 1 January 1970 UTC, in the
// zone in force then (daylight saving included). Defined by the OS's host facts.
DateTime LocalDateTime(std::int64_t seconds);

// Month-day-year, zero-padded, with hyphens: exactly 10 characters ("03-09-2024").
std::string DateText(const DateTime& value);

// 24-hour time, zero-padded, with colons: exactly 8 characters ("14:07:05").
std::string TimeText(const DateTime& value);

}  // namespace corvantis
