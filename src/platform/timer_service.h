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

// A timer that, whatever interval it is started with, ticks just after each whole second of
// the wall clock: for a handler that acts at most once per second, on its first tick in it
// (the transmission tick), or whose work can wait for the next second. Timers of this kind
// made by one service fall due together and share their wakes.
class WholeSecondTimer : public PlatformTimer {
public:
    static constexpr std::chrono::milliseconds kSecond{1000};

    explicit WholeSecondTimer(std::unique_ptr<PlatformTimer> aligned)
        : m_aligned(std::move(aligned)) {}
    void Start(std::chrono::milliseconds, bool) override { m_aligned->Start(kSecond, true); }
    void Stop() override { m_aligned->Stop(); }

private:
    std::unique_ptr<PlatformTimer> m_aligned;
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
