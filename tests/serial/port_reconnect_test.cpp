// The clocks' port reopening itself after its device went away, in virtual time: alone, and
// inside the whole program, where sending must resume on the next even second.
#include "serial/port_reconnect.h"

#include <gtest/gtest.h>

#include "platform/failure.h"
#include "program/program.h"
#include "support/fakes.h"

namespace corvantis {
namespace {

using namespace std::chrono_literals;

class PortReconnectTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake.port.SetCommPort(5);
        port.AddOpenListener([this](bool open) { changes.push_back(open); });
        port.SetPortOpen(true);
    }
    // Unplugs the device and keeps it away.
    void Pull() {
        fake.port.absentPorts.insert(5);
        fake.port.Unplug();
    }

    testing::FakePlatform fake;
    ReconnectingPort port{fake.port, fake.timers, fake.status};
    std::vector<bool> changes;
};

TEST_F(PortReconnectTest, RetriesWithGrowingPausesAndWarnsOnceWhenLostAndOnceWhenBack) {
    const int opensBefore = fake.port.openCalls;
    Pull();
    EXPECT_TRUE(port.Retrying());
    EXPECT_FALSE(port.PortOpen());
    // Tries at 0.5, 1.5, 3.5, 7.5, 11.5, 15.5 s: doubling pauses, never more than 4 s apart.
    fake.timers.RunFor(16s);
    EXPECT_EQ(fake.port.openCalls - opensBefore, 6);
    ASSERT_EQ(fake.status.warnings.size(), 1u);
    EXPECT_EQ(fake.status.warnings[0],
              "COM5 went away (device removed?): not sending until it is back; the port "
              "reopens by itself when the device is plugged in again");

    fake.port.absentPorts.clear();  // plugged back in
    fake.timers.RunFor(4s);
    EXPECT_TRUE(port.PortOpen());
    EXPECT_FALSE(port.Retrying());
    EXPECT_EQ(fake.status.warnings.back(), "COM5 is back: sending again");
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true}));
    const int opensAfter = fake.port.openCalls;
    fake.timers.RunFor(1min);
    EXPECT_EQ(fake.port.openCalls, opensAfter) << "no retries once the port is back";

    // A second loss starts over from the shortest pause.
    Pull();
    fake.port.absentPorts.clear();
    fake.timers.RunFor(ReconnectingPort::kFirstRetry);
    EXPECT_TRUE(port.PortOpen());
}

TEST_F(PortReconnectTest, TheProgramsOwnCloseOrPortChoiceNeverRetries) {
    port.SetPortOpen(false);  // "Close and Exit", or the first half of a port choice
    fake.timers.RunFor(10s);
    EXPECT_FALSE(port.Retrying());
    EXPECT_FALSE(port.PortOpen());

    // Lost, then the operator picks another port while it retries: the retrying ends.
    port.SetPortOpen(true);
    Pull();
    ASSERT_TRUE(port.Retrying());
    port.SetCommPort(6);
    const int opens = fake.port.openCalls;
    fake.timers.RunFor(10s);
    EXPECT_EQ(fake.port.openCalls, opens);
    EXPECT_FALSE(port.Retrying());

    // An opening the program asked for that fails is tried again (a device not there yet, or
    // held by another program) until the program's own close ends the trying.
    fake.port.absentPorts.insert(6);
    EXPECT_THROW(port.SetPortOpen(true), Failure);
    EXPECT_TRUE(port.Retrying());
    port.SetPortOpen(false);
    fake.timers.RunFor(10s);
    EXPECT_EQ(fake.port.openCalls, opens + 1);
    EXPECT_FALSE(port.Retrying());
}

TEST_F(PortReconnectTest, AnOpeningThatFailsIsTriedUntilTheDeviceComesWithOneWarningEach) {
    port.SetPortOpen(false);
    fake.port.absentPorts.insert(5);
    EXPECT_THROW(port.SetPortOpen(true), Failure) << "the caller still hears of the failure";
    fake.timers.RunFor(6s);
    EXPECT_FALSE(port.PortOpen());
    ASSERT_EQ(fake.status.warnings.size(), 1u);
    EXPECT_EQ(fake.status.warnings[0].rfind("COM5 cannot be opened (", 0), 0u)
        << fake.status.warnings[0];
    fake.port.absentPorts.clear();  // the adapter is enumerated at last
    fake.timers.RunFor(ReconnectingPort::kLongestRetry);
    EXPECT_TRUE(port.PortOpen());
    EXPECT_EQ(fake.status.warnings,
              (std::vector<std::string>{fake.status.warnings[0], "COM5 is open: sending"}));
    // Once open, a loss is a loss like any other.
    Pull();
    EXPECT_TRUE(port.Retrying());
}

TEST(PortReconnectProgramTest, ADeviceThatAppearsSixSecondsAfterStartIsSentTo) {
    testing::FakePlatform fake;
    ReconnectingPort port{fake.port, fake.timers, fake.status};
    const ProgramPlatform reconnecting{fake.clock,    port,        fake.settings,
                                       fake.dialog,   fake.probe,  fake.wait,
                                       fake.registry, fake.status, fake.info};
    fake.clock.SetLocal(DateTime{2024, 3, 9, 14, 7, 0}, 500);
    fake.profile.WriteString("SerialSync", "COMPORT", "COM2", testing::kFakeCorvantisIni);
    fake.port.absentPorts.insert(2);
    testing::FakeWindowHost host;
    Window window;
    Program program{window, reconnecting, fake.timers, host};
    program.Start();
    fake.timers.RunFor(6s);
    EXPECT_TRUE(fake.port.writes.empty());
    fake.port.absentPorts.clear();
    fake.timers.RunFor(6s);  // tried again by 14:07:10.5 at the latest
    ASSERT_FALSE(fake.port.writes.empty());
    EXPECT_EQ(fake.port.writes.back().bytes, "*12 714 9 32024         1         #");
}

TEST(PortReconnectProgramTest, SendingResumesOnTheNextEvenSecondAfterTheDeviceReturns) {
    testing::FakePlatform fake;
    ReconnectingPort port{fake.port, fake.timers, fake.status};
    const ProgramPlatform reconnecting{fake.clock,    port,        fake.settings,
                                       fake.dialog,   fake.probe,  fake.wait,
                                       fake.registry, fake.status, fake.info};
    fake.clock.SetLocal(DateTime{2024, 3, 9, 14, 7, 0}, 500);
    fake.profile.WriteString("SerialSync", "COMPORT", "COM2", testing::kFakeCorvantisIni);
    testing::FakeWindowHost host;
    Window window;
    Program program{window, reconnecting, fake.timers, host};
    program.Start();
    fake.timers.RunFor(2s);  // 14:07:02 sent
    ASSERT_EQ(fake.port.writes.size(), 1u);

    fake.port.absentPorts.insert(2);
    fake.port.Unplug();
    fake.timers.RunFor(10s);  // to 14:07:12.5: nothing can go out
    EXPECT_EQ(fake.port.writes.size(), 1u);

    fake.port.absentPorts.clear();
    fake.timers.RunFor(5s);  // reopened by 14:07:16.5 at the latest; 14:07:16 goes out
    ASSERT_GE(fake.port.writes.size(), 2u);
    EXPECT_EQ(fake.port.writes.back().bytes, "*16 714 9 32024         1         #");
    EXPECT_EQ(fake.port.writes.back().port, 2);
}

}  // namespace
}  // namespace corvantis
