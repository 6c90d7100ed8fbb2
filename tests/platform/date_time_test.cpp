#include "platform/date_time.h"

#include <gtest/gtest.h>

namespace corvantis {
namespace {

TEST(DateTimeTest, ClockTextsAreZeroPaddedAndFixedWidth) {
    const DateTime value{2024, 3, 9, 14, 7, 5};
    EXPECT_EQ(DateText(value), "03-09-2024");
    EXPECT_EQ(TimeText(value), "14:07:05");
    EXPECT_EQ(TimeText(DateTime{2024, 1, 1, 9, 5, 3}), "09:05:03");
}

TEST(DateTimeTest, EpochSecondsRoundTripAcrossCenturiesAndLeapDays) {
    for (const DateTime value :
         {DateTime{}, DateTime{1970, 1, 1, 0, 0, 0}, DateTime{2000, 2, 29, 23, 59, 59},
          DateTime{2024, 12, 31, 23, 0, 30}, DateTime{2100, 3, 1, 0, 0, 0},
          DateTime{1601, 1, 1, 0, 0, 0}}) {
        EXPECT_EQ(FromEpochSeconds(ToEpochSeconds(value)), value) << DateText(value);
    }
    EXPECT_EQ(ToEpochSeconds(DateTime{1970, 1, 2, 0, 0, 1}), 86401);
    EXPECT_EQ(FromEpochSeconds(-1), (DateTime{1969, 12, 31, 23, 59, 59}));
}

}  // namespace
}  // namespace corvantis
