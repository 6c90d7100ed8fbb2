#include "platform/date_time.h"

#include <cstdio>

namespace corvantis {

namespace {
constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}
}  // namespace

// Howard Hinnant's days_from_civil.
std::int64_t DaysFromCivil(int year, int month, int day) {
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::int64_t ToEpochSeconds(const DateTime& value) {
    return DaysFromCivil(value.year, value.month, value.day) * kSecondsPerDay + value.hour * 3600 +
           value.minute * 60 + value.second;
}

DateTime FromEpochSeconds(std::int64_t seconds) {
    const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
    const std::int64_t rest = seconds - days * kSecondsPerDay;
    // Howard Hinnant's civil_from_days.
    const std::int64_t z = days + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    return DateTime{year,
                    month,
                    day,
                    static_cast<int>(rest / 3600),
                    static_cast<int>(rest % 3600 / 60),
                    static_cast<int>(rest % 60)};
}

std::string DateText(const DateTime& value) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", value.month, value.day, value.year);
    return text;
}

std::string TimeText(const DateTime& value) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", value.hour, value.minute, value.second);
    return text;
}

}  // namespace corvantis
