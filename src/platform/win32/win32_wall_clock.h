// The PC's clock through kernel32: local time, the precise system time and the local-to-UTC
// conversion with the time-zone offset in force now.
#pragma once

#include "platform/wall_clock.h"

struct _SYSTEMTIME;  // SYSTEMTIME of <windows.h>

namespace corvantis {

// Fills wYear, wMonth, wDay, wHour, wMinute and wSecond of `record` from `value` (each cut to
// 16 bits); wDayOfWeek and wMilliseconds are left as they are.
void DateToSystemTime(const DateTime& value, _SYSTEMTIME& record);

// Sets `value` from wYear, wMonth, wDay, wHour, wMinute and wSecond of `record`;
// wDayOfWeek and wMilliseconds are ignored.
void SystemTimeToDate(const _SYSTEMTIME& record, DateTime& value);

class Win32WallClock final : public WallClock {
public:
    // GetLocalTime, to the second.
    DateTime Now() const override;

    // GetSystemTimePreciseAsFileTime since 1 January 1970 UTC.
    std::chrono::nanoseconds SinceEpoch() const override;

    // SystemTimeToFileTime, LocalFileTimeToFileTime, FileTimeToSystemTime: subtracts the bias
    // the PC is in now (standard or daylight). Raises Failure with the Win32 error number when
    // a step fails, for a date Windows cannot represent (before 1601, after 30827, 30 February)
    // or a field beyond 16 bits.
    DateTime LocalToUtc(const DateTime& local) const override;
};

}  // namespace corvantis
