#include "platform/clock_sync.h"

#include <cstdio>

#include "platform/ascii_text.h"

namespace corvantis {

ClockSyncStatus JudgeWindowsTime(const WindowsTimeFacts& facts) {
    constexpr unsigned long kDisabled = 4;
    if (facts.adjusting.value_or(false)) {
        return {true, true, std::nullopt};
    }
    if (!facts.serviceInstalled) {
        return {};
    }
    const bool followsNothing = facts.type && EqualsIgnoringAsciiCase(*facts.type, "NoSync");
    if (facts.start == kDisabled || followsNothing) {
        return {true, false, std::nullopt};
    }
    if (facts.running.value_or(false) && facts.type) {
        return {true, true, std::nullopt};
    }
    return {};
}

std::string ClockSyncWarning(const ClockSyncStatus& status) {
    if (!status.known) {
        return {};
    }
    if (!status.synchronised) {
        return "This PC's clock is not synchronised to a time server: the clocks show its time "
               "with whatever error it has.";
    }
    if (status.estimatedErrorSeconds && *status.estimatedErrorSeconds > kLargeClockErrorSeconds) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", *status.estimatedErrorSeconds);
        return std::string("This PC's clock may be off by up to ") + seconds +
               " s (its own estimate): the clocks inherit that error.";
    }
    return {};
}

}  // namespace corvantis
