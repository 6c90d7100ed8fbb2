#include "platform/win32/win32_time_zone.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/date_time.h"
#include "platform/failure.h"
#include "platform/win32/win32_error.h"

namespace corvantis {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr int kLastOccurrence = 5;

std::string Narrow(const wchar_t* text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string narrow(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), size, nullptr, nullptr);
    narrow.resize(static_cast<std::size_t>(size - 1));
    return narrow;
}

// 0 Sunday ... 6 Saturday, as SYSTEMTIME counts. 1 January 1970 was a Thursday.
int SundayBasedWeekday(std::int64_t days) {
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

// The local date-time, in seconds since 1970 read as UTC, at which `rule` falls in `year`:
// the absolute form when wYear is set, otherwise the wDay-th (5: last) wDayOfWeek of wMonth.
std::int64_t LocalChange(const SYSTEMTIME& rule, int year) {
    std::int64_t day = 0;
    if (rule.wYear != 0) {
        day = DaysFromCivil(rule.wYear, rule.wMonth, rule.wDay);
    } else {
        const std::int64_t first = DaysFromCivil(year, rule.wMonth, 1);
        day = first + (rule.wDayOfWeek - SundayBasedWeekday(first) + 7) % 7 +
              7 * (std::min<int>(rule.wDay, kLastOccurrence) - 1);
        const int nextYear = rule.wMonth == 12 ? year + 1 : year;
        const int nextMonth = rule.wMonth == 12 ? 1 : rule.wMonth + 1;
        while (day >= DaysFromCivil(nextYear, nextMonth, 1)) {
            day -= 7;  // "the fifth" is the last one in a month with four
        }
    }
    return day * kSecondsPerDay + rule.wHour * 3600LL + rule.wMinute * 60LL + rule.wSecond;
}

}  // namespace

std::string Win32TimeZone::Name() const {
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    if (::GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) {
        return "this PC's zone";
    }
    std::string name = Narrow(zone.TimeZoneKeyName);
    return name.empty() ? Narrow(zone.StandardName) : name;
}

std::vector<OffsetChange> Win32TimeZone::OffsetsBetween(std::int64_t fromUtc,
                                                        std::int64_t toUtc) const {
    struct Event {
        std::int64_t at;
        int offset;
        bool operator<(const Event& other) const { return at < other.at; }
    };
    std::vector<Event> events;
    std::optional<int> fixedOffset;
    const int firstYear = FromEpochSeconds(fromUtc).year - 1;
    const int lastYear = FromEpochSeconds(toUtc).year + 1;
    for (int year = firstYear; year <= lastYear; ++year) {
        TIME_ZONE_INFORMATION zone{};
        if (!::GetTimeZoneInformationForYear(static_cast<USHORT>(year), nullptr, &zone)) {
            const DWORD error = ::GetLastError();
            throw Failure(static_cast<int>(error), "cannot read the time zone for " +
                                                       std::to_string(year) + ": " +
                                                       SystemErrorText(error));
        }
        const int standard = -static_cast<int>(zone.Bias + zone.StandardBias);
        const int daylight = -static_cast<int>(zone.Bias + zone.DaylightBias);
        if (zone.StandardDate.wMonth == 0 || zone.DaylightDate.wMonth == 0 ||
            standard == daylight) {
            fixedOffset = standard;
            events.push_back(
                {DaysFromCivil(year, 1, 1) * kSecondsPerDay - standard * 60LL, standard});
            continue;
        }
        // Daylight time starts at its local standard time, ends at its local daylight time.
        events.push_back({LocalChange(zone.DaylightDate, year) - standard * 60LL, daylight});
        events.push_back({LocalChange(zone.StandardDate, year) - daylight * 60LL, standard});
    }
    std::sort(events.begin(), events.end());
    int offset = events.front().offset;
    if (events.front().at > fromUtc && !fixedOffset) {
        offset = events.size() > 1 ? events[1].offset : offset;  // the state before the first
    }
    for (const Event& event : events) {
        if (event.at <= fromUtc) {
            offset = event.offset;
        }
    }
    std::vector<OffsetChange> changes{{fromUtc, offset}};
    for (const Event& event : events) {
        if (event.at > fromUtc && event.at < toUtc &&
            event.offset != changes.back().offsetMinutes) {
            changes.push_back({event.at, event.offset});
        }
    }
    return changes;
}

}  // namespace corvantis
