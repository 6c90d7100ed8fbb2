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

// What Windows tells of its time service (W32Time) and of the clock's adjustment.
struct WindowsTimeFacts {
    bool serviceInstalled = false;       // the service is registered
    std::optional<unsigned long> start;  // its start type: 2 automatic, 3 on demand, 4 disabled
    std::optional<std::string> type;     // its Parameters "Type": NTP, NT5DS, AllSync, NoSync
    std::optional<bool> running;         // whether it runs now, when the service manager says
    std::optional<bool> adjusting;       // whether a time source steers the clock's rate now
};

// The clock's status from those facts. Synchronised: a time source steers the clock now, or the
// service runs with a source to follow. Not synchronised: the service is disabled or set to
// follow nothing ("NoSync"). Unknown otherwise: a service that starts now and then on its own
// may keep the clock or not, and without the service (a system that has none, such as wine,
// whose host keeps the clock) there is nothing to go on.
ClockSyncStatus JudgeWindowsTime(const WindowsTimeFacts& facts);

// Estimated errors beyond this are worth a warning.
inline constexpr double kLargeClockErrorSeconds = 0.5;

// One plain sentence for the warning line, or empty text when there is nothing to say
// (synchronised with a small or no error estimate, or a status the OS does not give).
std::string ClockSyncWarning(const ClockSyncStatus& status);

}  // namespace corvantis
