// The PC's time zone as the operating system knows it: its UTC offset over a span of time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvantis {

// The zone's offset from UTC from instant `at` (seconds since 1970 UTC) on, daylight saving
// included, in minutes east of UTC.
struct OffsetChange {
    std::int64_t at = 0;
    int offsetMinutes = 0;

    bool operator==(const OffsetChange&) const = default;
};

class TimeZone {
public:
    virtual ~TimeZone() = default;

    // What the OS calls the zone ("America/Chicago", a POSIX TZ text, "UTC").
    virtual std::string Name() const = 0;

    // The offset in force at `fromUtc` (as the first entry, at `fromUtc`) and each change of
    // it before `toUtc`, in order. Raises Failure when the OS cannot say.
    virtual std::vector<OffsetChange> OffsetsBetween(std::int64_t fromUtc,
                                                     std::int64_t toUtc) const = 0;
};

}  // namespace corvantis
