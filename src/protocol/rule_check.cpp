#include "protocol/rule_check.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>

#include "platform/date_time.h"
#include "protocol/daylight_saving.h"

namespace corvantis {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr int kMinOffset = -12 * 60;
constexpr int kMaxOffset = 13 * 60;
constexpr int kOffsetStep = 30;
constexpr int kDaylightShift = 60;

constexpr const char* kMonths[12] = {"January",   "February", "March",    "April",
                                     "May",       "June",     "July",     "August",
                                     "September", "October",  "November", "December"};

std::string TwoDigits(int value) {
    return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
           static_cast<char>('0' + value % 10);
}

std::string DateInWords(const DateTime& t) {
    return std::to_string(t.day) + " " + kMonths[t.month - 1] + " " + std::to_string(t.year);
}

std::string ClockTime(const DateTime& t) {
    return TwoDigits(t.hour) + ":" + TwoDigits(t.minute);
}

int WeekdayOf(std::int64_t days) {
    return static_cast<int>(((days % 7) + 7 + 3) % 7) + 1;
}

int DaysInMonth(int year, int month) {
    const int nextYear = month == 12 ? year + 1 : year;
    const int nextMonth = month == 12 ? 1 : month + 1;
    return static_cast<int>(DaysFromCivil(nextYear, nextMonth, 1) - DaysFromCivil(year, month, 1));
}

// The one rule (last weekday, n-th weekday, or fixed date, in that order of preference) that
// gives every day of `days` (local dates) in its year; nullopt when none does.
std::optional<ChangeRule> RuleFor(const std::vector<DateTime>& days) {
    if (days.empty()) {
        return std::nullopt;
    }
    const DateTime& first = days.front();
    const int weekday = WeekdayOf(DaysFromCivil(first.year, first.month, first.day));
    std::vector<ChangeRule> candidates;
    // In the last week of a month "last" comes first: the fourth is the last only some years.
    if (first.day + 7 > DaysInMonth(first.year, first.month)) {
        candidates.push_back({ChangeRule::Form::Weekday, first.month, 5, weekday, 0});
    }
    const int occurrence = (first.day - 1) / 7 + 1;
    if (occurrence <= 4) {
        candidates.push_back({ChangeRule::Form::Weekday, first.month, occurrence, weekday, 0});
    }
    candidates.push_back({ChangeRule::Form::FixedDate, first.month, 1, 7, first.day});
    for (const ChangeRule& candidate : candidates) {
        const bool fits = std::all_of(days.begin(), days.end(), [&](const DateTime& day) {
            return ChangeDay(candidate, day.year) == DaysFromCivil(day.year, day.month, day.day);
        });
        if (fits) {
            return candidate;
        }
    }
    return std::nullopt;
}

// The list's offset for a zone whose standard offset is `standard` minutes: itself when the
// list holds it; else, with the reason added, its whole half hours (cut towards zero) held
// within the list's ends.
int OffsetInList(int standard, std::vector<std::string>& reasons) {
    if (standard % kOffsetStep == 0 && standard >= kMinOffset && standard <= kMaxOffset) {
        return standard;
    }
    reasons.push_back("its offset " + OffsetInWords(standard) +
                      " is not in the list (-12 to +13 hours in half hours)");
    return std::clamp(standard / kOffsetStep * kOffsetStep, kMinOffset, kMaxOffset);
}

// Adds the reasons a zone's offsets (two or more) are not just a standard offset and a
// daylight-saving offset one hour ahead of it.
void CheckDaylightOffsets(const std::set<int>& offsets, std::vector<std::string>& reasons) {
    if (offsets.size() > 2) {
        reasons.push_back(
            "its offset takes more than two values (its rules change between "
            "years)");
    }
    const int standard = *offsets.begin();
    const int daylight = *offsets.rbegin();
    if (daylight - standard != kDaylightShift) {
        reasons.push_back("its daylight saving moves the time by " +
                          DurationInWords(daylight - standard) + ", and the clocks move by 1 hour");
    }
}

// A zone's changes as its clock reads them just before each: the starts of daylight saving
// (the offset grows) in standard time, the ends in daylight time, each in order.
struct ShownChanges {
    std::vector<DateTime> starts;
    std::vector<DateTime> ends;
};

ShownChanges ChangesAsShown(const std::vector<OffsetChange>& pc) {
    ShownChanges changes;
    for (std::size_t i = 1; i < pc.size(); ++i) {
        const bool start = pc[i].offsetMinutes > pc[i - 1].offsetMinutes;
        const int shownBefore = pc[i - 1].offsetMinutes;
        (start ? changes.starts : changes.ends)
            .push_back(FromEpochSeconds(pc[i].at + shownBefore * 60LL));
    }
    return changes;
}

// Adds the reasons the clocks' one hour of change (that of the first start, both lists not
// empty) cannot give these changes: one of each kind off a whole hour, an end at another hour.
void CheckChangeTimes(const ShownChanges& changes, std::vector<std::string>& reasons) {
    for (const auto* list : {&changes.starts, &changes.ends}) {
        for (const DateTime& change : *list) {
            if (change.minute != 0 || change.second != 0) {
                reasons.push_back("it changes at " + ClockTime(change) + " on " +
                                  DateInWords(change) + ", not on a whole hour");
                break;
            }
        }
    }
    const DateTime& start = changes.starts.front();
    const DateTime& end = changes.ends.front();
    if (end.hour != start.hour) {
        reasons.push_back("it starts daylight saving at " + ClockTime(start) +
                          " standard time and ends it at " + ClockTime(end) +
                          " daylight time, and the clocks use one hour for both (" +
                          TwoDigits(start.hour) + ":00); they will end daylight saving " +
                          DurationInWords((end.hour - start.hour) * 60) +
                          (end.hour > start.hour ? " early" : " late"));
    }
}

// Sets the start and end rules that give every one of the changes (both lists not empty);
// where none does, the first change's own date, with the reason added.
void SetChangeRules(const ShownChanges& changes, ZoneRules& result) {
    const DateTime& start = changes.starts.front();
    const DateTime& end = changes.ends.front();
    const auto startRule = RuleFor(changes.starts);
    const auto endRule = RuleFor(changes.ends);
    if (!startRule || !endRule) {
        result.notExpressible.push_back(
            "its daylight-saving dates follow no single rule over the years "
            "compared (its rules change between years)");
    }
    result.rules.start =
        startRule.value_or(ChangeRule{ChangeRule::Form::FixedDate, start.month, 1, 7, start.day});
    result.rules.end =
        endRule.value_or(ChangeRule{ChangeRule::Form::FixedDate, end.month, 1, 7, end.day});
}

}  // namespace

