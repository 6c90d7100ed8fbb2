// Aligned timers on Linux: a timerfd on CLOCK_REALTIME armed for the absolute time of the next
// boundary and watched by the event loop.
#include <sys/timerfd.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>

#include "platform/wall_boundary.h"
#include "ui/qt/qt_aligned_timer.h"

namespace corvantis {
namespace {

constexpr std::chrono::nanoseconds kSecond = std::chrono::seconds(1);

std::chrono::nanoseconds RealtimeNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

class TimerfdAlignedTimer : public AlignedTimer {
public:
    TimerfdAlignedTimer(int fd, std::function<void()> onTick)
        : m_fd(fd),
          m_onTick(std::move(onTick)),
          m_notifier(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read)) {
        m_notifier->setEnabled(false);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { OnReadable(); });
    }

    ~TimerfdAlignedTimer() override {
        m_notifier.reset();
        ::close(m_fd);
    }

    void Start(std::chrono::milliseconds interval) override {
        m_interval = interval;
        m_running = true;
        if (!m_inTick) {
            Arm();
        }
    }

    void Stop() override {
        m_running = false;
        m_notifier->setEnabled(false);
        const itimerspec disarm{};
        ::timerfd_settime(m_fd, 0, &disarm, nullptr);
    }

private:
    // Arms the timer for the first boundary strictly after now. With TFD_TIMER_CANCEL_ON_SET
    // a step of the PC clock ends the wait early with ECANCELED, so the boundary is worked
    // out again on the new time.
    void Arm() {
        const auto boundary = NextBoundary(RealtimeNow(), m_interval);
        itimerspec when{};
        when.it_value.tv_sec = static_cast<time_t>(boundary / kSecond);
        when.it_value.tv_nsec = static_cast<long>((boundary % kSecond).count());
        ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr);
        m_notifier->setEnabled(true);
    }

    // The notifier stays enabled from Start to Stop: enabling and disabling it at every tick
    // costs the event loop more than the tick itself.
    void OnReadable() {
        std::uint64_t expirations = 0;
        const ssize_t got = ::read(m_fd, &expirations, sizeof expirations);
        if (m_inTick) {
            return;  // none while a tick is still running; it aims anew when it returns
        }
        if (got != static_cast<ssize_t>(sizeof expirations)) {
            // ECANCELED: the PC clock was set; aim at the next boundary of the new time.
            // EAGAIN: nothing expired after all. Either way no tick.
            if (m_running && errno != EAGAIN) {
                Arm();
            }
            return;
        }
        // One tick however many boundaries passed.
        m_inTick = true;
        m_onTick();
        m_inTick = false;
        if (m_running) {
            Arm();
        }
    }

    const int m_fd;
    std::function<void()> m_onTick;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::chrono::nanoseconds m_interval{std::chrono::milliseconds(100)};
    bool m_running = false;
    bool m_inTick = false;
};

}  // namespace

std::unique_ptr<AlignedTimer> CreateSystemAlignedTimer(std::function<void()> onTick) {
    const int fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0) {
        return CreateQtAlignedTimer(std::move(onTick));
    }
    return std::make_unique<TimerfdAlignedTimer>(fd, std::move(onTick));
}

}  // namespace corvantis
