#include "platform/posix/event_loop.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <vector>

#include "platform/wall_boundary.h"

namespace corvantis::posix {

namespace {

constexpr std::chrono::nanoseconds kSecond = std::chrono::seconds(1);

std::chrono::nanoseconds RealtimeNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

timespec ToTimespec(std::chrono::nanoseconds span) {
    timespec at{};
    at.tv_sec = static_cast<time_t>(span / kSecond);
    at.tv_nsec = static_cast<long>((span % kSecond).count());
    return at;
}

}  // namespace

int EventLoop::Watch(int fd, short events, Callback callback) {
    const int id = m_nextId++;
    m_watches.emplace(id, std::make_shared<Entry>(Entry{fd, events, std::move(callback)}));
    return id;
}

void EventLoop::SetEvents(int id, short events) {
    if (auto found = m_watches.find(id); found != m_watches.end()) {
        found->second->events = events;
    }
}

void EventLoop::Unwatch(int id) {
    if (auto found = m_watches.find(id); found != m_watches.end()) {
        found->second->removed = true;
        m_watches.erase(found);
    }
}

int EventLoop::Run() {
    while (!m_quitting) {
        RunOnce(std::chrono::milliseconds(-1));
    }
    return m_exitCode;
}

void EventLoop::RunOnce(std::chrono::milliseconds timeout) {
    std::vector<pollfd> fds;
    std::vector<std::shared_ptr<Entry>> entries;
    for (const auto& [id, entry] : m_watches) {
        if (!entry->running) {
            fds.push_back(pollfd{entry->fd, entry->events, 0});
            entries.push_back(entry);
        }
    }
    const int wait = timeout.count() < 0 ? -1 : static_cast<int>(timeout.count());
    const int ready = ::poll(fds.data(), fds.size(), wait);
    if (ready <= 0) {
        return;  // time-out, or a signal (EINTR): nothing to run
    }
    ++m_wakeups;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        const auto& entry = entries[i];
        if (fds[i].revents == 0 || entry->removed || entry->running) {
            continue;
        }
        entry->running = true;
        entry->callback(fds[i].revents);
        entry->running = false;
    }
}

void EventLoop::Quit(int exitCode) {
    if (!m_quitting) {
        m_quitting = true;
        m_exitCode = exitCode;
    }
}

namespace {

class LoopTimer : public PlatformTimer {
public:
    LoopTimer(EventLoop& loop, std::function<void()> onTick, std::chrono::milliseconds stride)
        : m_loop(loop), m_onTick(std::move(onTick)), m_stride(stride) {}

    ~LoopTimer() override { Release(); }
    LoopTimer(const LoopTimer&) = delete;
    LoopTimer& operator=(const LoopTimer&) = delete;

    void Start(std::chrono::milliseconds interval, bool alignToWallClock) override {
        if (m_fd < 0 || m_aligned != alignToWallClock) {
            Release();
            m_fd = ::timerfd_create(alignToWallClock ? CLOCK_REALTIME : CLOCK_MONOTONIC,
                                    TFD_NONBLOCK | TFD_CLOEXEC);
            if (m_fd < 0) {
                return;  // no timer can be made; the timer stays silent
            }
            m_aligned = alignToWallClock;
            m_watch = m_loop.Watch(m_fd, POLLIN, [this](short) { OnReadable(); });
        }
        m_interval = std::max(interval, std::chrono::milliseconds(1));
        m_running = true;
        if (m_aligned && m_stride > m_interval) {
            ArmFirstSparse();
        } else if (m_aligned) {
            ArmAligned(m_interval);
        } else {
            itimerspec when{};
            when.it_value = ToTimespec(m_interval);
            when.it_interval = ToTimespec(m_interval);
            ::timerfd_settime(m_fd, 0, &when, nullptr);
        }
    }

    void Stop() override {
        m_running = false;
        if (m_fd >= 0) {
            const itimerspec disarm{};
            ::timerfd_settime(m_fd, 0, &disarm, nullptr);
        }
    }

private:
    void Release() {
        if (m_fd >= 0) {
            m_loop.Unwatch(m_watch);
            ::close(m_fd);
            m_fd = -1;
        }
    }

