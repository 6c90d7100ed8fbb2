// The millisecond tick, the blocking wait and the event pass through kernel32 and user32.
#pragma once

#include "platform/event_wait.h"

namespace corvantis {

class Win32EventWait final : public EventWait {
public:
    // GetTickCount.
    std::uint32_t TickCount() override;

    // MsgWaitForMultipleObjects(count, handles, FALSE, timeoutMs, 0): with the wake mask 0
    // window input does not end the wait. Each handle is a 32-bit handle value, widened as
    // Windows does. A negative time-out counts as 0 (the system would read it as "forever").
    // Returns the index of the signalled handle, kWaitTimeout, or -1 when the system refused
    // the wait (a handle that is not a waitable object, more than 63 handles).
    std::int32_t Wait(std::uint32_t count, const std::int32_t* handles,
                      std::int32_t timeoutMs) override;

    // PeekMessage, TranslateMessage and DispatchMessage until the thread's queue is empty.
    // A WM_QUIT met on the way is put back for the main loop and ends the pass.
    void ProcessPendingEvents() override;
};

}  // namespace corvantis
