// Timers and the event pass: what the window's timer controls and waits run on.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace corvantis {

// One repeating timer. Its callback runs on the window's thread, one event at a time.
class PlatformTimer {
public:
    virtual ~PlatformTimer() = default;

    // Starts (or restarts) the period. With `alignToWallClock`, ticks fall on the wall clock's
    // multiples of `interval` (every tenth of a second for 100 ms), never before the boundary;
    // otherwise the first tick comes one interval from now.
    virtual void Start(std::chrono::milliseconds interval, bool alignToWallClock) = 0;
    virtual void Stop() = 0;
};

class TimerService {
public:
    virtual ~TimerService() = default;
    virtual std::unique_ptr<PlatformTimer> CreateTimer(std::function<void()> onTick) = 0;
};

}  // namespace corvantis
