// The whole program in virtual time: handlers attached, start-up run, timers ticking.
#include "program/program.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/forwarding_serial_port.h"
#include "protocol/messages.h"
#include "support/fakes.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.clock.SetLocal(DateTime{2024, 3, 9, 14, 7, 0}, 500);
        fake.profile.WriteString("SerialSync", "COMPORT", "COM2", testing::kFakeCorvantisIni);
        program.Start();
    }
    std::vector<char> Kinds() const {
        std::vector<char> kinds;
        for (const auto& write : fake.port.writes) {
            kinds.push_back(write.bytes.size() == 35 ? write.bytes[24] : '?');
        }
        return kinds;
    }

    testing::FakePlatform fake;
    testing::FakeWindowHost host;
    Window window;
    Program program{window, fake.Platform(), fake.timers, host};
};

TEST_F(ProgramTest, SendsTimeEveryEvenSecondAndShowsTheClock) {
    ASSERT_TRUE(fake.port.PortOpen());
    fake.timers.RunFor(9s);  // to 14:07:09.5: seconds 02 to 08 handled (00 was passed over)
    EXPECT_EQ(Kinds(), (std::vector<char>{'1', '1', '1', '1'}));
    EXPECT_EQ(fake.port.writes.front().bytes, "* 2 714 9 32024         1         #");
    EXPECT_EQ(program.window().pcTime.Text(), "03-09-2024   14:07:09");
    EXPECT_FALSE(program.window().pleaseWait.Visible());
}

TEST_F(ProgramTest, AButtonOpensASixSecondCommandWindow) {
    fake.timers.RunFor(2s);
    program.window().sendRules.OperatorClick();
    EXPECT_TRUE(program.window().pleaseWait.Visible());
    fake.timers.RunFor(6s);
    EXPECT_FALSE(program.window().pleaseWait.Visible());
    fake.timers.RunFor(4s);
    EXPECT_EQ(Kinds(), (std::vector<char>{'1', '2', '2', '2', '1', '1'}));
}

// The PC clock stepped by time sync, by hand or by a resume from sleep: from the next even
// second of the new time on, exactly one message per even second, each with the new time; no
// burst of messages for the seconds stepped over, none for the stepped-back ones.
TEST_F(ProgramTest, AfterAClockStepEachEvenSecondOfTheNewTimeSendsOneMessage) {
    using std::chrono::hours;
    struct Row {
        std::chrono::milliseconds step;
        DateTime firstSent;  // the first even second sent after the step
    };
    const Row rows[] = {
        {hours(1), {2024, 3, 9, 15, 7, 6}},
        {-hours(1), {2024, 3, 9, 13, 7, 6}},
        {1s, {2024, 3, 9, 14, 7, 6}},
        {-1s, {2024, 3, 9, 14, 7, 6}},  // 04 again is not a new even second
        {hours(72), {2024, 3, 12, 14, 7, 6}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.step.count());
        testing::FakePlatform platform;
        testing::FakeWindowHost stepHost;
        Window w;
        Program stepped{w, platform.Platform(), platform.timers, stepHost};
        platform.clock.SetLocal(DateTime{2024, 3, 9, 14, 7, 0}, 500);
        platform.profile.WriteString("SerialSync", "COMPORT", "COM2", testing::kFakeCorvantisIni);
        stepped.Start();
        platform.timers.RunFor(4s);  // 02 and 04 sent; now 14:07:04.5
        platform.port.writes.clear();

        platform.timers.StepClock(row.step);
        platform.timers.RunFor(6s);
        std::vector<std::string> expected;
        const std::int64_t first = ToEpochSeconds(row.firstSent);
        const std::int64_t end = ToEpochSeconds(platform.clock.Now());
        for (std::int64_t t = first; t <= end; t += 2) {
            expected.push_back(TimeOnlyMessage(FromEpochSeconds(t)));
        }
        std::vector<std::string> sent;
        for (const auto& write : platform.port.writes) {
            sent.push_back(write.bytes);
        }
        EXPECT_EQ(sent, expected);
    }
}

