// Timers on waitable timer objects, run by the window thread's event loop.
#pragma once

#include <chrono>

#include "platform/timer_service.h"
#include "platform/win32/win32_event_loop.h"

namespace corvantis {

// Each timer owns one auto-reset waitable timer, high-resolution where the system offers it
// (CREATE_WAITABLE_TIMER_HIGH_RESOLUTION), a plain one otherwise, and watches it on the loop.
// Ticks run from the loop's rounds only: never inside another tick, a modal loop or an event
// pass. A timer is re-armed for one due time at a time, so a busy thread gets one late tick
// and never a burst.
//
// Aligned timers are phase-locked to the PC's wall clock (UTC since 1970, as
// GetSystemTimePreciseAsFileTime gives it): each tick falls just after a multiple of the
// interval, never before it (a wake before the boundary is re-armed, not delivered), and
// after each tick the timer aims at the first boundary after the moment the callback
// returned, so a step of the PC clock is followed from the next tick on. Unaligned timers
// tick one interval after Start, then one interval after each due time (one interval after
// the late tick when a due time was missed).
class Win32TimerService : public TimerService {
public:
    // `loop` must outlive the service and its timers.
    explicit Win32TimerService(Win32EventLoop& loop) : m_loop(loop) {}

    // Raises Failure (the Win32 error number) when the system has no timer object left.
    std::unique_ptr<PlatformTimer> CreateTimer(std::function<void()> onTick) override;

    // The window's timer controls wake only once a second, together: "SendUDP" acts at most
    // once per second of the PC clock, on its first tick in it; "Timer1" (the PC time shown
    // and the poll for a reply, which the reply wait then reads) and "Timer2" can wait for
    // the next second. Each ticks just after each whole second of the wall clock
    // (WholeSecondTimer). Every other timer is CreateTimer's.
    std::unique_ptr<PlatformTimer> CreateTimerFor(const std::string& name,
                                                  std::function<void()> onTick) override;

    // Whether the timers created here are high-resolution ones.
    static bool HighResolutionAvailable();

    // Runs `hook` once, just before the first tick of any timer this service has made or
    // makes later (for measuring the time to the first tick), with how long after its due
    // time (for an aligned timer: its boundary) that tick runs.
    using FirstTickHook = std::function<void(std::chrono::nanoseconds lateness)>;
    void OnFirstTick(FirstTickHook hook) { *m_firstTick = std::move(hook); }

    // Aims every running aligned timer made here at the first boundary after now, as after a
    // resume from sleep, when a due time set before the sleep no longer lies on a boundary.
    // Unaligned and stopped timers are left as they are.
    void Realign();

    struct Timers;

private:
    Win32EventLoop& m_loop;
    std::shared_ptr<FirstTickHook> m_firstTick = std::make_shared<FirstTickHook>();
    std::shared_ptr<Timers> m_timers;
};

}  // namespace corvantis
