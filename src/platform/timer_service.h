// Timers and the event pass: what the window's timer controls and waits run on.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

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

    // The timer for the window's timer control called `name`. A service that knows what a
    // control's ticks can change may serve it differently (fewer wakes, another trigger),
    // provided nothing observable changes; by default it is CreateTimer's.
    virtual std::unique_ptr<PlatformTimer> CreateTimerFor(const std::string& /*name*/,
                                                          std::function<void()> onTick) {
        return CreateTimer(std::move(onTick));
    }
};

}  // namespace corvantis
