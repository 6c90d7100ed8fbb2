// The Windows zone, under wine in the zone TZ names: the changes of 2027 to the second, and
// at every sampled instant the offset Windows itself applies.
#include "platform/win32/win32_time_zone.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/date_time.h"

namespace corvantis {
namespace {

std::int64_t Utc(int y, int mo, int d, int h = 0) {
    return ToEpochSeconds({y, mo, d, h, 0, 0});
}

TEST(Win32TimeZoneTest, TheChangesOf2027) {
    const char* tz = std::getenv("TZ");
    const std::string zone = tz != nullptr ? tz : "";
    std::vector<OffsetChange> expected;
    if (zone == "America/Chicago") {
        expected = {
            {Utc(2027, 1, 1), -360}, {Utc(2027, 3, 14, 8), -300}, {Utc(2027, 11, 7, 7), -360}};
    } else if (zone == "Europe/Berlin") {
        expected = {{Utc(2027, 1, 1), 60}, {Utc(2027, 3, 28, 1), 120}, {Utc(2027, 10, 31, 1), 60}};
    } else {
        GTEST_SKIP() << "no table for the zone " << zone;
    }
    EXPECT_EQ(Win32TimeZone().OffsetsBetween(Utc(2027, 1, 1), Utc(2028, 1, 1)), expected);
    EXPECT_FALSE(Win32TimeZone().Name().empty());
}

// Every six hours over two years, the offset agrees with SystemTimeToTzSpecificLocalTime.
TEST(Win32TimeZoneTest, AgreesWithWindowsOwnConversion) {
    const std::int64_t from = Utc(2027, 1, 1);
    const std::int64_t to = Utc(2029, 1, 1);
    const auto changes = Win32TimeZone().OffsetsBetween(from, to);
    for (std::int64_t t = from; t < to; t += 6 * 3600) {
        int offset = changes.front().offsetMinutes;
        for (const OffsetChange& change : changes) {
            if (change.at <= t) {
                offset = change.offsetMinutes;
            }
        }
        const DateTime utc = FromEpochSeconds(t);
        SYSTEMTIME utcTime{};
        utcTime.wYear = static_cast<WORD>(utc.year);
        utcTime.wMonth = static_cast<WORD>(utc.month);
        utcTime.wDay = static_cast<WORD>(utc.day);
        utcTime.wHour = static_cast<WORD>(utc.hour);
        SYSTEMTIME local{};
        ASSERT_TRUE(::SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &local));
        const std::int64_t localSeconds = ToEpochSeconds(
            {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond});
        ASSERT_EQ(offset * 60LL, localSeconds - t) << DateText(utc) << " " << TimeText(utc);
    }
}

}  // namespace
}  // namespace corvantis
