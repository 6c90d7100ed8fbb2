// Cutting the line's bytes into messages and timing them against the second they carry.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "protocol/messages.h"
#include "wire_timing.h"

namespace corvantis::bench {
namespace {

using namespace std::chrono_literals;

struct CarriedCase {
    const char* why;
    std::string message;
    std::optional<std::chrono::seconds> expected;
};

TEST(CarriedSecondTest, ReadsTheTimeBlockAsUtc) {
    const std::vector<CarriedCase> cases{
        {"a time-only message as the tick builds it",
         TimeOnlyMessage(DateTime{2024, 3, 9, 14, 7, 4}), 1709993224s},
        {"single-digit fields are blank-padded, leap day",
         TimeOnlyMessage(DateTime{2024, 2, 29, 23, 59, 58}), 1709251198s},
        {"midnight: every small field is zero",
         RulesMessage(DateTime{2000, 1, 1, 0, 0, 0}, DisplayRuleFields{}), 946684800s},
        {"an addressed command carries addresses, not a time",
         AddressedCommand("5", "7", 1, DisplayRuleFields{}), std::nullopt},
        {"kind 3 is no time even when its fields read as one",
         "* 4 714 9 32024         3         #", std::nullopt},
        {"no leading star", "  4 714 9 32024         1         #", std::nullopt},
        {"a field that is not a number", "* 4 7x4 9 32024         1         #", std::nullopt},
        {"a local time message is not timed", LocalTimeMessage(DateTime{2024, 3, 9, 14, 7, 4}),
         std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CarriedSecond(c.message), c.expected) << c.why << ": [" << c.message << "]";
    }
}

TEST(WireRecorderTest, StampsEachMessageWithTheReadThatBroughtItsStar) {
    const std::string first = TimeOnlyMessage(DateTime{2024, 3, 9, 14, 7, 4});
    const std::string second = TimeOnlyMessage(DateTime{2024, 3, 9, 14, 7, 6});
    WireRecorder wire;
    // Noise before the first star is skipped; the first message comes in two reads.
    wire.Feed("\r\n" + first.substr(0, 10), 100ns);
    wire.Feed(first.substr(10), 200ns);
    EXPECT_EQ(wire.Arrivals().size(), 1u);
    // A whole message and the start of the next in one read share that read's stamp.
    wire.Feed(second + first.substr(0, 1), 300ns);
    ASSERT_EQ(wire.Arrivals().size(), 2u);
    EXPECT_EQ(wire.Arrivals()[0].firstByte, 100ns);
    EXPECT_EQ(wire.Arrivals()[0].message, first);
    EXPECT_EQ(wire.Arrivals()[1].firstByte, 300ns);
    EXPECT_EQ(wire.Arrivals()[1].message, second);
}

TEST(DelaysTest, MeasureFromTheCarriedSecondAndSkipSecondsBeganBeforeTheStart) {
    const std::chrono::nanoseconds second4 = 1709993224s;
    const std::vector<Arrival> arrivals{
        {second4 + 800ms, TimeOnlyMessage(DateTime{2024, 3, 9, 14, 7, 4})},
        {second4 + 2s + 250us, TimeOnlyMessage(DateTime{2024, 3, 9, 14, 7, 6})},
        {second4 + 4s + 1500us, AddressedCommand("0", "0", 0, DisplayRuleFields{})},
        {second4 + 4s + 3ms, TimeOnlyMessage(DateTime{2024, 3, 9, 14, 7, 8})},
    };
    // Started 0.5 s into second 04: its message is left out, as is the one without a time.
    const std::vector<double> delays = DelaysAfterCarriedSecond(arrivals, second4 + 500ms);
    ASSERT_EQ(delays.size(), 2u);
    EXPECT_NEAR(delays[0], 0.25, 1e-9);
    EXPECT_NEAR(delays[1], 3.0, 1e-9);
    EXPECT_EQ(DelaysAfterCarriedSecond(arrivals, second4).size(), 3u);
}

TEST(SummarizeTest, NearestRankPercentiles) {
    const Summary ten = Summarize({10, 9, 8, 7, 6, 5, 4, 3, 2, 1});
    EXPECT_EQ(ten.count, 10u);
    EXPECT_EQ(ten.p50, 5);
    EXPECT_EQ(ten.p99, 10);
    EXPECT_EQ(ten.max, 10);

    std::vector<double> hundredAndOne(100, 1.0);
    hundredAndOne.push_back(50.0);
    const Summary tail = Summarize(hundredAndOne);
    EXPECT_EQ(tail.p99, 1.0) << "one outlier in 101 is beyond the 99th percentile";
    EXPECT_EQ(tail.max, 50.0);

    const Summary one = Summarize({0.2});
    EXPECT_EQ(one.p50, 0.2);
    EXPECT_EQ(one.p99, 0.2);
    const Summary none = Summarize({});
    EXPECT_EQ(none.count, 0u);
    EXPECT_EQ(none.max, 0);
}

}  // namespace
}  // namespace corvantis::bench
