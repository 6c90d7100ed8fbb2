// Repeating timers whose ticks fall on the wall clock's multiples of their interval.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace corvantis {

// A timer phase-locked to the PC's wall clock (UTC time since 1970): with a 100 ms interval
// every tick falls just after a tenth of a second of the PC clock. A tick never comes before
// its boundary; after a tick the timer aims at the first boundary strictly after the moment
// the tick's callback returned, so boundaries missed while the thread was busy give one late
// tick, not a burst, and errors never add up. A tick is never delivered while the previous
// one's callback is still running (for example inside an event pass it starts).
class AlignedTimer {
public:
    virtual ~AlignedTimer() = default;
    // Aims at the next boundary after now. `interval` is at least 1 ms.
    virtual void Start(std::chrono::milliseconds interval) = 0;
    virtual void Stop() = 0;
};

// A QTimer armed for each boundary in turn. Portable; as exact as the event loop's timers,
// and it notices a step of the PC clock only when its current wait ends.
std::unique_ptr<AlignedTimer> CreateQtAlignedTimer(std::function<void()> onTick);

// The most exact kind the system offers (on Linux a wall-clock timer of the kernel that also
// follows steps of the PC clock at once); the QTimer kind elsewhere.
std::unique_ptr<AlignedTimer> CreateSystemAlignedTimer(std::function<void()> onTick);

}  // namespace corvantis
