// The wait before reading a clock's reply, for the Qt program.
#pragma once

#include "platform/event_wait.h"

namespace corvantis {

// TickCount is a steady (monotonic) millisecond clock truncated to 32 bits. Wait blocks the
// calling thread for the whole time-out and handles no window events meanwhile. Handles
// cannot be waited on here: `count` and `handles` are ignored and every wait ends by
// time-out, returning kWaitTimeout. A negative time-out counts as 0 (no infinite wait).
// ProcessPendingEvents runs one pass of QCoreApplication::processEvents().
class QtEventWait : public EventWait {
public:
    std::uint32_t TickCount() override;
    std::int32_t Wait(std::uint32_t count, const std::int32_t* handles,
                      std::int32_t timeoutMs) override;
    void ProcessPendingEvents() override;
};

}  // namespace corvantis