// The port as the program sees it, noting how far past its even second each message went.
class StampingPort : public ForwardingSerialPort {
public:
    StampingPort(SerialPort& port, const testing::FakeClock& clock)
        : ForwardingSerialPort(port), m_clock(clock) {}
    void Output(std::string_view text) override {
        lateness.push_back(m_clock.UtcMillis() % 2000);
        ForwardingSerialPort::Output(text);
    }
    std::vector<std::chrono::milliseconds> lateness;

private:
    const testing::FakeClock& m_clock;
};

// A clock that answers just before each even second, while the display tick polls between
// the reply and the second: each message still goes out at its even second, as without
// replies, and each reply is shown.
TEST(ProgramReplyTest, RepliesJustBeforeEachEvenSecondNeverDelayTheMessage) {
    for (const bool replies : {false, true}) {
        SCOPED_TRACE(replies ? "replies" : "no replies");
        testing::FakePlatform fake;
        StampingPort port{fake.port, fake.clock};
        const ProgramPlatform platform{fake.clock,    port,        fake.settings,
                                       fake.dialog,   fake.probe,  fake.wait,
                                       fake.registry, fake.status, fake.info};
        // The display tick (every 100 ms from start-up) then polls at .99 of each second.
        fake.clock.SetLocal(DateTime{2024, 3, 9, 14, 7, 0}, 590);
        fake.profile.WriteString("SerialSync", "COMPORT", "COM2", testing::kFakeCorvantisIni);
        testing::FakeWindowHost host;
        Window window;
        Program program{window, platform, fake.timers, host};
        program.Start();
        for (int evenSecond = 2; evenSecond <= 20; evenSecond += 2) {
            const auto phase = fake.clock.UtcMillis() % 2000;  // 20 ms before the even second
            fake.timers.RunFor(1980ms - phase + (phase >= 1980ms ? 2000ms : 0ms));
            if (replies) {
                fake.port.received += "ACK 01 RULES\r\n";
            }
        }
        fake.timers.RunFor(1s);
        EXPECT_EQ(port.lateness.size(), 10u);
        EXPECT_EQ(port.lateness, std::vector<std::chrono::milliseconds>(port.lateness.size(), 0ms));
        EXPECT_EQ(window.clockReply.Text(), replies ? "ACK 01 RULES\\x0D\\x0A" : "");
    }
}

TEST_F(ProgramTest, CloseAndExitStoresTheGpsPortAndEnds) {
    program.window().closeAndExit.OperatorClick();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"show", "remove-icon", "unload", "end"}));
    EXPECT_FALSE(fake.port.PortOpen());
    EXPECT_NE(fake.profile.Find(testing::kFakeCorvantisIni, "GPS", "COMPORT"), nullptr);
}