int OffsetAt(const std::vector<OffsetChange>& pc, std::int64_t utc) {
    int offset = pc.empty() ? 0 : pc.front().offsetMinutes;
    for (const OffsetChange& change : pc) {
        if (change.at > utc) {
            break;
        }
        offset = change.offsetMinutes;
    }
    return offset;
}

std::vector<RuleDifference> CompareRules(const DisplayRules& rules,
                                         const std::vector<OffsetChange>& pc, std::int64_t toUtc) {
    std::vector<RuleDifference> differences;
    if (pc.empty()) {
        return differences;
    }
    const std::int64_t fromUtc = pc.front().at;
    // Between two neighbouring changes of either side the difference is constant.
    std::set<std::int64_t> breaks{fromUtc};
    for (const OffsetChange& change : pc) {
        breaks.insert(change.at);
    }
    if (rules.daylightSaving) {
        const int firstYear = FromEpochSeconds(fromUtc).year - 1;
        const int lastYear = FromEpochSeconds(toUtc).year + 1;
        for (int year = firstYear; year <= lastYear; ++year) {
            const ChangeInstants changes = DaylightSavingChanges(rules, year);
            breaks.insert(changes.start);
            breaks.insert(changes.end);
        }
    }
    for (auto it = breaks.lower_bound(fromUtc); it != breaks.end() && *it < toUtc; ++it) {
        const auto next = std::next(it);
        const std::int64_t end = next == breaks.end() ? toUtc : std::min(*next, toUtc);
        const int minutes = ShownOffsetMinutes(rules, *it) - OffsetAt(pc, *it);
        if (!differences.empty() && differences.back().to == *it &&
            differences.back().minutes == minutes) {
            differences.back().to = end;
        } else if (minutes != 0) {
            differences.push_back({*it, end, minutes});
        }
    }
    return differences;
}

std::string DurationInWords(int minutes) {
    const int magnitude = std::abs(minutes);
    const int hours = magnitude / 60;
    const int rest = magnitude % 60;
    std::string words;
    if (hours > 0) {
        words = std::to_string(hours) + (hours == 1 ? " hour" : " hours");
    }
    if (rest > 0) {
        words += (words.empty() ? "" : " ") + std::to_string(rest) +
                 (rest == 1 ? " minute" : " minutes");
    }
    return words;
}

std::string DifferenceInWords(const RuleDifference& difference,
                              const std::vector<OffsetChange>& pc) {
    const DateTime from = FromEpochSeconds(difference.from + OffsetAt(pc, difference.from) * 60LL);
    // The end as the PC's clock reads it just before its own change, if it has one there.
    const DateTime to = FromEpochSeconds(difference.to + OffsetAt(pc, difference.to - 1) * 60LL);
    std::string words = "Clocks will show " + DurationInWords(difference.minutes) +
                        (difference.minutes > 0 ? " ahead of" : " behind") + " this PC ";
    if (from.year == to.year && from.month == to.month && from.day == to.day) {
        return words + "on " + DateInWords(from) + " from " + ClockTime(from) + " to " +
               ClockTime(to);
    }
    return words + "from " + DateInWords(from) + " to " + DateInWords(to);
}

ZoneRules RulesFromZone(const std::vector<OffsetChange>& pc) {
    ZoneRules result;
    if (pc.empty()) {
        return result;
    }
    std::set<int> offsets;
    for (const OffsetChange& change : pc) {
        offsets.insert(change.offsetMinutes);
    }
    const int standard = *offsets.begin();
    result.rules.offsetMinutes = OffsetInList(standard, result.notExpressible);
    if (offsets.size() == 1) {
        return result;
    }
    CheckDaylightOffsets(offsets, result.notExpressible);
    const ShownChanges changes = ChangesAsShown(pc);
    if (changes.starts.empty() || changes.ends.empty()) {
        result.notExpressible.push_back(
            "it does not both start and end daylight saving in the years "
            "compared (its rules change between years)");
        return result;
    }
    result.rules.daylightSaving = true;
    result.rules.changeHour = changes.starts.front().hour;
    CheckChangeTimes(changes, result.notExpressible);
    SetChangeRules(changes, result);
    return result;
}

}  // namespace corvantis
