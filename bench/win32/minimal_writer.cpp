// minimal_writer [seconds] [port-number]
//
// Writes one time-only clock message to "\\.\COMn" (default COM1) at each even second of the
// PC's clock (UTC) for `seconds` (default 30): a high-resolution waitable timer set to the
// absolute due time of the next even second, then WriteFile of the message carrying that
// second. No event loop, no model: the shortest path from the timer to the wire, as a
// yardstick for corvantis.exe. Prints problems on standard error; exit status 1 when the
// port cannot be used.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "protocol/messages.h"

namespace {

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr DWORD CREATE_WAITABLE_TIMER_HIGH_RESOLUTION = 0x00000002;
#endif

constexpr std::int64_t kEpochOffset = 116'444'736'000'000'000;  // 1601 to 1970 in 100 ns
constexpr std::int64_t kUnitsPerSecond = 10'000'000;

std::int64_t NowUnits() {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    return (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// The UTC date and time of `secondsSince1970`.
corvantis::DateTime Utc(std::int64_t secondsSince1970) {
    using namespace std::chrono;
    const sys_seconds at{seconds(secondsSince1970)};
    const sys_days day = floor<days>(at);
    const year_month_day date(day);
    const hh_mm_ss time(at - day);
    return corvantis::DateTime{static_cast<int>(date.year()),
                               static_cast<int>(static_cast<unsigned>(date.month())),
                               static_cast<int>(static_cast<unsigned>(date.day())),
                               static_cast<int>(time.hours().count()),
                               static_cast<int>(time.minutes().count()),
                               static_cast<int>(time.seconds().count())};
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const int port = argc > 2 ? std::atoi(argv[2]) : 1;
    const std::wstring name = L"\\\\.\\COM" + std::to_wstring(port);
    const HANDLE device = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (device == INVALID_HANDLE_VALUE || !GetCommState(device, &dcb)) {
        std::fprintf(stderr, "minimal_writer: cannot open COM%d (error %lu)\n", port,
                     GetLastError());
        return 1;
    }
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = 250;
    if (!SetCommState(device, &dcb) || !SetCommTimeouts(device, &timeouts)) {
        std::fprintf(stderr, "minimal_writer: COM%d refuses 9600,n,8,1 (error %lu)\n", port,
                     GetLastError());
        return 1;
    }
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                          TIMER_ALL_ACCESS);
    if (timer == nullptr) {
        timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    }
    const std::int64_t end = NowUnits() + static_cast<std::int64_t>(seconds) * kUnitsPerSecond;
    for (;;) {
        const std::int64_t now = NowUnits();
        const std::int64_t second = (now - kEpochOffset) / kUnitsPerSecond;
        const std::int64_t even = second + (second % 2 == 0 ? 2 : 1);
        const std::int64_t due = kEpochOffset + even * kUnitsPerSecond;
        if (due > end) {
            break;
        }
        LARGE_INTEGER when{};
        when.QuadPart = due;  // positive: an absolute time
        if (!SetWaitableTimer(timer, &when, 0, nullptr, nullptr, FALSE)) {
            when.QuadPart = -(due - now);  // the system takes only relative ones
            SetWaitableTimer(timer, &when, 0, nullptr, nullptr, FALSE);
        }
        WaitForSingleObject(timer, INFINITE);
        const std::string message = corvantis::TimeOnlyMessage(Utc(even));
        DWORD written = 0;
        WriteFile(device, message.data(), static_cast<DWORD>(message.size()), &written, nullptr);
    }
    CloseHandle(timer);
    CloseHandle(device);
    return 0;
}
