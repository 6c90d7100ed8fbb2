#include "app/headless/headless_timers.h"

#include <memory>

namespace corvantis {
namespace {}  // namespace

// Ticks while characters wait on the port, instead of on a period; not while held (the reply
// wait runs, and the characters are read when it is over).
class ReplyPollTimer : public PlatformTimer {
public:
    ReplyPollTimer(posix::TermiosSerialPort& port, std::function<void()> onTick,
                   std::shared_ptr<ReplyPollTimer*> current)
        : m_port(port), m_onTick(std::move(onTick)), m_current(std::move(current)) {
        *m_current = this;
    }
    ~ReplyPollTimer() override {
        if (*m_current == this) {
            *m_current = nullptr;
        }
        m_port.SetReadableListener({});
    }
    ReplyPollTimer(const ReplyPollTimer&) = delete;
    ReplyPollTimer& operator=(const ReplyPollTimer&) = delete;

    void Start(std::chrono::milliseconds, bool) override {
        m_started = true;
        Update();
    }
    void Stop() override {
        m_started = false;
        Update();
    }
    void Hold(bool held) {
        m_held = held;
        Update();
    }

private:
    void Update() {
        m_port.SetReadableListener(m_started && !m_held ? m_onTick : std::function<void()>{});
    }

    posix::TermiosSerialPort& m_port;
    std::function<void()> m_onTick;
    std::shared_ptr<ReplyPollTimer*> m_current;
    bool m_started = false;
    bool m_held = false;
};

namespace {

// The reply wait: a loop timer that holds the reply poll while it runs.
class ReplyWaitTimer : public PlatformTimer {
public:
    ReplyWaitTimer(std::unique_ptr<PlatformTimer> timer, std::shared_ptr<ReplyPollTimer*> poll)
        : m_timer(std::move(timer)), m_poll(std::move(poll)) {}

    void Start(std::chrono::milliseconds interval, bool align) override {
        m_timer->Start(interval, align);
        Hold(true);
    }
    void Stop() override {
        m_timer->Stop();
        Hold(false);
    }

private:
    void Hold(bool held) {
        if (*m_poll != nullptr) {
            (*m_poll)->Hold(held);
        }
    }

    std::unique_ptr<PlatformTimer> m_timer;
    std::shared_ptr<ReplyPollTimer*> m_poll;  // the display timer's poll, while there is one
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
        return std::make_unique<ReplyPollTimer>(m_port, std::move(onTick), m_replyPoll);
    }
    if (name == "ReplyWait") {
        return std::make_unique<ReplyWaitTimer>(m_timers.CreateTimer(std::move(onTick)),
                                                m_replyPoll);
    }
    if (name == "Timer2") {
        return std::make_unique<SilentTimer>();
    }
    return m_timers.CreateTimer(std::move(onTick));
}

}  // namespace corvantis
