#include "serial/clock_feedback.h"

#include <algorithm>
#include <chrono>

#include "platform/failure.h"

namespace corvantis {

namespace {
using namespace std::chrono_literals;

constexpr std::int16_t kFirstReadLength = 1;
constexpr std::int16_t kRestReadLength = 35;

// `a` + `b` and `a` - `b` on 32-bit signed integers, wrapping modulo 2^32.
std::int32_t WrappingAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t WrappingSub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

std::int32_t Tick(EventWait& wait) {
    return static_cast<std::int32_t>(wait.TickCount());
}
}  // namespace

std::string VisibleText(std::string_view raw) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(raw.size());
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '\\') {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0x0F];
        } else {
            shown += c;
        }
    }
    return shown;
}

std::int32_t WaitWithEvents(EventWait& wait, std::int32_t interval, std::int32_t& handle,
                            std::uint32_t count) {
    if (interval < 0) {
        interval = 0;
    }
    const std::int32_t deadline = interval != 0 ? WrappingAdd(Tick(wait), interval) : 0;
    for (;;) {
        std::int32_t remaining = 0;
        if (interval != 0) {
            remaining = WrappingSub(deadline, Tick(wait));
            const bool passed = (remaining ^ interval) > 0 ? remaining > interval : remaining < 0;
            if (passed) {
                return 0;
            }
        }
        const std::int32_t result = wait.Wait(count, &handle, remaining);
        wait.ProcessPendingEvents();
        if (result != static_cast<std::int32_t>(count)) {
            return result;
        }
    }
}

void showinput(Window& window, SerialPort& clockLine) {
    SerialPort& port = clockLine;
    if (window.replyWait.Enabled() || !port.PortOpen()) {
        return;
    }
    int waiting = 0;
    if (!SkipSilently([&] { waiting = port.InBufferCount(); }) || waiting <= 0) {
        return;
    }
    window.replyWait.SetInterval(kReplyWait);
    window.replyWait.SetEnabled(true);
}

void OnReplyWaitEnd(Window& window, SerialPort& clockLine) {
    window.replyWait.SetEnabled(false);
    SerialPort& port = clockLine;
    // The events handled meanwhile may have closed the port ("Close and Exit", a port choice).
    if (!port.PortOpen()) {
        return;
    }
    SkipSilently([&] {
        port.SetInputLen(kFirstReadLength);
        std::string reply = port.Input();
        port.SetInputLen(kRestReadLength);
        reply += port.Input();
        reply.resize(std::min(reply.size(), kShownReplyLength));
        window.clockReply.SetText(VisibleText(reply));
        port.SetInBufferCount(0);
        window.pcSeconds.SetVisible(true);
        window.clockReply.SetVisible(true);
        window.clockReplyLabel.SetVisible(true);
    });
}

}  // namespace corvantis
