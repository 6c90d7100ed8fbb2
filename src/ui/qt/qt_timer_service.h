// Timers on the Qt event loop.
#pragma once

#include "platform/timer_service.h"

namespace corvantis {

// Unaligned timers are precise QTimers (first tick one interval after Start). Aligned timers
// are phase-locked to the PC's wall clock (see qt_aligned_timer.h). Ticks run on the thread
// that created the timer, which must run a Qt event loop.
class QtTimerService : public TimerService {
public:
    std::unique_ptr<PlatformTimer> CreateTimer(std::function<void()> onTick) override;
};

}  // namespace corvantis
