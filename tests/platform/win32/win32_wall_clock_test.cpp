#include "platform/win32/win32_wall_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "platform/failure.h"

#include <windows.h>

namespace corvantis {
namespace {

// The bias in minutes (UTC = local + bias) the PC is in now, and whether it is daylight time.
struct CurrentBias {
    long minutes;
    bool daylight;
};

CurrentBias PlatformBiasNow() {
    TIME_ZONE_INFORMATION zone{};
    const DWORD state = GetTimeZoneInformation(&zone);
    if (state == TIME_ZONE_ID_DAYLIGHT) {
        return {zone.Bias + zone.DaylightBias, true};
    }
    return {zone.Bias + zone.StandardBias, false};
}

// --- Conversion in a pinned zone ------------------------------------------------------------
// The process's zone comes from TZ (wine maps it to a Windows zone). The conversion uses the
// offset in force now, so each row gives the result for both seasons of its zone; the test
// picks the one the PC is in as it runs.

struct ZoneCase {
    const char* reason;
    DateTime local;
    DateTime utcInStandardTime;
    DateTime utcInDaylightTime;
};

struct Zone {
    const char* tz;
    long standardBias;
    long daylightBias;
    std::vector<ZoneCase> cases;
};

const std::vector<Zone>& Zones() {
    static const std::vector<Zone> zones{
        {"America/Chicago",
         360,
         300,
         {
             {"evening becomes the next day",
              {2024, 3, 9, 20, 30, 10},
              {2024, 3, 10, 2, 30, 10},
              {2024, 3, 10, 1, 30, 10}},
             {"end of February in a leap year",
              {2024, 2, 28, 23, 59, 59},
              {2024, 2, 29, 5, 59, 59},
              {2024, 2, 29, 4, 59, 59}},
             {"last evening of the year becomes the next year",
              {2024, 12, 31, 22, 0, 0},
              {2025, 1, 1, 4, 0, 0},
              {2025, 1, 1, 3, 0, 0}},
             // A July date converts with the offset of now, whatever July's own offset is.
             {"summer date in the offset of now",
              {2024, 7, 4, 12, 0, 0},
              {2024, 7, 4, 18, 0, 0},
              {2024, 7, 4, 17, 0, 0}},
         }},
        {"Europe/Berlin",
         -60,
         -120,
         {
             {"new year's first minute falls back into the old year",
              {2025, 1, 1, 0, 0, 30},
              {2024, 12, 31, 23, 0, 30},
              {2024, 12, 31, 22, 0, 30}},
             {"first of March after a leap day",
              {2024, 3, 1, 0, 30, 0},
              {2024, 2, 29, 23, 30, 0},
              {2024, 2, 29, 22, 30, 0}},
             {"midday stays on its day",
              {2024, 6, 15, 12, 0, 0},
              {2024, 6, 15, 11, 0, 0},
              {2024, 6, 15, 10, 0, 0}},
         }},
    };
    return zones;
}

const Zone* PinnedZone() {
    const char* tz = std::getenv("TZ");
    if (tz == nullptr) {
        return nullptr;
    }
    for (const Zone& zone : Zones()) {
        if (std::string(tz) == zone.tz) {
            return &zone;
        }
    }
    return nullptr;
}

TEST(Win32WallClockZoneTest, LocalToUtcUsesTheOffsetInForceNow) {
    const Zone* zone = PinnedZone();
    if (zone == nullptr) {
        GTEST_SKIP() << "run with TZ=America/Chicago or TZ=Europe/Berlin";
    }
    const CurrentBias bias = PlatformBiasNow();
    // The platform must really be in the pinned zone, or every row would prove nothing.
    ASSERT_EQ(bias.minutes, bias.daylight ? zone->daylightBias : zone->standardBias)
        << "TZ=" << zone->tz << " not applied";

    const Win32WallClock clock;
    for (const ZoneCase& row : zone->cases) {
        EXPECT_EQ(clock.LocalToUtc(row.local),
                  bias.daylight ? row.utcInDaylightTime : row.utcInStandardTime)
            << zone->tz << ": " << row.reason;
    }
}

// --- Independent of the zone ---------------------------------------------------------------

struct InvalidCase {
    const char* reason;
    DateTime local;
};

class Win32WallClockInvalidTest : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(Win32WallClockInvalidTest, RaisesFailure) {
    try {
        Win32WallClock().LocalToUtc(GetParam().local);
        FAIL() << GetParam().reason << ": no Failure raised";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), ERROR_INVALID_PARAMETER) << GetParam().reason;
        EXPECT_NE(failure.description().find("UTC"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Win32WallClockInvalidTest,
    ::testing::Values(InvalidCase{"30 February", {2024, 2, 30, 0, 0, 0}},
                      InvalidCase{"before 1601", {1600, 12, 31, 23, 59, 59}},
                      InvalidCase{"hour 24", {2024, 1, 1, 24, 0, 0}},
                      InvalidCase{"month 0", {2024, 0, 1, 0, 0, 0}},
                      // 70000 would wrap to 4464 in 16 bits and convert silently.
                      InvalidCase{"year beyond 16 bits", {70000, 1, 1, 0, 0, 0}},
                      InvalidCase{"negative second", {2024, 1, 1, 0, 0, -1}}));

TEST(Win32WallClockTest, RecordHelpersCarryWholeSecondsOnly) {
    SYSTEMTIME record{};
    record.wDayOfWeek = 6;
    record.wMilliseconds = 999;

    DateToSystemTime(DateTime{2024, 3, 9, 20, 30, 10}, record);

    EXPECT_EQ(record.wYear, 2024);
    EXPECT_EQ(record.wMonth, 3);
    EXPECT_EQ(record.wDay, 9);
    EXPECT_EQ(record.wHour, 20);
    EXPECT_EQ(record.wMinute, 30);
    EXPECT_EQ(record.wSecond, 10);
    EXPECT_EQ(record.wDayOfWeek, 6) << "left as it was";
    EXPECT_EQ(record.wMilliseconds, 999) << "left as it was";

    DateTime value;
    SystemTimeToDate(record, value);
    EXPECT_EQ(value, (DateTime{2024, 3, 9, 20, 30, 10}));
}

TEST(Win32WallClockTest, NowIsTheLocalTimeAndSinceEpochTheSameInstantInUtc) {
    const Win32WallClock clock;
    const std::int64_t before = static_cast<std::int64_t>(std::time(nullptr));
    const DateTime now = clock.Now();
    const std::chrono::nanoseconds sinceEpoch = clock.SinceEpoch();
    const std::int64_t after = static_cast<std::int64_t>(std::time(nullptr));
    const long bias = PlatformBiasNow().minutes;

    const std::int64_t nowAsUtc = ToEpochSeconds(now) + bias * 60;
    EXPECT_GE(nowAsUtc, before - 1);
    EXPECT_LE(nowAsUtc, after + 1);
    const auto epochSeconds = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count();
    EXPECT_GE(epochSeconds, before - 1);
    EXPECT_LE(epochSeconds, after + 1);
}

}  // namespace
}  // namespace corvantis
