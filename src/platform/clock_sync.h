// Whether the PC's own clock is kept synchronised: the clocks inherit its error.
#pragma once

#include <optional>
#include <string>

namespace corvantis {

struct ClockSyncStatus {
    bool known = false;         // false when the OS could not say
    bool synchronised = false;  // the OS's time service keeps the clock disciplined
    std::optional<double> estimatedErrorSeconds;  // the OS's estimate, when it gives one
};

class ClockSyncProbe {
public:
    virtual ~ClockSyncProbe() = default;
    // Asks the OS now; never raises (an unanswered question is `known` false).
    virtual ClockSyncStatus Read() const = 0;
};

// For an OS that does not say: every reading is unknown, so nothing is ever warned of.
class UnknownClockSync : public ClockSyncProbe {
public:
    ClockSyncStatus Read() const override { return {}; }
};

// Estimated errors beyond this are worth a warning.
inline constexpr double kLargeClockErrorSeconds = 0.5;

// One plain sentence for the warning line, or empty text when there is nothing to say
// (synchronised with a small or no error estimate, or a status the OS does not give).
std::string ClockSyncWarning(const ClockSyncStatus& status);

}  // namespace corvantis
