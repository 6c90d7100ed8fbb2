#include "ui/qt/qt_timer_service.h"

#include <QTimer>

#include "ui/qt/qt_aligned_timer.h"

namespace corvantis {
namespace {

class QtPlatformTimer : public PlatformTimer {
public:
    explicit QtPlatformTimer(std::function<void()> onTick) : m_onTick(std::move(onTick)) {
        m_plain.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_plain, &QTimer::timeout, &m_plain, [this] { m_onTick(); });
    }

    void Start(std::chrono::milliseconds interval, bool alignToWallClock) override {
        Stop();
        if (alignToWallClock) {
            if (!m_aligned) {
                m_aligned = CreateSystemAlignedTimer([this] { m_onTick(); });
            }
            m_aligned->Start(std::max(interval, std::chrono::milliseconds(1)));
        } else {
            m_plain.start(interval);
        }
    }

    void Stop() override {
        m_plain.stop();
        if (m_aligned) {
            m_aligned->Stop();
        }
    }

private:
    std::function<void()> m_onTick;
    QTimer m_plain;
    std::unique_ptr<AlignedTimer> m_aligned;
};

}  // namespace

std::unique_ptr<PlatformTimer> QtTimerService::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<QtPlatformTimer>(std::move(onTick));
}

}  // namespace corvantis
