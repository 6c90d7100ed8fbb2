#include "platform/win32/win32_wall_clock.h"

#include <cstdint>
#include <limits>

#include "platform/failure.h"
#include "platform/win32/win32_error.h"

#include <windows.h>

namespace corvantis {

namespace {

// FILETIME counts 100 ns intervals since 1 January 1601; this many lie before 1970.
constexpr std::int64_t kFileTimeAt1970 = 116444736000000000;
constexpr std::int64_t kNanosecondsPerFileTimeTick = 100;

std::int64_t FileTimeTicks(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

bool FitsInWord(int field) {
    return field >= 0 && field <= std::numeric_limits<WORD>::max();
}

[[noreturn]] void RaiseConversionFailure(const DateTime& local, const char* step, DWORD code) {
    if (code == ERROR_SUCCESS) {
        code = ERROR_INVALID_PARAMETER;
    }
    throw Failure(static_cast<int>(code), "Cannot convert " + DateText(local) + " " +
                                              TimeText(local) + " to UTC (" + step +
                                              "): " + SystemErrorText(code));
}

}  // namespace

void DateToSystemTime(const DateTime& value, SYSTEMTIME& record) {
    record.wYear = static_cast<WORD>(value.year);
    record.wMonth = static_cast<WORD>(value.month);
    record.wDay = static_cast<WORD>(value.day);
    record.wHour = static_cast<WORD>(value.hour);
    record.wMinute = static_cast<WORD>(value.minute);
    record.wSecond = static_cast<WORD>(value.second);
}

void SystemTimeToDate(const SYSTEMTIME& record, DateTime& value) {
    value = DateTime{record.wYear, record.wMonth,  record.wDay,
                     record.wHour, record.wMinute, record.wSecond};
}

DateTime Win32WallClock::Now() const {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    DateTime value;
    SystemTimeToDate(local, value);
    return value;
}

std::chrono::nanoseconds Win32WallClock::SinceEpoch() const {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    return std::chrono::nanoseconds((FileTimeTicks(now) - kFileTimeAt1970) *
                                    kNanosecondsPerFileTimeTick);
}

DateTime Win32WallClock::LocalToUtc(const DateTime& local) const {
    for (const int field :
         {local.year, local.month, local.day, local.hour, local.minute, local.second}) {
        if (!FitsInWord(field)) {
            RaiseConversionFailure(local, "SystemTimeToFileTime", ERROR_INVALID_PARAMETER);
        }
    }
    SYSTEMTIME localRecord{};
    DateToSystemTime(local, localRecord);
    FILETIME localTime{};
    if (!SystemTimeToFileTime(&localRecord, &localTime)) {
        RaiseConversionFailure(local, "SystemTimeToFileTime", GetLastError());
    }
    FILETIME utcTime{};
    if (!LocalFileTimeToFileTime(&localTime, &utcTime)) {
        RaiseConversionFailure(local, "LocalFileTimeToFileTime", GetLastError());
    }
    SYSTEMTIME utcRecord{};
    if (!FileTimeToSystemTime(&utcTime, &utcRecord)) {
        RaiseConversionFailure(local, "FileTimeToSystemTime", GetLastError());
    }
    DateTime utc;
    SystemTimeToDate(utcRecord, utc);
    return utc;
}

}  // namespace corvantis
