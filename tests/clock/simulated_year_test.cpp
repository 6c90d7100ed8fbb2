// A calendar year through the real transmission tick, the in-memory port, the wire decoder and
// the clock model, in a northern and a southern zone of the operating system's database: every
// even second sends exactly one message with the right UTC, the clock shows this PC's local
// time except in the spans the rule check names, and memory does not grow.
//
// 2028 has a leap day; the rules carry a leap second at the end of June 2028; both zones
// change daylight saving twice; the run ends across the year end.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "clock/clock_model.h"
#include "form/window.h"
#include "platform/posix/posix_time_zone.h"
#include "protocol/rule_check.h"
#include "protocol/wire_decoder.h"
#include "support/fakes.h"
#include "support/started_window.h"
#include "transmit/operator_commands.h"
#include "transmit/transmission_tick.h"

namespace corvantis {
namespace {

using std::chrono::milliseconds;

// The PC's clock in a zone of the database, set by the test: local time and the UTC conversion
// follow the offset in force at the instant, as the real clock's do.
class ZonedClock : public WallClock {
public:
    explicit ZonedClock(std::vector<OffsetChange> offsets) : m_offsets(std::move(offsets)) {}
    void Set(std::int64_t utcSeconds, int millis) {
        m_utc = utcSeconds;
        m_millis = millis;
        while (m_next + 1 < m_offsets.size() && m_offsets[m_next + 1].at <= m_utc) {
            ++m_next;
        }
    }
    int OffsetMinutes() const { return m_offsets[m_next].offsetMinutes; }

    DateTime Now() const override { return FromEpochSeconds(m_utc + OffsetMinutes() * 60); }
    std::chrono::nanoseconds SinceEpoch() const override {
        return std::chrono::seconds(m_utc) + milliseconds(m_millis);
    }
    DateTime LocalToUtc(const DateTime& local) const override {
        return FromEpochSeconds(ToEpochSeconds(local) - OffsetMinutes() * 60);
    }

private:
    std::vector<OffsetChange> m_offsets;
    std::size_t m_next = 0;
    std::int64_t m_utc = 0;
    int m_millis = 0;
};

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Sydney: UTC+10, daylight saving from the first Sunday of October to the first Sunday of
// April, changes at hour 2.
void SelectSydneyRules(Window& w) {
    testing::SelectDefaultRules(w);
    w.zoneOffset.SetListIndex(44);      // +10
    w.startMonth.SetListIndex(9);       // Oct
    w.startOccurrence.SetListIndex(0);  // First
    w.endMonth.SetListIndex(3);         // Apr
    w.endOccurrence.SetListIndex(0);    // First
}

struct Zone {
    const char* name;
    void (*selectRules)(Window&);
};

class SimulatedYearTest : public ::testing::TestWithParam<Zone> {};

TEST_P(SimulatedYearTest, EveryEvenSecondOfAYearSetsTheClockToThisPcsTime) {
    // From second 02: a first tick at second 00 is passed over, as the program's first is.
    const std::int64_t start = ToEpochSeconds(DateTime{2027, 12, 31, 12, 0, 2});
    const std::int64_t end = ToEpochSeconds(DateTime{2029, 1, 1, 12, 0, 0});
    const posix::PosixTimeZone zone(GetParam().name);
    const std::vector<OffsetChange> pc = zone.OffsetsBetween(start, end);
    ASSERT_GE(pc.size(), 3u) << "two daylight-saving changes in the year";

    testing::FakePlatform fake;
    ZonedClock clock(pc);
    TransmitLine line{clock, fake.port, fake.status};
    Window w;
    testing::FillPickLists(w);
    GetParam().selectRules(w);
    w.leapYear.SetListIndex(28);  // leap second at the end of June 2028
    for (auto* check : {&w.sendingOn, &w.rulesWithTime, &w.broadcastTime}) {
        check->SetValue(1);
    }
    w.serialRate.SetText("once per second");
    w.useUtc = true;
    w.sendMode = SendMode::TimeOnly;
    fake.port.SetCommPort(2);
    fake.port.SetPortOpen(true);

    std::vector<RuleDifference> expectedDifferences;  // the rule check's, once the rules are sent
    auto differenceAt = [&](std::int64_t utc) {
        for (const RuleDifference& d : expectedDifferences) {
            if (utc >= d.from && utc < d.to) {
                return d.minutes;
            }
        }
        return 0;
    };

    WireDecoder decoder;
    ClockModel model(0);
    std::size_t messages = 0, mismatches = 0;
    long residentAfterAMonth = 0;
    // Each even second, the tick runs 50 ms after it; one tick first sends the rules.
    OnSendRules(w);
    for (std::int64_t t = start; t < end; t += 2) {
        clock.Set(t, 50);
        OnSendTick(w, line);
        ASSERT_EQ(fake.port.writes.size(), 1u) << "one message at " << t;
        const milliseconds at = std::chrono::seconds(t - start) + milliseconds(50);
        const auto decoded = decoder.Feed(fake.port.writes.front().bytes);
        fake.port.writes.clear();
        ASSERT_EQ(decoded.size(), 1u);
        ASSERT_TRUE(decoded.front().message.has_value() && decoded.front().message->Sound());
        model.Receive(*decoded.front().message, at);
        if (t == start) {
            ASSERT_TRUE(model.Rules().has_value()) << "the first message carries the rules";
            expectedDifferences = CompareRules(*model.Rules(), pc, end);
            OnCommandWindowEnd(w);  // the command window ends: time-only from now on
        }
        ++messages;

        const auto kept = model.KeptUtc(at);
        ASSERT_TRUE(kept.has_value());
        ASSERT_EQ(kept->utcSeconds, t) << "the message carries this PC's UTC";
        const auto shown = model.Shown(at);
        const DateTime expected =
            FromEpochSeconds(t + (clock.OffsetMinutes() + differenceAt(t)) * 60);
        if (shown->time != expected) {
            ++mismatches;
            ADD_FAILURE() << "at " << t << ": the clock shows " << DateText(shown->time) << ' '
                          << TimeText(shown->time) << ", expected " << DateText(expected) << ' '
                          << TimeText(expected);
            ASSERT_LT(mismatches, 5u);
        }
        if (t - start == 30 * 86400) {
            residentAfterAMonth = ResidentKilobytes();
        }
    }
    EXPECT_EQ(messages, static_cast<std::size_t>((end - start) / 2));
    EXPECT_LT(ResidentKilobytes() - residentAfterAMonth, 1024) << "kB grown after the first month";
}

INSTANTIATE_TEST_SUITE_P(
    Zones, SimulatedYearTest,
    ::testing::Values(Zone{"America/Chicago", testing::SelectDefaultRules},
                      Zone{"Australia/Sydney", SelectSydneyRules}),
    [](const auto& info) {
        return std::string(info.param.name).substr(std::string(info.param.name).find('/') + 1);
    });

}  // namespace
}  // namespace corvantis
