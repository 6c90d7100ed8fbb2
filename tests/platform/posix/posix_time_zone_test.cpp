// The C library's zones: exact changes to the second, the process's own zone left as it was,
// the zone's name; and the kernel's clock synchronisation answering at all.
#include "platform/posix/posix_time_zone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/date_time.h"
#include "platform/posix/posix_clock_sync.h"
#include "support/scoped_environment.h"

namespace corvantis {
namespace {

std::int64_t Utc(int y, int mo, int d, int h = 0, int mi = 0) {
    return ToEpochSeconds({y, mo, d, h, mi, 0});
}

TEST(PosixTimeZoneTest, ChangesToTheSecond) {
    struct Row {
        const char* zone;
        std::vector<OffsetChange> changes2027;
    };
    const Row rows[] = {
        {"America/Chicago", {{0, -360}, {Utc(2027, 3, 14, 8), -300}, {Utc(2027, 11, 7, 7), -360}}},
        {"Europe/Berlin", {{0, 60}, {Utc(2027, 3, 28, 1), 120}, {Utc(2027, 10, 31, 1), 60}}},
        // Lord Howe: half an hour, at 02:00 standard time both ways.
        {"Australia/Lord_Howe",
         {{0, 660}, {Utc(2027, 4, 3, 15), 630}, {Utc(2027, 10, 2, 15, 30), 660}}},
        {"Asia/Kolkata", {{0, 330}}},
        {"CST6CDT,M4.1.0,M10.5.0",
         {{0, -360}, {Utc(2027, 4, 4, 8), -300}, {Utc(2027, 10, 31, 7), -360}}},
    };
    for (const Row& row : rows) {
        auto expected = row.changes2027;
        expected.front().at = Utc(2027, 1, 1);
        EXPECT_EQ(posix::PosixTimeZone(row.zone).OffsetsBetween(Utc(2027, 1, 1), Utc(2028, 1, 1)),
                  expected)
            << row.zone;
    }
}

TEST(PosixTimeZoneTest, LeavesTheProcessZoneAndNamesTheZone) {
    testing::ScopedEnvironment tz("TZ", "Asia/Tokyo", [] { ::tzset(); });
    EXPECT_EQ(posix::PosixTimeZone().Name(), "Asia/Tokyo");
    EXPECT_EQ(posix::PosixTimeZone("Europe/Berlin").Name(), "Europe/Berlin");
    posix::PosixTimeZone("Europe/Berlin").OffsetsBetween(Utc(2027, 1, 1), Utc(2027, 2, 1));
    EXPECT_STREQ(std::getenv("TZ"), "Asia/Tokyo");
    const std::time_t t = Utc(2027, 1, 1);
    std::tm local{};
    ::localtime_r(&t, &local);
    EXPECT_EQ(local.tm_gmtoff, 9 * 3600);
    EXPECT_EQ(posix::PosixTimeZone().OffsetsBetween(Utc(2027, 1, 1), Utc(2027, 2, 1)),
              (std::vector<OffsetChange>{{Utc(2027, 1, 1), 540}}));
}

TEST(PosixClockSyncTest, TheKernelAnswers) {
    EXPECT_TRUE(posix::PosixClockSync().Read().known);
}

}  // namespace
}  // namespace corvantis
