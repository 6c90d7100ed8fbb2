#include "platform/win32/win32_timer_service.h"

#include <algorithm>
#include <vector>

#include "platform/failure.h"
#include "platform/wall_boundary.h"
#include "platform/win32/win32_error.h"

namespace corvantis {
namespace {

using namespace std::chrono;

// Not yet in every header set; the value is the system's.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr DWORD CREATE_WAITABLE_TIMER_HIGH_RESOLUTION = 0x00000002;
#endif

// One unit of the system's due times.
using Ticks100ns = duration<std::int64_t, std::ratio<1, 10'000'000>>;

// The PC's clock as UTC since 1970.
nanoseconds WallNow() {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    const std::int64_t since1601 =
        (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    constexpr std::int64_t kEpochOffset = 116'444'736'000'000'000;  // 1601 to 1970 in 100 ns
    return duration_cast<nanoseconds>(Ticks100ns(since1601 - kEpochOffset));
}

HANDLE CreateTimerObject(bool& highResolution) {
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_ALL_ACCESS);
    highResolution = timer != nullptr;
    if (timer == nullptr) {
        timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    }
    if (timer == nullptr) {
        const DWORD code = GetLastError();
        throw Failure(static_cast<int>(code), "Cannot create a timer: " + SystemErrorText(code));
    }
    return timer;
}

class Win32PlatformTimer;

}  // namespace

// The timers a service has made and not yet destroyed.
struct Win32TimerService::Timers {
    std::vector<Win32PlatformTimer*> live;
};

namespace {

class Win32PlatformTimer : public PlatformTimer {
public:
    Win32PlatformTimer(Win32EventLoop& loop, std::function<void()> onTick,
                       std::shared_ptr<Win32TimerService::FirstTickHook> firstTick,
                       std::shared_ptr<Win32TimerService::Timers> timers)
        : m_loop(loop),
          m_onTick(std::move(onTick)),
          m_firstTick(std::move(firstTick)),
          m_timers(std::move(timers)),
          m_timer(CreateTimerObject(m_highResolution)) {
        m_watch = m_loop.Watch(m_timer, [this] { OnSignalled(); });
        if (m_watch == 0) {
            CloseHandle(m_timer);
            throw Failure(ERROR_TOO_MANY_POSTS, "Cannot run another timer on the event loop.");
        }
        m_timers->live.push_back(this);
    }

    ~Win32PlatformTimer() override {
        auto& live = m_timers->live;
        live.erase(std::remove(live.begin(), live.end(), this), live.end());
        m_loop.Unwatch(m_watch);
        CancelWaitableTimer(m_timer);
        CloseHandle(m_timer);
        if (m_alive) {
            *m_alive = false;
        }
    }

    Win32PlatformTimer(const Win32PlatformTimer&) = delete;
    Win32PlatformTimer& operator=(const Win32PlatformTimer&) = delete;

    void Start(milliseconds interval, bool alignToWallClock) override {
        m_interval = std::max(interval, milliseconds(1));
        m_aligned = alignToWallClock;
        m_running = true;
        if (m_aligned) {
            m_due = NextBoundary(WallNow(), m_interval);
            ArmAt(m_due - WallNow());
        } else {
            m_due = SteadyNow() + m_interval;
            ArmAt(m_interval);
        }
    }

    void Stop() override {
        m_running = false;
        CancelWaitableTimer(m_timer);
    }

    void Realign() {
        if (m_running && m_aligned && !m_ticking) {
            const nanoseconds now = WallNow();
            m_due = NextBoundary(now, m_interval);
            ArmAt(m_due - now);
        }
    }

private:
    static nanoseconds SteadyNow() { return steady_clock::now().time_since_epoch(); }

    // Arms the timer to fire once, `delay` from now (at least one unit of the system).
    void ArmAt(nanoseconds delay) {
        const auto units = std::max<std::int64_t>(duration_cast<Ticks100ns>(delay).count(), 1);
        // A negative due time is relative: the only kind every high-resolution timer takes,
        // and immune to steps of the PC clock while it runs (each wake checks the clock).
        LARGE_INTEGER due{};
        due.QuadPart = -units;
        SetWaitableTimer(m_timer, &due, 0, nullptr, nullptr, FALSE);
    }

    void OnSignalled() {
        if (!m_running || m_ticking) {
            return;
        }
        if (m_aligned) {
            const nanoseconds now = WallNow();
            if (now < m_due) {
                // Woke before the boundary: never tick early. A boundary more than one
                // interval ahead means the PC clock went back; aim at the new next one.
                if (m_due - now > m_interval) {
                    m_due = NextBoundary(now, m_interval);
                }
                ArmAt(m_due - now);
                return;
            }
        } else if (SteadyNow() < m_due) {
            ArmAt(m_due - SteadyNow());
            return;
        }
        // The callback may stop, restart or destroy this timer.
        auto alive = std::make_shared<bool>(true);
        m_alive = alive;
        m_ticking = true;
        if (*m_firstTick) {
            const auto hook = std::move(*m_firstTick);
            *m_firstTick = nullptr;
            hook((m_aligned ? WallNow() : SteadyNow()) - m_due);
        }
        m_onTick();
        if (!*alive) {
            return;
        }
        m_ticking = false;
        m_alive.reset();
        if (!m_running) {
            return;
        }
        if (m_aligned) {
            const nanoseconds now = WallNow();
            if (m_due <= now) {
                m_due = NextBoundary(now, m_interval);
            }
            ArmAt(m_due - now);
        } else {
            const nanoseconds now = SteadyNow();
            if (m_due <= now) {
                m_due += m_interval;
                if (m_due <= now) {
                    m_due = now + m_interval;
                }
            }
            ArmAt(m_due - now);
        }
    }

    Win32EventLoop& m_loop;
    std::function<void()> m_onTick;
    std::shared_ptr<Win32TimerService::FirstTickHook> m_firstTick;
    std::shared_ptr<Win32TimerService::Timers> m_timers;
    bool m_highResolution = false;
    HANDLE m_timer;
    Win32EventLoop::WatchId m_watch = 0;
    milliseconds m_interval{100};
    bool m_aligned = false;
    bool m_running = false;
    bool m_ticking = false;
    nanoseconds m_due{};
    std::shared_ptr<bool> m_alive;
};

}  // namespace

std::unique_ptr<PlatformTimer> Win32TimerService::CreateTimer(std::function<void()> onTick) {
    if (!m_timers) {
        m_timers = std::make_shared<Timers>();
    }
    return std::make_unique<Win32PlatformTimer>(m_loop, std::move(onTick), m_firstTick, m_timers);
}

void Win32TimerService::Realign() {
    if (!m_timers) {
        return;
    }
    for (auto* timer : m_timers->live) {
        timer->Realign();
    }
}

bool Win32TimerService::HighResolutionAvailable() {
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_ALL_ACCESS);
    if (timer == nullptr) {
        return false;
    }
    CloseHandle(timer);
    return true;
}

std::unique_ptr<PlatformTimer> Win32TimerService::CreateTimerFor(const std::string& name,
                                                                 std::function<void()> onTick) {
    if (name == "SendUDP" || name == "Timer1" || name == "Timer2") {
        return std::make_unique<WholeSecondTimer>(CreateTimer(std::move(onTick)));
    }
    return CreateTimer(std::move(onTick));
}

}  // namespace corvantis
