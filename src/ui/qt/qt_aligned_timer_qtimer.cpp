#include <QTimer>
#include <chrono>

#include "platform/wall_boundary.h"
#include "ui/qt/qt_aligned_timer.h"

namespace corvantis {

namespace {

std::chrono::nanoseconds WallNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
}

class QtAlignedTimer : public AlignedTimer {
public:
    explicit QtAlignedTimer(std::function<void()> onTick) : m_onTick(std::move(onTick)) {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { OnTimeout(); });
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
        m_timer.stop();
    }

private:
    void Arm() {
        m_boundary = NextBoundary(WallNow(), m_interval);
        Wait();
    }

    // Waits for m_boundary, rounding the wait up so it cannot end before the boundary.
    void Wait() {
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(m_boundary - WallNow());
        m_timer.start(std::max(remaining, std::chrono::milliseconds(0)));
    }

    void OnTimeout() {
        if (WallNow() < m_boundary) {
            Wait();  // the event loop's clock ran ahead of the wall clock
            return;
        }
        m_inTick = true;
        m_onTick();
        m_inTick = false;
        if (m_running) {
            Arm();
        }
    }

    std::function<void()> m_onTick;
    QTimer m_timer;
    std::chrono::nanoseconds m_interval{std::chrono::milliseconds(100)};
    std::chrono::nanoseconds m_boundary{};
    bool m_running = false;
    bool m_inTick = false;
};

}  // namespace

std::unique_ptr<AlignedTimer> CreateQtAlignedTimer(std::function<void()> onTick) {
    return std::make_unique<QtAlignedTimer>(std::move(onTick));
}

}  // namespace corvantis
