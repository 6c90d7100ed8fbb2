// The PC's own clock: the program's only time source.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/date_time.h"

namespace corvantis {

class WallClock {
public:
    virtual ~WallClock() = default;

    // One reading of the PC's clock: the local date and time of day, to the second
    // (the fraction is cut off, never rounded). Every text and value of one tick is
    // derived from a single reading.
    virtual DateTime Now() const = 0;

    // The same instant as `Now`, as the time since 1 January 1970 UTC with its fraction.
    // Used to phase-lock timers to the wall clock.
    virtual std::chrono::nanoseconds SinceEpoch() const = 0;

    // Converts a local date-time to UTC by subtracting the PC's UTC offset in force at the
    // moment of the call (standard or daylight time, whichever the PC is in now), not the
    // offset that would apply at the instant converted. Whole seconds only.
    // Raises Failure when the platform cannot convert.
    virtual DateTime LocalToUtc(const DateTime& local) const = 0;
};

// The whole seconds since 1 January 1970 UTC of one reading of `clock`.
inline std::int64_t EpochSeconds(const WallClock& clock) {
    return std::chrono::duration_cast<std::chrono::seconds>(clock.SinceEpoch()).count();
}

}  // namespace corvantis
