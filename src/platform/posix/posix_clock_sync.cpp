#include "platform/posix/posix_clock_sync.h"

#include <sys/timex.h>

namespace corvantis::posix {

namespace {
constexpr double kMicroseconds = 1e6;
}  // namespace

ClockSyncStatus PosixClockSync::Read() const {
    timex reading{};
    reading.modes = 0;  // read only
    const int state = ::adjtimex(&reading);
    ClockSyncStatus status;
    if (state == -1) {
        return status;
    }
    status.known = true;
    status.synchronised = state != TIME_ERROR && (reading.status & STA_UNSYNC) == 0;
    status.estimatedErrorSeconds = static_cast<double>(reading.esterror) / kMicroseconds;
    return status;
}

}  // namespace corvantis::posix
