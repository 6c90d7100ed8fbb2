// The transmission tick in virtual time: fake clock, virtual timers, in-memory port.
#include "transmit/transmission_tick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "protocol/messages.h"
#include "transmit/operator_commands.h"
#include "transmit_setup.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;
using testing::TransmitRig;

// "hh:mm:ss" of the time block at the front of a message.
std::string TimeOf(const std::string& message) {
    auto two = [&](std::size_t at) {
        std::string field = message.substr(at, 2);
        return field[0] == ' ' ? "0" + field.substr(1) : field;
    };
    return two(5) + ":" + two(3) + ":" + two(1);
}

std::vector<std::string> TimesWritten(const TransmitRig& rig) {
    std::vector<std::string> times;
    for (const auto& message : rig.Written()) {
        times.push_back(TimeOf(message));
    }
    return times;
}

TEST(TransmissionTickTest, OddSecondsAndRepeatedTicksDoNothing) {
    TransmitRig rig({2024, 3, 9, 14, 7, 1}, 50);
    rig.RunUntil({2024, 3, 9, 14, 7, 1}, 999);  // the ticks of an odd second
    EXPECT_TRUE(rig.Written().empty());
    EXPECT_EQ(rig.window.sentMessage.Text(), "");
    EXPECT_EQ(rig.window.lastEvenSecond, 0);

    rig.RunUntil({2024, 3, 9, 14, 7, 2}, 50);  // the first tick of an even second
    EXPECT_EQ(rig.Written().size(), 1u);
    EXPECT_EQ(rig.window.lastEvenSecond, 2);
    rig.window.sentMessage.SetText("");
    rig.window.pcSeconds.SetText("");
    rig.RunUntil({2024, 3, 9, 14, 7, 3}, 999);  // its other nine, then an odd second
    EXPECT_EQ(rig.Written().size(), 1u);
    EXPECT_EQ(rig.window.sentMessage.Text(), "");
    EXPECT_EQ(rig.window.pcSeconds.Text(), "");
}

TEST(TransmissionTickTest, SecondZeroIsPassedOverRightAfterStartUp) {
    TransmitRig rig({2024, 3, 9, 14, 6, 59}, 500);
    rig.RunUntil({2024, 3, 9, 14, 7, 5});
    EXPECT_EQ(TimesWritten(rig), (std::vector<std::string>{"14:07:02", "14:07:04"}));
}

