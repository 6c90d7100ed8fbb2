#include "platform/posix/posix_wall_clock.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/failure.h"

namespace corvantis {

namespace {

timespec ReadRealtime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

DateTime FromTm(const std::tm& fields) {
    return DateTime{fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday,
                    fields.tm_hour,        fields.tm_min,     fields.tm_sec};
}

}  // namespace

DateTime PosixWallClock::Now() const {
    const std::time_t seconds = ReadRealtime().tv_sec;
    std::tm fields{};
    if (localtime_r(&seconds, &fields) == nullptr) {
        // Only for instants outside the zone database's years; UTC is the best left.
        return FromEpochSeconds(seconds);
    }
    return FromTm(fields);
}

std::chrono::nanoseconds PosixWallClock::SinceEpoch() const {
    const timespec now = ReadRealtime();
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

DateTime PosixWallClock::LocalToUtc(const DateTime& local) const {
    const std::time_t seconds = ReadRealtime().tv_sec;
    std::tm fields{};
    errno = 0;
    if (localtime_r(&seconds, &fields) == nullptr) {
        const int number = errno != 0 ? errno : EOVERFLOW;
        throw Failure(number, std::strerror(number));
    }
    return FromEpochSeconds(ToEpochSeconds(local) - fields.tm_gmtoff);
}

}  // namespace corvantis
