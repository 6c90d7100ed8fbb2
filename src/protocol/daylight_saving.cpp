#include "protocol/daylight_saving.h"

#include <cstdlib>

namespace corvantis {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kSecondsPerHour = 3600;
constexpr int kLastOccurrence = 5;
constexpr int kDecemberLeapBase = 50;

constexpr const char* kMonthNames[12] = {"January",   "February", "March",    "April",
                                         "May",       "June",     "July",     "August",
                                         "September", "October",  "November", "December"};
constexpr const char* kWeekdayNames[7] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                          "Friday", "Saturday", "Sunday"};
constexpr const char* kOccurrenceNames[5] = {"first", "second", "third", "fourth", "last"};

// 1 Monday ... 7 Sunday. 1 January 1970 was a Thursday.
int WeekdayOf(std::int64_t days) {
    const std::int64_t fromMonday = ((days % 7) + 7 + 3) % 7;
    return static_cast<int>(fromMonday) + 1;
}

const char* Named(const char* const* names, int count, int oneBased) {
    return oneBased >= 1 && oneBased <= count ? names[oneBased - 1] : "?";
}

std::string ChangeInWords(const ChangeRule& rule) {
    const char* month = Named(kMonthNames, 12, rule.month);
    if (rule.form == ChangeRule::Form::FixedDate) {
        return std::to_string(rule.day) + " " + month;
    }
    return std::string("the ") + Named(kOccurrenceNames, 5, rule.occurrence) + " " +
           Named(kWeekdayNames, 7, rule.weekday) + " of " + month;
}

std::string TwoDigits(int value) {
    return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
           static_cast<char>('0' + value % 10);
}

}  // namespace

std::int64_t ChangeDay(const ChangeRule& rule, int year) {
    if (rule.form == ChangeRule::Form::FixedDate) {
        return DaysFromCivil(year, rule.month, rule.day);
    }
    if (rule.occurrence >= kLastOccurrence) {
        const int nextYear = rule.month == 12 ? year + 1 : year;
        const int nextMonth = rule.month == 12 ? 1 : rule.month + 1;
        const std::int64_t lastDay = DaysFromCivil(nextYear, nextMonth, 1) - 1;
        return lastDay - (WeekdayOf(lastDay) - rule.weekday + 7) % 7;
    }
    const std::int64_t firstDay = DaysFromCivil(year, rule.month, 1);
    const std::int64_t first = firstDay + (rule.weekday - WeekdayOf(firstDay) + 7) % 7;
    return first + 7 * (rule.occurrence - 1);
}

ChangeInstants DaylightSavingChanges(const DisplayRules& rules, int year) {
    const std::int64_t offset = static_cast<std::int64_t>(rules.offsetMinutes) * 60;
    const std::int64_t hour = static_cast<std::int64_t>(rules.changeHour) * kSecondsPerHour;
    // Shown time at the start is standard time, at the end daylight time.
    return {ChangeDay(rules.start, year) * kSecondsPerDay + hour - offset,
            ChangeDay(rules.end, year) * kSecondsPerDay + hour - offset - kSecondsPerHour};
}

bool InDaylightSaving(const DisplayRules& rules, std::int64_t utcSeconds) {
    if (!rules.daylightSaving) {
        return false;
    }
    const std::int64_t standard = utcSeconds + static_cast<std::int64_t>(rules.offsetMinutes) * 60;
    const int year = FromEpochSeconds(standard).year;
    const ChangeInstants changes = DaylightSavingChanges(rules, year);
    if (changes.start <= changes.end) {
        return utcSeconds >= changes.start && utcSeconds < changes.end;
    }
    return utcSeconds >= changes.start || utcSeconds < changes.end;
}

int ShownOffsetMinutes(const DisplayRules& rules, std::int64_t utcSeconds) {
    return rules.offsetMinutes + (InDaylightSaving(rules, utcSeconds) ? 60 : 0);
}

std::int64_t LeapSecondInstant(int leapYear) {
    if (leapYear >= kDecemberLeapBase) {
        return DaysFromCivil(2000 + leapYear - kDecemberLeapBase + 1, 1, 1) * kSecondsPerDay;
    }
    return DaysFromCivil(2000 + leapYear, 7, 1) * kSecondsPerDay;
}

ShownTime ShowTime(const DisplayRules& rules, std::int64_t utcSeconds, bool leapSecond) {
    const std::int64_t instant = leapSecond ? utcSeconds - 1 : utcSeconds;
    ShownTime shown;
    shown.daylightSaving = InDaylightSaving(rules, instant);
    shown.leapSecond = leapSecond;
    shown.time = FromEpochSeconds(instant + ShownOffsetMinutes(rules, instant) * 60LL);
    if (leapSecond) {
        shown.time.second = 60;
    }
    return shown;
}

std::string OffsetInWords(int offsetMinutes) {
    if (offsetMinutes == 0) {
        return "UTC";
    }
    const int magnitude = std::abs(offsetMinutes);
    std::string words = offsetMinutes < 0 ? "UTC-" : "UTC+";
    words += std::to_string(magnitude / 60);
    if (magnitude % 60 != 0) {
        words += ":" + TwoDigits(magnitude % 60);
    }
    return words;
}

std::string RulesInWords(const DisplayRules& rules) {
    std::string words = OffsetInWords(rules.offsetMinutes);
    if (!rules.daylightSaving) {
        return words + ", no daylight saving";
    }
    return words + ", daylight saving from " + ChangeInWords(rules.start) + " to " +
           ChangeInWords(rules.end) + " at " + TwoDigits(rules.changeHour) + ":00";
}

}  // namespace corvantis