    // Arms for the first multiple of `step` strictly after now.
    void ArmAligned(std::chrono::nanoseconds step) {
        itimerspec when{};
        when.it_value = ToTimespec(NextBoundary(RealtimeNow(), step));
        ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
    }

    // The first tick of a sparse timer: at once when the next boundary of the interval lies
    // in the same stride period as now (a tick there would meet the same period), otherwise
    // on that boundary, which then opens the next period.
    void ArmFirstSparse() {
        const auto now = RealtimeNow();
        const auto fine = NextBoundary(now, m_interval);
        itimerspec when{};
        when.it_value = ToTimespec(fine < NextBoundary(now, m_stride) ? now : fine);
        ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
    }

    void OnReadable() {
        std::uint64_t expirations = 0;
        const ssize_t got = ::read(m_fd, &expirations, sizeof expirations);
        if (got != static_cast<ssize_t>(sizeof expirations)) {
            // ECANCELED: the PC clock was set; aim at the next boundary of the new time.
            // EAGAIN: nothing expired after all. Either way no tick.
            if (m_running && m_aligned && errno == ECANCELED) {
                ArmAligned(m_interval);
            }
            return;
        }
        if (!m_running) {
            return;
        }
        m_onTick();
        // The callback may have stopped or restarted the timer; a restart armed it already.
        if (m_running && m_aligned && !Restarted()) {
            ArmAligned(std::max<std::chrono::nanoseconds>(m_stride, m_interval));
        }
    }

    // Whether the timer is armed again (Start ran inside the callback).
    bool Restarted() const {
        itimerspec current{};
        ::timerfd_gettime(m_fd, &current);
        return current.it_value.tv_sec != 0 || current.it_value.tv_nsec != 0;
    }

    EventLoop& m_loop;
    std::function<void()> m_onTick;
    const std::chrono::milliseconds m_stride;
    std::chrono::milliseconds m_interval{1};
    int m_fd = -1;
    int m_watch = 0;
    bool m_aligned = false;
    bool m_running = false;
};

}  // namespace

std::unique_ptr<PlatformTimer> LoopTimerService::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<LoopTimer>(m_loop, std::move(onTick), std::chrono::milliseconds(0));
}

std::unique_ptr<PlatformTimer> LoopTimerService::CreateSparseTimer(
    std::function<void()> onTick, std::chrono::milliseconds stride) {
    return std::make_unique<LoopTimer>(m_loop, std::move(onTick), stride);
}

std::uint32_t LoopEventWait::TickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::int32_t LoopEventWait::Wait(std::uint32_t /*count*/, const std::int32_t* /*handles*/,
                                 std::int32_t timeoutMs) {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    // A signal may end the sleep early; sleep again until the time has run out.
    for (auto now = std::chrono::steady_clock::now(); now < end;
         now = std::chrono::steady_clock::now()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now);
        ::poll(nullptr, 0, static_cast<int>(left.count()));
    }
    return kWaitTimeout;
}

void LoopEventWait::ProcessPendingEvents() {
    m_loop.RunOnce(std::chrono::milliseconds(0));
}

TerminationSignals::TerminationSignals(EventLoop& loop, std::function<void()> onSignal)
    : m_loop(loop), m_onSignal(std::move(onSignal)) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);  // the terminal closed: an end like any other
    m_fd = ::signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) {
        return;
    }
    m_restoreMask = ::sigprocmask(SIG_BLOCK, &signals, &m_oldMask) == 0;
    m_watch = m_loop.Watch(m_fd, POLLIN, [this](short) {
        signalfd_siginfo info{};
        // One call per signal read; several pending signals give several calls.
        while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            m_onSignal();
        }
    });
}

TerminationSignals::~TerminationSignals() {
    if (m_fd < 0) {
        return;
    }
    m_loop.Unwatch(m_watch);
    ::close(m_fd);
    if (m_restoreMask) {
        ::sigprocmask(SIG_SETMASK, &m_oldMask, nullptr);
    }
}

}  // namespace corvantis::posix
