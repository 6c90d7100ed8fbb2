// The window's timers served for a program without a view, waking only when a tick can
// change something the headless program shows, sends or saves.
#pragma once

#include <chrono>
#include <memory>

#include "platform/posix/event_loop.h"
#include "platform/posix/termios_serial_port.h"
#include "platform/timer_service.h"

namespace corvantis {

class ReplyPollTimer;

// Serves the window's timer controls on the loop:
// - "SendUDP" (every 100 ms, aligned) acts at most once per second of the PC clock, on its
//   first tick in it: after its first tick it wakes on whole seconds only (kSendStride).
// - "Timer1" (every 100 ms) shows the PC time, which no one sees headless, and polls the port
//   for a reply, which acts only when characters wait: it ticks when the port's device has
//   characters to read, and never otherwise.
// - "ReplyWait" is the loop's own timer; while it runs, "Timer1" does not tick for waiting
//   characters (they are read when the wait is over), so the loop sleeps meanwhile.
// - "Timer2" ticks into a handler that does nothing: it never wakes.
// Every other timer is the loop's own.
class HeadlessTimerService : public TimerService {
public:
    static constexpr std::chrono::milliseconds kSendStride{1000};

    HeadlessTimerService(posix::LoopTimerService& timers, posix::TermiosSerialPort& port)
        : m_timers(timers), m_port(port) {}

    std::unique_ptr<PlatformTimer> CreateTimer(std::function<void()> onTick) override {
        return m_timers.CreateTimer(std::move(onTick));
    }
    std::unique_ptr<PlatformTimer> CreateTimerFor(const std::string& name,
                                                  std::function<void()> onTick) override;

private:
    posix::LoopTimerService& m_timers;
    posix::TermiosSerialPort& m_port;
    // The reply poll of "Timer1" while it exists, for "ReplyWait" to hold.
    std::shared_ptr<ReplyPollTimer*> m_replyPoll = std::make_shared<ReplyPollTimer*>(nullptr);
};

}  // namespace corvantis