// A pick the operator has not moved on from yet is saved however the window closes; "Close
// and Exit" stands also for the tray menu's and the end of the session, which click it.
TEST_F(ProgramTest, APickNotYetLeftIsSavedWhenTheWindowCloses) {
    const std::string& data = testing::kFakeDataIni;
    const struct {
        const char* way;
        std::function<void(Program&)> close;
    } ways[] = {
        {"close box", [](Program& p) { p.CloseWindow(); }},
        {"Close and Exit", [](Program& p) { p.window().closeAndExit.OperatorClick(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        fake.profile.WriteString("CommMethod", "DSThour", "2", data);
        program.window().changeHour.OperatorPick(3);
        program.window().zoneOffset.OperatorType('1', 0ms);
        program.window().zoneOffset.OperatorType('0', 10ms);
        ASSERT_EQ(*fake.profile.Find(data, "CommMethod", "DSThour"), "2") << "not left yet";
        way.close(program);
        EXPECT_EQ(*fake.profile.Find(data, "CommMethod", "DSThour"), "3");
        EXPECT_EQ(*fake.profile.Find(data, "CommMethod", "TZhouroffset"),
                  std::to_string(program.window().zoneOffset.ListIndex()));
        EXPECT_EQ(program.window().zoneOffset.Text(), "10");
        EXPECT_FALSE(program.window().changeHour.PickPending());
    }
}

// A setting changed while the disk refuses writes reaches its file by itself, within a
// second of the disk taking writes again, with no further click.
TEST_F(ProgramTest, ASettingTheDiskRefusedIsSavedByItselfOnceItCan) {
    const std::string& data = testing::kFakeDataIni;
    const auto stored = [&] {
        const std::string* value = fake.profile.Find(data, "CommMethod", "DSTENABLED");
        return value != nullptr ? *value : "<absent>";
    };
    ASSERT_EQ(program.window().autoDaylightSaving.Value(), 1);
    const std::string before = stored();
    fake.profile.unwritable = {data};
    program.window().autoDaylightSaving.OperatorClick();  // "DSTenabled" from 1 to 0
    fake.timers.RunFor(3s);
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(fake.status.warnings.size(), 1u);

    fake.profile.unwritable.clear();
    fake.timers.RunFor(1s);
    EXPECT_EQ(stored(), "0");
    EXPECT_EQ(fake.status.warnings.size(), 1u);
}

// The lean headless loop serves secondTick silently (its handler has nothing to show); the
// kept saves must reach the disk all the same, and what is still refused at exit is named.
class SilentTimer2 : public TimerService {
public:
    explicit SilentTimer2(TimerService& inner) : m_inner(inner) {}
    std::unique_ptr<PlatformTimer> CreateTimer(std::function<void()> onTick) override {
        return m_inner.CreateTimer(std::move(onTick));
    }
    std::unique_ptr<PlatformTimer> CreateTimerFor(const std::string& name,
                                                  std::function<void()> onTick) override {
        return m_inner.CreateTimer(name == "Timer2" ? [] {} : std::move(onTick));
    }

private:
    TimerService& m_inner;
};

TEST(ProgramSavingTest, RefusedSavesReachTheDiskWhateverTheLoopWakesForAndAreNamedAtExit) {
    testing::FakePlatform fake;
    fake.clock.SetLocal(DateTime{2024, 3, 9, 14, 7, 0}, 500);
    SilentTimer2 timers(fake.timers);
    testing::FakeWindowHost host;
    Window window;
    Program program{window, fake.Platform(), timers, host};
    program.Start();
    fake.profile.unwritable = {testing::kFakeCorvantisIni};
    window.currentAddress.OperatorPick(7);
    ASSERT_EQ(fake.settings.UnsavedWrites(), 1u);
    fake.timers.RunFor(5s);
    fake.profile.unwritable.clear();  // the disk has room again
    fake.timers.RunFor(UnsavedSettingsRetry::kEvery);
    ASSERT_NE(fake.profile.Find(testing::kFakeCorvantisIni, "GPS", "CURRADDRESS"), nullptr);
    EXPECT_EQ(*fake.profile.Find(testing::kFakeCorvantisIni, "GPS", "CURRADDRESS"), "7");
    const int running = fake.timers.Running();
    fake.timers.RunFor(5s);
    EXPECT_EQ(fake.timers.Running(), running) << "nothing left to retry";

    // Refused again, and still refused at "Close and Exit": the lost values are named.
    fake.profile.unwritable = {testing::kFakeCorvantisIni};
    window.currentAddress.OperatorPick(9);
    window.closeAndExit.OperatorClick();
    ASSERT_FALSE(fake.status.warnings.empty());
    EXPECT_EQ(fake.status.warnings.back(),
              "Settings not saved at exit, the disk still refuses them: CURRADDRESS=9 in [GPS] "
              "of " +
                  testing::kFakeCorvantisIni + ", COMPORT=None in [GPS] of " +
                  testing::kFakeCorvantisIni +
                  ". They are lost; set them again once it takes writes.");
}

}  // namespace
}  // namespace corvantis
