// The POSIX wall clock against the process's time zone, pinned per test.
#include "platform/posix/posix_wall_clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "support/scoped_environment.h"

namespace corvantis {
namespace {

using testing::ScopedTimeZone;

std::int64_t UtcNowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

TEST(PosixWallClockTest, FixedZonesShiftLocalTimeByTheirOffset) {
    struct Row {
        const char* zone;
        std::int64_t utcOffsetSeconds;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"UTC0", 0}, {"<-05>5", -5 * 3600}, {"<+0530>-5:30", 5 * 3600 + 1800}}) {
        ScopedTimeZone zone(row.zone);
        PosixWallClock clock;
        const std::int64_t before = UtcNowSeconds();
        const DateTime local = clock.Now();
        const std::int64_t after = UtcNowSeconds();
        const std::int64_t read = ToEpochSeconds(local) - row.utcOffsetSeconds;
        EXPECT_GE(read, before) << row.zone;
        EXPECT_LE(read, after) << row.zone;
        EXPECT_EQ(ToEpochSeconds(clock.LocalToUtc(local)), read) << row.zone;
        const std::int64_t since =
            std::chrono::duration_cast<std::chrono::seconds>(clock.SinceEpoch()).count();
        EXPECT_GE(since, before) << row.zone;
        EXPECT_LE(since, UtcNowSeconds()) << row.zone;
    }
}

TEST(PosixWallClockTest, LocalToUtcAppliesTheOffsetInForceNowToAnyInstant) {
    struct Row {
        const char* zone;
        std::int64_t standardOffset;  // seconds to add to local time for UTC
        std::int64_t daylightOffset;
    };
    for (const Row& row : std::initializer_list<Row>{{"America/Chicago", 6 * 3600, 5 * 3600},
                                                     {"Europe/Berlin", -3600, -2 * 3600}}) {
        ScopedTimeZone zone(row.zone, /*zoneDatabaseName=*/true);
        if (!std::filesystem::exists(std::string("/usr/share/zoneinfo/") + row.zone)) {
            GTEST_SKIP() << row.zone << " is not in the zone database";
        }
        PosixWallClock clock;
        // Winter, summer, and a local time that does not exist (spring-forward gap in Chicago).
        const DateTime winter{2025, 1, 15, 12, 0, 0};
        const DateTime summer{2025, 7, 15, 12, 0, 0};
        const DateTime gap{2024, 3, 10, 2, 30, 10};
        const std::int64_t shift =
            ToEpochSeconds(clock.LocalToUtc(winter)) - ToEpochSeconds(winter);
        EXPECT_TRUE(shift == row.standardOffset || shift == row.daylightOffset)
            << row.zone << " " << shift;
        EXPECT_EQ(ToEpochSeconds(clock.LocalToUtc(summer)) - ToEpochSeconds(summer), shift)
            << row.zone;
        EXPECT_EQ(ToEpochSeconds(clock.LocalToUtc(gap)) - ToEpochSeconds(gap), shift) << row.zone;
        // And it is the offset of this very moment.
        const std::int64_t before = UtcNowSeconds();
        const std::int64_t converted = ToEpochSeconds(clock.LocalToUtc(clock.Now()));
        EXPECT_GE(converted, before) << row.zone;
        EXPECT_LE(converted, UtcNowSeconds()) << row.zone;
    }
}

TEST(PosixWallClockTest, LocalToUtcCrossesDayAndYearBoundaries) {
    ScopedTimeZone zone("<-06>6");
    PosixWallClock clock;
    EXPECT_EQ(clock.LocalToUtc({2024, 3, 9, 20, 30, 10}), (DateTime{2024, 3, 10, 2, 30, 10}));
    EXPECT_EQ(clock.LocalToUtc({2024, 12, 31, 23, 0, 0}), (DateTime{2025, 1, 1, 5, 0, 0}));
    ScopedTimeZone east("<+01>-1");
    EXPECT_EQ(clock.LocalToUtc({2025, 1, 1, 0, 0, 30}), (DateTime{2024, 12, 31, 23, 0, 30}));
}

}  // namespace
}  // namespace corvantis
