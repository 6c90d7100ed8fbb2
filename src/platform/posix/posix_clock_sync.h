// The kernel's view of the PC clock's synchronisation (adjtimex, read only).
#pragma once

#include "platform/clock_sync.h"

namespace corvantis::posix {

class PosixClockSync : public ClockSyncProbe {
public:
    // adjtimex with no modes: synchronised unless the kernel reports TIME_ERROR or
    // STA_UNSYNC; the estimated error is the kernel's esterror.
    ClockSyncStatus Read() const override;
};

}  // namespace corvantis::posix