// A tick that comes well into its even second (the first after a start-up in mid-second, or
// one held up) writes nothing; the next even second is then due, whatever the rate.
TEST(TransmissionTickTest, AMessageLaterThanTheMarginWaitsForTheNextEvenSecond) {
    struct Row {
        int startMillis;  // start-up at 14:07:02 plus this
        std::int16_t rate;
        std::vector<std::string> written;  // to 14:08:01
    };
    const Row rows[] = {
        {695, 0, {"14:07:04", "14:07:06"}},  // the first tick at 02.7 is late
        {792, 1, {"14:07:04", "14:08:00"}},  // the minute's mark was not taken at 02
        {95, 0, {"14:07:02", "14:07:04"}},   // within the margin
        {0, 1, {"14:07:02", "14:08:00"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.startMillis);
        TransmitRig rig({2024, 3, 9, 14, 7, 2}, row.startMillis);
        rig.window.sendRate = row.rate;
        rig.RunUntil({2024, 3, 9, 14, 8, 1});
        std::vector<std::string> times = TimesWritten(rig);
        times.resize(std::min<std::size_t>(times.size(), 2));
        EXPECT_EQ(times, row.written);
        EXPECT_EQ(rig.window.sentMessage.Text().empty(), false);
    }
}

TEST(TransmissionTickTest, EveryEvenSecondAtOncePerSecond) {
    TransmitRig rig({2024, 3, 9, 14, 6, 57});
    rig.RunUntil({2024, 3, 9, 14, 7, 5});
    EXPECT_EQ(TimesWritten(rig),
              (std::vector<std::string>{"14:06:58", "14:07:00", "14:07:02", "14:07:04"}));
    EXPECT_EQ(rig.window.sentMessage.Text(), TimeOnlyMessage({2024, 3, 9, 14, 7, 4}));
    EXPECT_EQ(rig.window.pcSeconds.Text(), " 4");
}

TEST(TransmissionTickTest, RatesAcrossMinuteHourDayAndYear) {
    struct Row {
        const char* what;
        std::int16_t rate;
        std::vector<std::string> times;
    };
    // From 31 December 2024 23:58:51 to 1 January 2025 00:01:05, local time = UTC. The first
    // handled second is always due: the mark starts empty.
    for (const Row& row : std::initializer_list<Row>{
             {"once per minute", 1, {"23:58:52", "23:59:00", "00:00:00", "00:01:00"}},
             {"once per hour", 2, {"23:58:52", "00:00:00"}},
             {"once per day", 3, {"23:58:52", "00:00:00"}},
         }) {
        TransmitRig rig({2024, 12, 31, 23, 58, 51});
        rig.window.sendRate = row.rate;
        rig.RunUntil({2025, 1, 1, 0, 1, 5});
        EXPECT_EQ(TimesWritten(rig), row.times) << row.what;
        EXPECT_EQ(rig.Written().back().substr(11, 4), "2025") << row.what;
    }
}

TEST(TransmissionTickTest, UnsetOrUnknownRateCountsAsOncePerSecond) {
    for (std::optional<std::int16_t> rate :
         {std::optional<std::int16_t>{}, std::optional<std::int16_t>{7}}) {
        TransmitRig rig({2024, 12, 31, 23, 59, 55});
        rig.window.sendRate = rate;
        rig.RunUntil({2025, 1, 1, 0, 0, 3});
        EXPECT_EQ(TimesWritten(rig),
                  (std::vector<std::string>{"23:59:56", "23:59:58", "00:00:00", "00:00:02"}));
    }
}

TEST(TransmissionTickTest, AClosedPortAtTheMinuteChangeCostsThatMinute) {
    TransmitRig rig({2024, 3, 9, 14, 7, 1});
    rig.window.sendRate = 1;
    rig.RunUntil({2024, 3, 9, 14, 7, 59});
    rig.platform.port.SetPortOpen(false);
    rig.RunUntil({2024, 3, 9, 14, 8, 1});
    rig.platform.port.SetPortOpen(true);
    rig.RunUntil({2024, 3, 9, 14, 9, 1});
    EXPECT_EQ(TimesWritten(rig), (std::vector<std::string>{"14:07:02", "14:09:00"}));
}

// Passes the fake clock's readings through but cannot convert to UTC.
class NoConversionClock : public WallClock {
public:
    explicit NoConversionClock(const WallClock& base) : m_base(base) {}
    DateTime Now() const override { return m_base.Now(); }
    std::chrono::nanoseconds SinceEpoch() const override { return m_base.SinceEpoch(); }
    DateTime LocalToUtc(const DateTime&) const override {
        throw Failure(75, "Value too large for defined data type");
    }

private:
    const WallClock& m_base;
};

// Open, but every write fails.
class RefusingPort : public testing::FakeSerialPort {
public:
    int attempts = 0;
    void Output(std::string_view) override {
        ++attempts;
        throw Failure(port_error::kPortUnavailable, "COM1: device went away");
    }
};

TEST(TransmissionTickTest, FailingStepsAreSkippedSilentlyAndTheTickGoesOn) {
    TransmitRig rig({2024, 3, 9, 14, 7, 1}, 0, -6h);
    NoConversionClock clock(rig.platform.clock);
    RefusingPort port;
    port.SetPortOpen(true);
    TransmitLine line{clock, port, rig.platform.status};
    AttachTransmitHandlers(rig.window, line);
    rig.RunUntil({2024, 3, 9, 14, 7, 5});

    EXPECT_EQ(port.attempts, 2);
    EXPECT_TRUE(rig.platform.dialog.shown.empty());
    EXPECT_TRUE(rig.window.sendTick.Enabled());
    // Without a conversion the local reading stands; the message is still whole.
    EXPECT_EQ(rig.window.sentMessage.Text(), TimeOnlyMessage({2024, 3, 9, 14, 7, 4}));
    EXPECT_EQ(rig.window.lastRateMark, "04");
}

// While the port's output buffer stays full every due message is dropped and counted; the
// operator gets one warning when such a run starts and one when messages go out again, and
// the port is never closed.
TEST(TransmissionTickTest, AFullOutputBufferWarnsOnceAndAgainWhenSendingResumes) {
    TransmitRig rig({2024, 3, 9, 14, 7, 1});
    auto& port = rig.platform.port;
    const auto& warnings = rig.platform.status.warnings;
    rig.RunUntil({2024, 3, 9, 14, 7, 3});
    port.outputFull = true;
    rig.RunUntil({2024, 3, 9, 14, 8, 1});  // 14:07:04 to 14:08:00
    EXPECT_EQ(port.droppedOutputs, 29);
    EXPECT_EQ(rig.window.droppedMessages, 29u);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("output buffer is full"), std::string::npos) << warnings[0];
    EXPECT_TRUE(port.PortOpen());
    EXPECT_EQ(port.closeCalls, 0);

    port.outputFull = false;
    rig.RunUntil({2024, 3, 9, 14, 8, 5});
    EXPECT_EQ(TimesWritten(rig), (std::vector<std::string>{"14:07:02", "14:08:02", "14:08:04"}));
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[1].find("29 were dropped"), std::string::npos) << warnings[1];
    EXPECT_EQ(rig.window.droppedMessages, 0u);

    port.outputFull = true;  // a second run is told of again
    rig.RunUntil({2024, 3, 9, 14, 8, 7});
    EXPECT_EQ(warnings.size(), 3u);
    EXPECT_EQ(rig.window.droppedMessages, 1u);
}

