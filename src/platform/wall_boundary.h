// The boundaries that wall-clock-aligned timers aim at, for every OS's timers alike.
#pragma once

#include <chrono>

namespace corvantis {

// The first multiple of `interval` strictly after `now` (both counted from one epoch, such as
// 1970 UTC); a time on a boundary gives the next one. Times before the epoch give the
// boundary after them too. `interval` is positive.
constexpr std::chrono::nanoseconds NextBoundary(std::chrono::nanoseconds now,
                                                std::chrono::nanoseconds interval) {
    // Floor division: the quotient rounds toward zero, so a negative time is one period off.
    auto periods = now / interval;
    if (periods * interval > now) {
        --periods;
    }
    return (periods + 1) * interval;
}

}  // namespace corvantis
