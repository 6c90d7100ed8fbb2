// The millisecond tick count and the blocking wait used before reading a clock's reply.
#pragma once

#include <cstdint>

namespace corvantis {

class EventWait {
public:
    virtual ~EventWait() = default;

    // Milliseconds since some fixed start, 32 bits, wrapping about every 49.7 days.
    virtual std::uint32_t TickCount() = 0;

    // Blocks for up to `timeoutMs` milliseconds or until one of the `count` handles is
    // signalled, without waking for window input. Returns the index of the signalled handle,
    // or kWaitTimeout when the time ran out.
    virtual std::int32_t Wait(std::uint32_t count, const std::int32_t* handles,
                              std::int32_t timeoutMs) = 0;

    // Handles every window event pending at this moment, once.
    virtual void ProcessPendingEvents() = 0;

    static constexpr std::int32_t kWaitTimeout = 258;
};

}  // namespace corvantis
