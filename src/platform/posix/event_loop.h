// A single-threaded event loop of our own: descriptor watches on one poll(), timers on
// timerfd, SIGINT/SIGTERM/SIGHUP through signalfd, and an exit code.
#pragma once

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "platform/event_wait.h"
#include "platform/timer_service.h"

namespace corvantis::posix {

// Runs callbacks for descriptors that become ready, one at a time, on the calling thread.
// The loop sleeps in poll() until a watched descriptor is ready; it has no periodic wake of
// its own. A callback may add or remove watches (its own included) and may run a nested pass
// (RunOnce); a watch whose callback is still running is left out of nested passes, so no
// callback is ever re-entered.
class EventLoop {
public:
    // `revents` as poll() reports them; POLLHUP, POLLERR and POLLNVAL always come, whatever
    // was asked for.
    using Callback = std::function<void(short revents)>;

    EventLoop() = default;
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // Watches `fd` for `events` (POLLIN, POLLOUT, or 0 for hang-ups and errors only). Returns
    // the watch's id (never 0). The descriptor stays the caller's.
    int Watch(int fd, short events, Callback callback);
    void SetEvents(int id, short events);
    // Removes the watch; its callback is not called again. Unknown ids are ignored.
    void Unwatch(int id);

    // Passes until Quit is called; returns Quit's code.
    int Run();
    // One pass: waits up to `timeout` for a ready descriptor (a negative time-out waits without
    // end, 0 not at all) and runs the callback of each ready one once.
    void RunOnce(std::chrono::milliseconds timeout);
    // Ends Run after the current callback; later calls keep the first code.
    void Quit(int exitCode);
    bool Quitting() const { return m_quitting; }

    // How many passes woke with work to do (a ready descriptor), for the tests and benches.
    std::uint64_t Wakeups() const { return m_wakeups; }

private:
    struct Entry {
        int fd;
        short events;
        Callback callback;
        bool running = false;
        bool removed = false;
    };

    std::map<int, std::shared_ptr<Entry>> m_watches;
    int m_nextId = 1;
    bool m_quitting = false;
    int m_exitCode = 0;
    std::uint64_t m_wakeups = 0;
};

// Timers on the loop, one timerfd each; a tick is never delivered while the previous one's
// callback still runs, and boundaries missed while busy give one late tick, never a burst.
//
// Unaligned timers run on CLOCK_MONOTONIC, the first tick one interval after Start.
// Aligned timers are armed for the absolute CLOCK_REALTIME time of the next multiple of their
// interval (never before it) with TFD_TIMER_CANCEL_ON_SET, so a step of the PC clock ends the
// wait at once and the next boundary is worked out on the new time, without a tick.
class LoopTimerService : public TimerService {
public:
    explicit LoopTimerService(EventLoop& loop) : m_loop(loop) {}
    std::unique_ptr<PlatformTimer> CreateTimer(std::function<void()> onTick) override;

    // An aligned timer that wakes only where its tick can act, for a handler that acts at most
    // once per `stride` of the wall clock (a multiple of the interval Start gives), on its
    // first tick in that period. After a tick, the next falls on the next multiple of
    // `stride`. The first tick after Start comes at once (on the loop's next pass) when the
    // next multiple of the interval lies in the same stride period, otherwise on that
    // multiple; the first after a step of the PC clock falls on the next multiple of the
    // interval. So the handler meets each period at the same first tick, or an earlier one
    // within the same period, as with CreateTimer. Started unaligned it behaves as
    // CreateTimer's.
    std::unique_ptr<PlatformTimer> CreateSparseTimer(std::function<void()> onTick,
                                                     std::chrono::milliseconds stride);

private:
    EventLoop& m_loop;
};

// The wait before reading a clock's reply, on the loop. TickCount is a steady millisecond
// clock truncated to 32 bits. Wait sleeps for the whole time-out (a negative one counts as 0)
// without running callbacks; handles cannot be waited on, so every wait ends by time-out.
// ProcessPendingEvents runs one pass of the loop that does not wait.
class LoopEventWait : public EventWait {
public:
    explicit LoopEventWait(EventLoop& loop) : m_loop(loop) {}
    std::uint32_t TickCount() override;
    std::int32_t Wait(std::uint32_t count, const std::int32_t* handles,
                      std::int32_t timeoutMs) override;
    void ProcessPendingEvents() override;

private:
    EventLoop& m_loop;
};

// While alive, SIGINT, SIGTERM and SIGHUP do not end the process: each one that arrives calls
// `onSignal` from the loop. The signals are blocked for the calling thread (create it before
// any other thread starts) and their former handling comes back on destruction.
class TerminationSignals {
public:
    TerminationSignals(EventLoop& loop, std::function<void()> onSignal);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // False when the signal descriptor could not be made (the signals then act as before).
    bool Active() const { return m_fd >= 0; }

private:
    EventLoop& m_loop;
    std::function<void()> m_onSignal;
    int m_fd = -1;
    int m_watch = 0;
    bool m_restoreMask = false;
    sigset_t m_oldMask{};
};

}  // namespace corvantis::posix