TEST(TransmissionTickTest, SendGates) {
    struct Row {
        const char* what;
        int check2, check5, check6, check8;
        SendMode sendMode;
        bool sent;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"all open", 1, 0, 1, 1, SendMode::TimeOnly, true},
             {"Check2 clear", 0, 0, 1, 1, SendMode::TimeOnly, false},
             {"Check5 checked", 1, 1, 1, 1, SendMode::TimeOnly, false},
             {"Check6 clear", 1, 0, 0, 1, SendMode::TimeOnly, false},
             {"Check8 clear, time only", 1, 0, 1, 0, SendMode::TimeOnly, false},
             {"Check8 clear, rules", 1, 0, 1, 0, SendMode::Rules, true},
             {"Check8 clear, addressed", 1, 0, 1, 0, SendMode::Addressed, true},
             {"Check8 greyed, time only", 1, 0, 1, 2, SendMode::TimeOnly, false},
             {"Check2 clear, rules", 0, 0, 1, 0, SendMode::Rules, false},
             {"Check6 clear, addressed", 1, 0, 0, 1, SendMode::Addressed, false},
         }) {
        TransmitRig rig({2024, 3, 9, 14, 7, 7});
        rig.window.commandWindow.SetEnabled(false);  // the start-up command window is over
        rig.window.sendingOn.SetValue(row.check2);
        rig.window.toMessageClocks.SetValue(row.check5);
        rig.window.rulesWithTime.SetValue(row.check6);
        rig.window.broadcastTime.SetValue(row.check8);
        rig.window.sendMode = row.sendMode;
        rig.RunUntil({2024, 3, 9, 14, 7, 13});
        EXPECT_EQ(rig.Written().size(), row.sent ? 3u : 0u) << row.what;
        // The message is built and shown at every handled second, sent or not.
        EXPECT_EQ(rig.window.sentMessage.Text().size(), kMessageLength) << row.what;
        EXPECT_EQ(rig.window.pcSeconds.Text(), "12") << row.what;
        EXPECT_EQ(rig.window.lastRateMark, "12") << row.what;
    }
}

