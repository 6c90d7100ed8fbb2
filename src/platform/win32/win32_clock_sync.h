// The Windows time service's view of the PC clock's synchronisation (read only).
#pragma once

#include "platform/clock_sync.h"

namespace corvantis {

// The facts JudgeWindowsTime weighs, as this system gives them now: the service's key
// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\W32Time ("Start", and "Type" under
// "Parameters"), whether the service manager says it runs, and whether
// GetSystemTimeAdjustment reports the clock's rate steered. What cannot be read stays unset.
WindowsTimeFacts ReadWindowsTimeFacts();

class Win32ClockSync final : public ClockSyncProbe {
public:
    ClockSyncStatus Read() const override { return JudgeWindowsTime(ReadWindowsTimeFacts()); }
};

}  // namespace corvantis
