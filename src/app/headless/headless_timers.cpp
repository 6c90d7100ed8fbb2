#include "app/headless/headless_timers.h"

namespace corvantis {
namespace {

// Ticks while characters wait on the port, instead of on a period.
class ReplyTimer : public PlatformTimer {
public:
    ReplyTimer(posix::TermiosSerialPort& port, std::function<void()> onTick)
        : m_port(port), m_onTick(std::move(onTick)) {}
    ~ReplyTimer() override { Stop(); }
    ReplyTimer(const ReplyTimer&) = delete;
    ReplyTimer& operator=(const ReplyTimer&) = delete;

    void Start(std::chrono::milliseconds, bool) override { m_port.SetReadableListener(m_onTick); }
    void Stop() override { m_port.SetReadableListener({}); }

private:
    posix::TermiosSerialPort& m_port;
    std::function<void()> m_onTick;
};

class SilentTimer : public PlatformTimer {
public:
    void Start(std::chrono::milliseconds, bool) override {}
    void Stop() override {}
};

}  // namespace

std::unique_ptr<PlatformTimer> HeadlessTimerService::CreateTimerFor(const std::string& name,
                                                                    std::function<void()> onTick) {
    if (name == "SendUDP") {
        return m_timers.CreateSparseTimer(std::move(onTick), kSendStride);
    }
    if (name == "Timer1") {
        return std::make_unique<ReplyTimer>(m_port, std::move(onTick));
    }
    if (name == "Timer2") {
        return std::make_unique<SilentTimer>();
    }
    return m_timers.CreateTimer(std::move(onTick));
}

}  // namespace corvantis