TEST(TransmissionTickTest, EachSendModeBuildsItsMessageWithFieldsEvenWithCheck8Clear) {
    struct Row {
        SendMode sendMode;
        std::string message;
    };
    const DateTime at{2024, 3, 9, 14, 7, 4};
    for (const Row& row : std::initializer_list<Row>{
             {SendMode::TimeOnly, "*_4_714_9_32024_________1_________#"},
             {SendMode::Rules, "*_4_714_9_32024__32711172_0_-6_2_0#"},
             {SendMode::Addressed, "*_0_00___________32711173_0_-6_2_0#"},
         }) {
        for (int check8 : {1, 0}) {
            TransmitRig rig({2024, 3, 9, 14, 7, 3});
            rig.window.commandWindow.SetEnabled(false);
            rig.window.broadcastTime.SetValue(check8);
            rig.window.sendMode = row.sendMode;
            rig.RunUntil(at, 500);
            std::string expected = row.message;
            std::replace(expected.begin(), expected.end(), '_', ' ');
            EXPECT_EQ(rig.window.sentMessage.Text(), expected)
                << "mode " << static_cast<int>(row.sendMode) << " Check8 " << check8;
        }
    }
}

TEST(TransmissionTickTest, LocalSendsTheLocalTimeMessageInEverySendMode) {
    for (SendMode mode : {SendMode::Addressed, SendMode::Rules, SendMode::TimeOnly}) {
        TransmitRig rig({2024, 3, 9, 20, 30, 9}, 0, -6h);
        rig.window.commandWindow.SetEnabled(false);
        rig.window.utcOrLocal[1].SetValue(true);
        rig.window.useUtc = false;
        rig.window.sendMode = mode;
        rig.RunUntil({2024, 3, 9, 20, 30, 13});
        EXPECT_EQ(rig.Written(),
                  (std::vector<std::string>{LocalTimeMessage({2024, 3, 9, 20, 30, 10}),
                                            LocalTimeMessage({2024, 3, 9, 20, 30, 12})}))
            << "mode " << static_cast<int>(mode);
        EXPECT_EQ(rig.Written()[0].size(), kTimeBlockLength);
    }
}

TEST(TransmissionTickTest, UtcAcrossLocalMidnightAndYearEnd) {
    struct Row {
        const char* what;
        std::chrono::minutes offset;
        DateTime local;
        DateTime utc;
    };
    for (const Row& row : std::initializer_list<Row>{
             {"UTC-6, the next UTC day", -6h, {2024, 3, 9, 20, 30, 10}, {2024, 3, 10, 2, 30, 10}},
             {"UTC+1, the previous UTC year",
              1h,
              {2025, 1, 1, 0, 0, 30},
              {2024, 12, 31, 23, 0, 30}},
             {"UTC-6, the next UTC year", -6h, {2024, 12, 31, 18, 0, 2}, {2025, 1, 1, 0, 0, 2}},
             {"UTC+5:30, a leap day", 330min, {2024, 3, 1, 5, 0, 2}, {2024, 2, 29, 23, 30, 2}},
         }) {
        TransmitRig rig(FromEpochSeconds(ToEpochSeconds(row.local) - 1), 0, row.offset);
        rig.RunUntil(row.local, 500);
        ASSERT_EQ(rig.Written().size(), 1u) << row.what;
        EXPECT_EQ(rig.Written()[0], TimeOnlyMessage(row.utc)) << row.what;
    }
}

TEST(TransmissionTickTest, RateSlicesFollowTheLocalClockWhileUtcIsSent) {
    // UTC+1: "once per day" goes out just after local midnight, at 23:00 UTC.
    TransmitRig rig({2024, 12, 31, 23, 59, 50}, 0, 1h);
    rig.window.sendRate = 3;
    rig.RunUntil({2024, 12, 31, 23, 59, 59});
    rig.platform.port.writes.clear();
    rig.RunUntil({2025, 1, 1, 0, 0, 31});
    EXPECT_EQ(rig.Written(), (std::vector<std::string>{TimeOnlyMessage({2024, 12, 31, 23, 0, 0})}));
}

}  // namespace
}  // namespace corvantis
