// The PC's clock on POSIX systems: the real-time clock read in the process's time zone (TZ).
#pragma once

#include "platform/wall_clock.h"

namespace corvantis {

class PosixWallClock : public WallClock {
public:
    // Local time from CLOCK_REALTIME through localtime_r; the fraction of the second is cut off.
    DateTime Now() const override;
    std::chrono::nanoseconds SinceEpoch() const override;
    // Subtracts the UTC offset in force now (tm_gmtoff of the current instant), whole seconds.
    // Raises Failure (the errno number and its description) when the zone cannot be read.
    DateTime LocalToUtc(const DateTime& local) const override;
};

}  // namespace corvantis
